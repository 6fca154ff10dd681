#include "support/test_env.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>

#include <sqlite3.h>

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
    window = std::make_unique<MainWindow>(*store, platform, settings);
    window->start(arguments);
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

QAction* actionOf(QWidget* window, const QString& objectName) {
    return window->findChild<QAction*>(objectName);
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

bool refuseWrites(const QString& storePath, bool refuse) {
    sqlite3* db = nullptr;
    const char* sql = refuse ? "CREATE TRIGGER no_insert BEFORE INSERT ON settings "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END;"
                               "CREATE TRIGGER no_update BEFORE UPDATE ON settings "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END;"
                             : "DROP TRIGGER no_insert; DROP TRIGGER no_update;";
    const bool ok = sqlite3_open_v2(QFile::encodeName(storePath).constData(), &db,
                                    SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                    sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}
