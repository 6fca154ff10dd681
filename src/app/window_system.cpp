#include "app/window_system.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QString>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace windowsystem {

namespace {

bool isSet(const char* value) {
    return value && *value;
}

} // namespace

std::vector<std::string> withPreferredPlatform(const std::vector<std::string>& arguments,
                                               const char* qpaPlatform, const char* display) {
    if (arguments.empty() || isSet(qpaPlatform) || !isSet(display))
        return arguments;
    const bool asked = std::any_of(arguments.begin() + 1, arguments.end(), [](const auto& a) {
        return a == "-platform" || a == "--platform";
    });
    if (asked)
        return arguments;
    std::vector<std::string> withPlatform = arguments;
    withPlatform.insert(withPlatform.begin() + 1, {"-platform", "xcb;wayland"});
    return withPlatform;
}

Arguments::Arguments(int argc, char* argv[])
    : m_arguments(withPreferredPlatform(std::vector<std::string>(argv, argv + argc),
                                        std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"))) {
    for (std::string& a : m_arguments)
        m_pointers.push_back(a.data());
    m_pointers.push_back(nullptr);
    count = int(m_arguments.size());
}

namespace {

QtMessageHandler previousHandler = nullptr;

// How long the toolkit's Wayland thread is held back while the main thread
// ends the program; a main thread that cannot (waiting on that very thread)
// is given up on.
constexpr unsigned long HoldBackMs = 10000;

// The toolkit's last words before it ends the process: "The Wayland
// connection broke. Did the Wayland compositor die?", or that the connection
// "experienced a fatal error".
bool compositorGone(QtMsgType type, const QString& message) {
    return type == QtWarningMsg && message.startsWith(u"The Wayland connection ");
}

void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (previousHandler)
        previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !compositorGone(type, message))
        return;
    if (QThread::currentThread() == app->thread())
        std::exit(1);
    static std::atomic_flag asked;
    if (!asked.test_and_set())
        QMetaObject::invokeMethod(
            app, [] { std::exit(1); }, Qt::QueuedConnection);
    QThread::msleep(HoldBackMs);
}

} // namespace

void endInOrderWhenCompositorGoes() {
    if (QGuiApplication::platformName().startsWith(u"wayland"))
        previousHandler = qInstallMessageHandler(onMessage);
}

} // namespace windowsystem
