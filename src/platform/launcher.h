#pragma once

#include <QString>
#include <QStringList>

// Starts other programs: detached, with an argument list (never through a shell).
class Launcher {
public:
    enum class WindowState { Normal, MinimizedActive };
    virtual ~Launcher() = default;
    // Returns whether the program started.
    virtual bool start(const QString& program, const QStringList& arguments,
                       WindowState state = WindowState::Normal) = 0;
};

class QtLauncher : public Launcher {
public:
    bool start(const QString& program, const QStringList& arguments,
               WindowState state = WindowState::Normal) override;
};
