// Help, homepage, version information and the uninstall preparation, on a
// real main window with a real store; the launcher and the message boxes are
// scripted.

#include "dialogs/housekeeping.h"
#include "support/test_env.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sqlite3.h>

namespace {

using Answer = Prompts::Answer;
using Buttons = Prompts::Buttons;
using WindowState = Launcher::WindowState;

const QString VersionText = QStringLiteral("Sorabun Version 0.24       \r\n\r\n"
                                           "作者: Sorabun 開発チーム");
const QString UninstallQuestion = QStringLiteral(
    "この操作をするとメモの内容がすべて削除されます。アンインストールの際は必ずこの動作"
    "を行ってからアンインストールしてください\r\n"
    "アンインストールの準備を行ってよろしいですか？");
const QString UninstallDone =
    QStringLiteral("アンインストールの準備が完了しました。アプリケーションの追加と削除からSorabunを"
                   "アンインストールしてください。");
const QString HomePage = QStringLiteral("https://sorabun.example.org/");

const QStringList ProgramKeys = {
    "1",     "2",     "3",     "4",        "5",         "6",        "7",        "8",
    "9",     "Page",  "Ret",   "SelStart", "SelLen",    "FontSize", "FontName", "FontBold",
    "FontI", "FontS", "FontU", "FontC",    "ComLine",   "NoeNumOP", "AutoOP",   "Window",
    "Left",  "Top",   "Width", "Height",   "StatusBar",
};

// The keys of the program that can still be read back from the store.
QStringList keysLeft(const SettingsStore& store) {
    const QString absent(QChar(0xFFFF));
    QStringList left;
    for (const QString& key : ProgramKeys)
        if (store.ReadSetting(key, absent) != absent)
            left << key;
    return left;
}

// A used memo: pages, the page on show, caret, font and options, as a normal
// exit leaves them.
void storeUsedMemo(SettingsStore& store) {
    store.WriteSetting(QStringLiteral("1"), QStringLiteral("買い物\r\n牛乳"));
    store.WriteSetting(QStringLiteral("3"), QStringLiteral("three"));
    store.WriteSetting(QStringLiteral("9"), QStringLiteral("最後のページ"));
    store.WriteSetting(QStringLiteral("Page"), QStringLiteral("3"));
    store.WriteSetting(QStringLiteral("Ret"), QStringLiteral("False"));
    store.WriteSetting(QStringLiteral("StatusBar"), QStringLiteral("True"));
    store.WriteSetting(QStringLiteral("SelStart"), QStringLiteral("2"));
    store.WriteSetting(QStringLiteral("SelLen"), QStringLiteral("1"));
    store.WriteSetting(QStringLiteral("FontSize"), QStringLiteral("10.5"));
    store.WriteSetting(QStringLiteral("FontBold"), QStringLiteral("True"));
    store.WriteSetting(QStringLiteral("ComLine"), QStringLiteral("1"));
    store.WriteSetting(QStringLiteral("AutoOP"), QStringLiteral("1"));
}

// Makes every later delete in the store's file fail, as a store that refuses
// the change would.
bool refuseDeletes(const QString& path) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE,
                              nullptr) == SQLITE_OK &&
              sqlite3_exec(db,
                           "CREATE TRIGGER keep_everything BEFORE DELETE ON settings "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

QString writeHelpDocument(const QString& dir) {
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(QStringLiteral("Velmirahelp.html"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write("<!DOCTYPE html><title>Sorabun</title>");
    return path;
}

} // namespace

class TestHousekeeping : public QObject {
    Q_OBJECT
private slots:
    void versionBox();
    void launches_data();
    void launches();
    void failures_data();
    void failures();
    void helpDocumentLookup_data();
    void helpDocumentLookup();
    void helpPlaces();
    void uninstallNo();
    void uninstallYes_data();
    void uninstallYes();
    void uninstallWhenEraseFails();
};

void TestHousekeeping::versionBox() {
    TestEnv env;
    env.setPage(2, QStringLiteral("untouched"));
    env.start();
    env.prompts.answer(Answer::Ok);
    QVERIFY(triggerAction(env.window.get(), QStringLiteral("showVersion")));

    QCOMPARE(env.prompts.calls.size(), 1);
    const PromptCall& box = env.prompts.calls.first();
    QCOMPARE(box.kind, PromptCall::Message);
    QCOMPARE(box.text, VersionText);
    QCOMPARE(box.title, QStringLiteral("バージョン情報"));
    QCOMPARE(box.buttons, Buttons::Ok);
    QVERIFY(env.launcher.calls.isEmpty());
    QCOMPARE(env.page(2), QStringLiteral("untouched"));
    QCOMPARE(env.processEnded, 0);
}

// Each command, chosen twice, starts its program twice: detached, minimised
// and active, with the document or address as its one argument.
void TestHousekeeping::launches_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("help");
    QTest::newRow("help from the menu") << QStringLiteral("showHelp") << true;
    QTest::newRow("help by F1, menu never opened") << QStringLiteral("F1") << true;
    QTest::newRow("homepage from the menu") << QStringLiteral("homePage") << false;
}

void TestHousekeeping::launches() {
    QFETCH(QString, how);
    QFETCH(bool, help);
    TestEnv env;
    MainWindow& w = env.start();
    const QString doc = writeHelpDocument(env.dir.filePath(QStringLiteral("share/sorabun")));
    w.housekeeping.helpDirectories = {env.dir.filePath(QStringLiteral("share/sorabun"))};

    for (int i = 0; i < 2; ++i) {
        if (how == u"F1") {
            QApplication::setActiveWindow(&w);
            QVERIFY(QTest::qWaitForWindowActive(&w));
            QTest::keyClick(&w, Qt::Key_F1);
        } else {
            QVERIFY(triggerAction(&w, how));
        }
    }

    QCOMPARE(env.launcher.calls.size(), 2);
    for (const ScriptedLauncher::Call& call : env.launcher.calls) {
        QCOMPARE(call.program, QStringLiteral("xdg-open"));
        QCOMPARE(call.arguments, QStringList{help ? doc : HomePage});
        QCOMPARE(call.state, WindowState::MinimizedActive);
    }
    QVERIFY(env.prompts.calls.isEmpty());
    QCOMPARE(env.processEnded, 0);
}

// When nothing can be shown the user is told why and what to do instead; the
// program runs on.
void TestHousekeeping::failures_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("documentThere");
    QTest::addColumn<int>("launches");
    QTest::addColumn<QString>("message"); // "<doc>" stands for the document's path

    QTest::newRow("help document missing")
        << QStringLiteral("showHelp") << false << 0
        << QStringLiteral("ヘルプファイル（Velmirahelp.html）が見つかりませんでした。\r\n"
                          "Sorabun をインストールし直してください。");
    QTest::newRow("help viewer cannot start")
        << QStringLiteral("showHelp") << true << 1
        << QStringLiteral("ヘルプを表示するプログラム（xdg-open）を起動できませんでした。\r\n"
                          "次のファイルをブラウザーで開いてください: <doc>");
    QTest::newRow("browser cannot start")
        << QStringLiteral("homePage") << true << 1
        << QStringLiteral("ホームページを開くプログラム（xdg-open）を起動できませんでした。\r\n"
                          "次のアドレスをブラウザーで開いてください: https://sorabun.example.org/");
}

