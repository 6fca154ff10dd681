#include "app/program.h"
#include "app/window_system.h"

#include <QApplication>
#include <QDateTime>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

// SIGTERM, SIGINT and SIGHUP end the program with the whole shut-down, so
// nothing typed is lost; nobody is asked anything on the way. A file being
// read or a page being built is finished first.
void closeOnSignals(MainWindow& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char buf[16];
        [[maybe_unused]] auto n = ::read(signalPipe[0], buf, sizeof buf);
        window.requestEnd();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

// When the display goes away (a crashed session, a closed remote display),
// the toolkit ends the process with exit(): the state is written on the way
// out, all but the window's place, which needs the display, and so is what
// the page history and the store still have queued.
MainWindow* liveWindow = nullptr;

void writeOnExit() {
    if (liveWindow)
        liveWindow->endOnExit();
}

void writeStateOnExit(MainWindow& window) {
    // What the last write needs is made ready now, while nothing is ending.
    [[maybe_unused]] const QString data =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    [[maybe_unused]] const QDateTime now = QDateTime::currentDateTime();
    liveWindow = &window;
    std::atexit(writeOnExit);
}

} // namespace

int main(int argc, char* argv[]) {
    windowsystem::Arguments toolkitArguments(argc, argv);
    QApplication app(toolkitArguments.count, toolkitArguments.values());
    windowsystem::endInOrderWhenCompositorGoes();
    Program program;
    MainWindow& window = program.window();
    closeOnSignals(window);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.sessionSave(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     [&window] { window.endUnattended(); });

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    window.start(arguments);
    // Ended by a signal before the window was running (a dialog at start-up).
    if (const std::optional<int> status = window.endStatus())
        return *status;
    writeStateOnExit(window);
    const int status = app.exec();
    liveWindow = nullptr;
    return status;
}
