#include "support/test_env.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>

namespace {

QtMessageHandler testLog = nullptr;

// The offscreen platform takes no size hints and says so whenever the
// window's smallest size is set once the window exists; that says nothing
// about the program.
void withoutSizeHintNotice(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text == u"This plugin does not support propagateSizeHints()")
        return;
    if (testLog)
        testLog(type, context, text);
}

} // namespace

TestEnv::TestEnv()
    : store(std::make_unique<SettingsStore>(storePath())), platform{prompts, com, launcher,
                                                                    clipboard,
                                                                    [this] { ++processEnded; }} {
    const QtMessageHandler before = qInstallMessageHandler(withoutSizeHintNotice);
    if (before != withoutSizeHintNotice)
        testLog = before;
}

TestEnv::~TestEnv() {
    window.reset();
}

QString TestEnv::writeFile(const QString& name, const QByteArray& bytes) const {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

MainWindow& TestEnv::start(const QStringList& arguments) {
    window = std::make_unique<MainWindow>(*store, platform);
    window->Form_Load(arguments);
    return *window;
}

void TestEnv::stop() {
    if (window)
        window->close();
    window.reset();
}

void TestEnv::reopenStore() {
    store.reset();
    store = std::make_unique<SettingsStore>(storePath());
}

bool triggerAction(QWidget* window, const QString& objectName) {
    auto* action = window->findChild<QAction*>(objectName);
    if (!action) {
        QTest::qFail(qPrintable(QStringLiteral("no menu item ") + objectName), __FILE__, __LINE__);
        return false;
    }
    if (!action->isEnabled())
        return false;
    action->trigger();
    return true;
}

void openMenu(QWidget* window, const QString& objectName) {
    auto* menu = window->findChild<QMenu*>(objectName);
    if (!menu) {
        QTest::qFail(qPrintable(QStringLiteral("no menu ") + objectName), __FILE__, __LINE__);
        return;
    }
    emit menu->aboutToShow();
}