void TestHousekeeping::failures() {
    QFETCH(QString, item);
    QFETCH(bool, documentThere);
    QFETCH(int, launches);
    QFETCH(QString, message);
    TestEnv env;
    MainWindow& w = env.start();
    const QString dir = env.dir.filePath(QStringLiteral("help"));
    QDir().mkpath(dir);
    const QString doc = documentThere ? writeHelpDocument(dir) : QString();
    w.housekeeping.helpDirectories = {dir};
    env.launcher.startResult = [](const QString&) { return false; };

    env.prompts.answer(Answer::Ok);
    QVERIFY(triggerAction(&w, item));

    QCOMPARE(env.launcher.calls.size(), launches);
    QCOMPARE(env.prompts.calls.size(), 1);
    QCOMPARE(env.prompts.calls.first().text,
             QString(message).replace(QStringLiteral("<doc>"), doc));
    QCOMPARE(env.prompts.calls.first().title, QStringLiteral("Sorabun"));
    QCOMPARE(env.prompts.calls.first().buttons, Buttons::Ok);
    QCOMPARE(env.processEnded, 0);
    QVERIFY(w.isVisible());
}

// The help document is taken from the first folder that really holds it.
void TestHousekeeping::helpDocumentLookup_data() {
    QTest::addColumn<QStringList>("folders");      // relative to a temporary folder
    QTest::addColumn<QStringList>("withDocument"); // the folders holding a document
    QTest::addColumn<QStringList>("withFolder");   // a folder named like the document instead
    QTest::addColumn<int>("found");                // index into folders, -1 = none

    QTest::newRow("first of two wins")
        << QStringList{"a", "b"} << QStringList{"a", "b"} << QStringList{} << 0;
    QTest::newRow("missing in the first")
        << QStringList{"a", "b"} << QStringList{"b"} << QStringList{} << 1;
    QTest::newRow("a folder of that name is no document")
        << QStringList{"a", "b"} << QStringList{"b"} << QStringList{"a"} << 1;
    QTest::newRow("empty entries skipped")
        << QStringList{"", "b"} << QStringList{"b"} << QStringList{} << 1;
    QTest::newRow("path cleaned") << QStringList{"b/../b"} << QStringList{"b"} << QStringList{}
                                  << 0;
    QTest::newRow("nowhere") << QStringList{"a", "b"} << QStringList{} << QStringList{} << -1;
    QTest::newRow("no folders") << QStringList{} << QStringList{} << QStringList{} << -1;
}

