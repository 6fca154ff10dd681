#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QDialog;

// Answers a modal dialog the way a person would: whenever a visible window
// with this objectName appears (inside the exec() of the handler that opens
// it), runs `act` on it and then closes it if it is still open, so a test
// never hangs on a dialog. `seen` counts the appearances.
class ModalDriver : public QObject {
public:
    explicit ModalDriver(const QString& objectName, std::function<void(QDialog&)> act = {});
    ~ModalDriver() override;

    int seen = 0;

private:
    void tick();
    QString m_name;
    std::function<void(QDialog&)> m_act;
    QTimer m_timer;
    bool m_busy = false;
};

// Shut-down asks the application to quit. With no event loop running that
// request stays pending, and every later exec() (a dialog's included) would
// return at once. Call this after TestEnv::stop() when the test goes on.
void clearQuitRequest();
