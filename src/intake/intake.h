#pragma once

#include <QStringList>

struct Workspace;

// Files named on the command line, taken into pages at start-up before the
// main window is shown.
class CommandLineIntake {
public:
    explicit CommandLineIntake(Workspace& ws) : m_ws(ws) {}
    void run(const QStringList& arguments);

private:
    Workspace& m_ws;
};