void TestHousekeeping::helpDocumentLookup() {
    QFETCH(QStringList, folders);
    QFETCH(QStringList, withDocument);
    QFETCH(QStringList, withFolder);
    QFETCH(int, found);
    QTemporaryDir tmp;
    const QDir root(tmp.path());
    for (const QString& f : withDocument)
        writeHelpDocument(root.filePath(f));
    for (const QString& f : withFolder)
        QVERIFY(QDir().mkpath(root.filePath(f + QStringLiteral("/Velmirahelp.html"))));
    QStringList dirs;
    for (const QString& f : folders)
        dirs << (f.isEmpty() ? QString() : root.filePath(f));

    const QString expected =
        found < 0
            ? QString()
            : QDir::cleanPath(root.filePath(folders[found] + QStringLiteral("/Velmirahelp.html")));
    QCOMPARE(HousekeepingCommands::findHelpDocument(dirs), expected);
}

// An installed program looks beside its own folder first, then in the
// configured place; a program started from the build tree finds the copy the
// build puts there.
void TestHousekeeping::helpPlaces() {
    const QStringList dirs = HousekeepingCommands::defaultHelpDirectories();
    QVERIFY(!dirs.isEmpty());
    QCOMPARE(dirs.first(), QDir::cleanPath(QApplication::applicationDirPath() +
                                           QStringLiteral("/../share/sorabun")));
    QVERIFY(dirs.contains(QDir::cleanPath(QStringLiteral(SORABUN_DATADIR))));
    // tests/<test> and src/sorabun both lie one folder below the build root.
    QCOMPARE(HousekeepingCommands::findHelpDocument(dirs),
             dirs.first() + QStringLiteral("/Velmirahelp.html"));
}

void TestHousekeeping::uninstallNo() {
    TestEnv env;
    storeUsedMemo(*env.store);
    MainWindow& w = env.start();
    w.views().visible().setText(QStringLiteral("typed since the last switch"));

    env.prompts.answer(Answer::No);
    QVERIFY(triggerAction(&w, QStringLiteral("prepareUninstall")));

    QCOMPARE(env.prompts.calls.size(), 1);
    const PromptCall& question = env.prompts.calls.first();
    QCOMPARE(question.text, UninstallQuestion);
    QCOMPARE(question.title, QStringLiteral("アンインストール"));
    QCOMPARE(question.buttons, Buttons::YesNo);
    QCOMPARE(question.defaultButton, Answer::Yes);
    QCOMPARE(env.processEnded, 0);
    QVERIFY(w.isVisible());
    QCOMPARE(env.page(1), QStringLiteral("買い物\r\n牛乳"));
    QCOMPARE(env.page(9), QStringLiteral("最後のページ"));
    QCOMPARE(env.store->ReadSetting(QStringLiteral("FontSize")), QStringLiteral("10.5"));

    // The program goes on as before: a normal exit keeps what was typed.
    env.stop();
    env.reopenStore();
    QCOMPARE(env.page(3), QStringLiteral("typed since the last switch"));
    QCOMPARE(env.page(1), QStringLiteral("買い物\r\n牛乳"));
}

void TestHousekeeping::uninstallYes_data() {
    QTest::addColumn<bool>("usedMemo");
    QTest::addColumn<bool>("otherApplication");
    QTest::addColumn<QString>("leftover"); // a file of memo text beside the store
    QTest::newRow("a used memo") << true << false << "";
    QTest::newRow("a fresh installation, nothing stored") << false << false << "";
    QTest::newRow("another application shares the store") << true << true << "";
    QTest::newRow("a damaged store kept aside earlier") << true << false << "kept aside";
    QTest::newRow("a page written to a recovery file earlier") << true << false << "recovery";
    QTest::newRow("a page written to the runtime folder earlier")
        << true << false << "runtime recovery";
    QTest::newRow("the pages' history, a damaged one kept aside too") << true << false << "history";
}

void TestHousekeeping::uninstallYes() {
    QFETCH(bool, usedMemo);
    QFETCH(bool, otherApplication);
    QFETCH(QString, leftover);
    TestEnv env;
    const QString aside = env.storePath() + QStringLiteral(".damaged-20260101-000000");
    const QString runtime = env.dir.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    const QString recovery = leftover == u"runtime recovery"
                                 ? runtime + QStringLiteral("/sorabun/recovery")
                                 : env.dir.filePath(QStringLiteral("data/sorabun/recovery"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(env.dir.filePath(QStringLiteral("data"))));
    if (leftover == u"kept aside") {
        env.writeFile(QFileInfo(aside).fileName(), "SQLite format 3 and some memo text");
        env.writeFile(QFileInfo(aside).fileName() + QStringLiteral("-wal"), "more memo text");
    } else if (leftover.endsWith(u"recovery")) {
        QDir().mkpath(recovery + QStringLiteral("/20260101-000000-000"));
        QFile f(recovery + QStringLiteral("/20260101-000000-000/page-1.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    if (usedMemo)
        storeUsedMemo(*env.store);
    if (otherApplication)
        SettingsStore(env.storePath(), QStringLiteral("Other"), QStringLiteral("Main"))
            .WriteSetting(QStringLiteral("1"), QStringLiteral("not ours"));
    MainWindow& w = env.start();
    w.views().visible().setText(QStringLiteral("typed since the last switch"));
    const QString history = env.dir.filePath(QStringLiteral("history.sqlite"));
    if (leftover == u"history") {
        env.writeFile(QStringLiteral("history.sqlite.damaged-20260101-000000"), "old memo text");
        w.history().add(1, w.history().now(), QStringLiteral("memo of the past"));
        w.history().waitForBackground();
    }

    env.prompts.answer(Answer::Yes);
    env.prompts.answer(Answer::Ok);
    QVERIFY(triggerAction(&w, QStringLiteral("prepareUninstall")));

    QCOMPARE(env.prompts.calls.size(), 2);
    QCOMPARE(env.prompts.calls[0].text, UninstallQuestion);
    const PromptCall& done = env.prompts.calls[1];
    // Copies kept aside go with the rest; recovery files stay, and the
    // message names them.
    QCOMPARE(done.text, leftover.endsWith(u"recovery")
                            ? UninstallDone +
                                  QStringLiteral("\r\n\r\n次のファイルには以前のメモが残って"
                                                 "います。不要であれば削除してください:\r\n") +
                                  QDir::toNativeSeparators(recovery)
                            : UninstallDone);
    QVERIFY(!QFileInfo::exists(aside));
    QVERIFY(!QFileInfo::exists(aside + QStringLiteral("-wal")));
    QVERIFY(!QFileInfo::exists(history));
    QVERIFY(!QFileInfo::exists(history + QStringLiteral("-wal")));
    QCOMPARE(QDir(env.dir.path()).entryList({QStringLiteral("history.sqlite*")}), QStringList());
    QCOMPARE(done.title, QStringLiteral("Sorabun"));
    QCOMPARE(done.buttons, Buttons::Ok);
    QCOMPARE(env.processEnded, 1);
    // Nothing of the program is left on disk; a file shared with someone else stays.
    QCOMPARE(QFileInfo::exists(env.storePath()), otherApplication);

    // The process is gone: no shut-down runs.
    env.window.reset();
    env.reopenStore();
    QCOMPARE(keysLeft(*env.store), QStringList());
    if (otherApplication)
        QCOMPARE(SettingsStore(env.storePath(), QStringLiteral("Other"), QStringLiteral("Main"))
                     .ReadSetting(QStringLiteral("1")),
                 QStringLiteral("not ours"));

    // The next start is a first start.
    MainWindow& again = env.start();
    QCOMPARE(again.workspace().state.currentPage, 1);
    QCOMPARE(again.views().visible().text(), QString());
    QVERIFY(again.views().wrappedShown());
    QCOMPARE(again.workspace().state.ignoreCommandLine, 0);
    QCOMPARE(again.workspace().state.fillBlankPages, 0);
    QVERIFY(!again.views().wrappedView.font().bold());
    QCOMPARE(again.views().wrappedView.font().pointSizeF(), 12.0);
}

// A store that refuses the erase must not be reported as erased: the memo is
// still there, the user is told so, and the program runs on keeping it.
void TestHousekeeping::uninstallWhenEraseFails() {
    TestEnv env;
    storeUsedMemo(*env.store);
    MainWindow& w = env.start();
    w.views().visible().setText(QStringLiteral("typed since the last switch"));
    QVERIFY(refuseDeletes(env.storePath()));

    env.prompts.answer(Answer::Yes);
    env.prompts.answer(Answer::Ok);
    QVERIFY(triggerAction(&w, QStringLiteral("prepareUninstall")));

    QCOMPARE(env.prompts.calls.size(), 2);
    const PromptCall& failed = env.prompts.calls[1];
    QCOMPARE(failed.text,
             QStringLiteral("メモの内容を削除できませんでした。メモはそのまま残っています。\r\n"
                            "ほかに Sorabun を起動している場合はすべて終了してから、"
                            "もう一度アンインストールの準備を行ってください。"));
    QCOMPARE(failed.title, QStringLiteral("アンインストール"));
    QCOMPARE(failed.buttons, Buttons::Ok);
    QCOMPARE(env.processEnded, 0);
    QVERIFY(w.isVisible());
    QCOMPARE(env.page(9), QStringLiteral("最後のページ"));

    env.stop();
    env.reopenStore();
    QCOMPARE(env.page(3), QStringLiteral("typed since the last switch"));
    QCOMPARE(env.page(1), QStringLiteral("買い物\r\n牛乳"));
}

QTEST_MAIN(TestHousekeeping)
#include "tst_housekeeping.moc"
