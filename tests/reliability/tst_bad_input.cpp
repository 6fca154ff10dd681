// Bad input of every kind, each with the outcome a user sees: files that are
// damaged, huge, empty or not files at all, read directly and through the
// Open dialog; command lines with a thousand names, empty names and missing
// files; a damaged or foreign store; stored values no run of the program
// writes. Nothing crashes, nothing hangs, nothing stored is lost.

#include "files/text_file.h"
#include "platform/twips.h"
#include "support/modal_driver.h"
#include "support/store_checks.h"
#include "support/test_env.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QScreen>
#include <QTest>

#include <sqlite3.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString AppTitle = QStringLiteral("Sorabun");
const QString TooLargeQuestion =
    QStringLiteral("ファイルが大きすぎます。ファイルのパスをワードパットに送りますか？");

// One line of the 100 MB file: 500 Japanese characters and CR LF.
QString bigLine() {
    const QString chunk = QStringLiteral("日本語のテキストファイル。");
    QString line;
    while (line.size() < 500)
        line += chunk;
    line.truncate(500);
    return line + QStringLiteral("\r\n");
}
constexpr qsizetype BigLines = 100 * 1000; // 1,002 bytes each: 100 MB

// Makes the bad input of one kind in dir and returns the path to give.
QString makeInput(const QString& kind, const QString& dir) {
    auto file = [&](const QString& name, const QByteArray& bytes) {
        const QString path = dir + u'/' + name;
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    };
    if (kind == u"invalid code page 932 bytes")
        // "あ", a lead byte followed by a byte no character continues with,
        // two bytes that are no character at all.
        return file(QStringLiteral("invalid.txt"), QByteArray("\x82\xa0|\x81\x20|\xa0\xfd|x"));
    if (kind == u"a lead byte cut off at the end")
        return file(QStringLiteral("cut.txt"), QByteArray("ab\x82"));
    if (kind == u"bad bytes after a UTF-8 mark")
        return file(QStringLiteral("bad-utf8.txt"), QByteArray("\xEF\xBB\xBF"
                                                               "a\xFF"
                                                               "b\xE3\x81"));
    if (kind == u"UTF-16 with an odd last byte")
        return file(QStringLiteral("odd.txt"), QByteArray("\xFF\xFE"
                                                          "a\0b",
                                                          5));
    if (kind == u"UTF-16 with a lone surrogate")
        return file(QStringLiteral("surrogate.txt"), QByteArray("\xFF\xFE\x3D\xD8z\0", 6));
    if (kind == u"only a UTF-8 mark")
        return file(QStringLiteral("mark.txt"), QByteArray("\xEF\xBB\xBF"));
    if (kind == u"NUL bytes")
        return file(QStringLiteral("nul.txt"), QByteArray("a\0b\r\n\0", 6));
    if (kind == u"zero length")
        return file(QStringLiteral("empty.txt"), QByteArray());
    if (kind == u"100 MB") {
        const QByteArray line = textfile::encode(bigLine());
        QByteArray bytes;
        bytes.reserve(line.size() * BigLines);
        for (qsizetype i = 0; i < BigLines; ++i)
            bytes += line;
        return file(QStringLiteral("big.txt"), bytes);
    }
    if (kind == u"larger than the views take") {
        // Sparse: takes no room on the disk.
        const QString path = dir + QStringLiteral("/huge.txt");
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.resize(textfile::MaxFileBytes + 1);
        return path;
    }
    if (kind == u"a directory") {
        QDir(dir).mkdir(QStringLiteral("folder.txt"));
        return dir + QStringLiteral("/folder.txt");
    }
    if (kind == u"a FIFO with no writer") {
        const QString path = dir + QStringLiteral("/fifo.txt");
        ::mkfifo(QFile::encodeName(path).constData(), 0666);
        return path;
    }
    if (kind == u"an endless device")
        return QStringLiteral("/dev/zero");
    if (kind == u"no read permission") {
        const QString path = file(QStringLiteral("secret.txt"), "secret");
        ::chmod(QFile::encodeName(path).constData(), 0);
        return path;
    }
    if (kind == u"a dangling symbolic link") {
        const QString path = dir + QStringLiteral("/link.txt");
        QFile::link(dir + QStringLiteral("/gone.txt"), path);
        return path;
    }
    if (kind == u"spaces, quotes, a semicolon and Japanese in the name")
        return file(QStringLiteral("my \"memo\" 'a;b' 日本語 $(x).txt"), "\x83\x81\x83\x82");
    if (kind == u"a missing file")
        return dir + QStringLiteral("/missing.txt");
    if (kind == u"a file used as a folder") {
        file(QStringLiteral("plain.txt"), "x");
        return dir + QStringLiteral("/plain.txt/inner.txt");
    }
    if (kind == u"an empty name")
        return QString();
    return QStringLiteral("/unknown kind");
}

// dialog: the rows that make sense through the Open dialog (a name can only
// be chosen there when it is not empty).
void addFileRows(bool dialog) {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("failure");
    QTest::addColumn<qlonglong>("length"); // of the text read
    QTest::addColumn<QString>("head");     // the text read starts with this
    using namespace textfile;
    auto row = [](const char* kind, int failure, qlonglong length, const QString& head) {
        QTest::newRow(kind) << QString::fromUtf8(kind) << failure << length << head;
    };
    // Each byte that makes no character becomes U+001A, the code page's own
    // substitute; everything around it is kept.
    row("invalid code page 932 bytes", None, 9, QStringLiteral("あ|\x1a |\x1a\x1a|x"));
    // A file cut off inside a character keeps what it has, and the stray
    // byte shows as a substitute rather than vanishing.
    row("a lead byte cut off at the end", None, 3, QStringLiteral("ab\x1a"));
    // After a byte-order mark, each byte that makes no character shows as
    // U+FFFD, and so does an odd last byte of UTF-16; a lone surrogate stays.
    row("bad bytes after a UTF-8 mark", None, 5, QStringLiteral("a\uFFFDb\uFFFD\uFFFD"));
    row("UTF-16 with an odd last byte", None, 2, QStringLiteral("a\uFFFD"));
    row("UTF-16 with a lone surrogate", None, 2, QString(QChar(0xD83D)) + u'z');
    row("only a UTF-8 mark", None, 0, QString());
    row("NUL bytes", None, 6, QString::fromUtf16(u"a\0b\r\n\0", 6));
    row("zero length", None, 0, QString());
    row("100 MB", None, 502 * BigLines, bigLine());
    row("larger than the views take", TooLarge, 0, QString());
    row("a directory", PathFileAccess, 0, QString());
    row("a FIFO with no writer", PathFileAccess, 0, QString());
    row("an endless device", PathFileAccess, 0, QString());
    row("no read permission", PermissionDenied, 0, QString());
    row("a dangling symbolic link", FileNotFound, 0, QString());
    row("spaces, quotes, a semicolon and Japanese in the name", None, 2, QStringLiteral("メモ"));
    row("a missing file", FileNotFound, 0, QString());
    row("a file used as a folder", PathNotFound, 0, QString());
    if (!dialog)
        row("an empty name", BadFileName, 0, QString());
}

// A store file of one kind of damage, in place at path.
void damageStore(const QString& kind, const QString& path) {
    QFile::remove(path);
    if (kind == u"random bytes") {
        QByteArray bytes(70000, Qt::Uninitialized);
        quint32 s = 12345;
        for (char& c : bytes) {
            s = s * 1103515245u + 12345u;
            c = char(s >> 24);
        }
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    } else if (kind == u"a text file") {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write("Page=3\n1=hello\n");
    } else if (kind == u"another program's database") {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE notes (id INTEGER, body TEXT);"
                     "INSERT INTO notes VALUES (1, 'theirs')",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    } else if (kind == u"a store cut in half") {
        {
            SettingsStore store(path);
            for (int p = 1; p <= 9; ++p)
                store.WriteSetting(QString::number(p), QString(200000, QChar(u'a' + p)));
        }
        QFile f(path);
        if (f.open(QIODevice::ReadWrite))
            f.resize(f.size() / 2);
    } else if (kind == u"a folder in its place") {
        QDir().mkpath(path);
    }
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        // Shut-down asks the application to quit; the next test's dialogs
        // must still open.
        clearQuitRequest();
    }

    void readTextFile_data() { addFileRows(false); }

    void readTextFile() {
        QFETCH(QString, kind);
        QFETCH(int, failure);
        QFETCH(qlonglong, length);
        QFETCH(QString, head);
        QTemporaryDir dir;
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        const QString path = makeInput(kind, dir.path());
        QElapsedTimer t;
        t.start();
        textfile::ReadResult r;
        {
            AsOrdinaryUser user;
            r = textfile::ReadTextFile(path);
        }
        QCOMPARE(r.failure, failure);
        QCOMPARE(r.text.size(), length);
        QVERIFY(r.text.startsWith(head));
        if (failure != textfile::None)
            QVERIFY2(t.elapsed() < 2000, "a file that cannot be read is refused at once");
    }

    // The same files through File > Open > 現在のページに展開: the page on show
    // changes only for a file that was read, and every failure is told.
    void openText_data() { addFileRows(true); }

    void openText() {
        QFETCH(QString, kind);
        QFETCH(int, failure);
        QFETCH(qlonglong, length);
        QFETCH(QString, head);
        TestEnv env;
        ::chmod(QFile::encodeName(env.dir.path()).constData(), 0755);
        const QString page = QStringLiteral("書きかけ\r\nのメモ");
        env.setPage(1, page);
        MainWindow& w = env.start();
        const QString path = makeInput(kind, env.dir.path());
        env.com.chooseFile(path);
        if (failure == textfile::TooLarge)
            env.prompts.answer(Prompts::Answer::No);
        else if (failure != textfile::None)
            env.prompts.answer(Prompts::Answer::Ok);
        {
            AsOrdinaryUser user;
            QVERIFY(triggerAction(&w, QStringLiteral("openIntoPage")));
        }
        TextView& shown = w.views().visible();
        if (failure == textfile::TooLarge) {
            QCOMPARE(env.prompts.calls.size(), 1);
            QCOMPARE(env.prompts.calls[0].text, TooLargeQuestion);
            QCOMPARE(env.prompts.calls[0].title, QStringLiteral("開く"));
            QCOMPARE(shown.text(), page);
        } else if (failure != textfile::None) {
            QCOMPARE(env.prompts.calls.size(), 1);
            QCOMPARE(env.prompts.calls[0].text, textfile::failureMessage(failure));
            QCOMPARE(env.prompts.calls[0].title, AppTitle);
            QCOMPARE(env.prompts.calls[0].buttons, Prompts::Buttons::Ok);
            QCOMPARE(shown.text(), page);
        } else if (length == 0) {
            QVERIFY(env.prompts.calls.isEmpty());
            QCOMPARE(shown.text(), page);
        } else {
            QVERIFY(env.prompts.calls.isEmpty());
            QCOMPARE(shown.textLength(), length);
            QCOMPARE(shown.text().left(head.size()), head);
            QCOMPARE(shown.selStart(), 0);
        }
        // The page in the store catches up at shut-down, whole.
        const QString expected = shown.text();
        env.stop();
        QCOMPARE(env.page(1).size(), expected.size());
        QVERIFY(env.page(1) == expected);
    }

    // Names on the command line: the dialog comes up with what could not be
    // placed, the pages that hold text keep it, and start-up never hangs.
    void commandLines_data() {
        QTest::addColumn<QString>("names");
        QTest::addColumn<int>("autoOP");
        QTest::addColumn<int>("noeNumOP");
        QTest::addColumn<int>("listed");    // entries in the dialog; -1: no dialog
        QTest::addColumn<QString>("pages"); // what pages 1-9 hold afterwards
        // pages: '.' blank, 'k' the text kept on page 5, a digit: file number n
        QTest::newRow("1,000 files, filled into blank pages")
            << "files" << 1 << 0 << 1000 - 8 << "0123k4567";
        QTest::newRow("1,000 files, all into the dialog")
            << "files" << 0 << 0 << 1000 << "....k....";
        QTest::newRow("1,000 missing files") << "missing" << 1 << 0 << 1000 << "....k....";
        QTest::newRow("1,000 empty names") << "empty" << 1 << 0 << 1000 << "....k....";
        QTest::newRow("one empty name counts as none")
            << "one empty" << 1 << 1 << -1 << "....k....";
        QTest::newRow("one missing file for the last page")
            << "one missing" << 0 << 1 << 1 << "....k....";
        QTest::newRow("a FIFO and a folder among files") << "special" << 1 << 0 << 2 << "01..k....";
    }

    void commandLines() {
        QFETCH(QString, names);
        QFETCH(int, autoOP);
        QFETCH(int, noeNumOP);
        QFETCH(int, listed);
        QFETCH(QString, pages);
        TestEnv env;
        env.store->WriteSetting(QStringLiteral("AutoOP"), QString::number(autoOP));
        env.store->WriteSetting(QStringLiteral("NoeNumOP"), QString::number(noeNumOP));
        env.store->WriteSetting(QStringLiteral("Page"), QStringLiteral("5"));
        const QString kept = QStringLiteral("このページは残る");
        env.setPage(5, kept);
        auto fileText = [](int n) { return QStringLiteral("ファイル %1").arg(n); };
        QStringList args;
        if (names == u"files") {
            for (int i = 0; i < 1000; ++i)
                args << env.writeFile(QStringLiteral("f%1.txt").arg(i, 4, 10, QChar(u'0')),
                                      textfile::encode(fileText(i)));
        } else if (names == u"missing") {
            for (int i = 0; i < 1000; ++i)
                args << env.dir.filePath(QStringLiteral("gone%1.txt").arg(i));
        } else if (names == u"empty") {
            args = QStringList(1000, QString());
        } else if (names == u"one empty") {
            args = {QString()};
        } else if (names == u"one missing") {
            args = {env.dir.filePath(QStringLiteral("gone.txt"))};
        } else if (names == u"special") {
            ::mkfifo(QFile::encodeName(env.dir.filePath(QStringLiteral("fifo"))).constData(), 0600);
            QDir(env.dir.path()).mkdir(QStringLiteral("folder"));
            args = {env.writeFile(QStringLiteral("f0.txt"), textfile::encode(fileText(0))),
                    env.dir.filePath(QStringLiteral("fifo")),
                    env.dir.filePath(QStringLiteral("folder")),
                    env.writeFile(QStringLiteral("f1.txt"), textfile::encode(fileText(1)))};
        }
        int shownEntries = -1;
        ModalDriver driver(QStringLiteral("DistributionDialog"), [&](QDialog& d) {
            shownEntries = d.findChild<QListWidget*>()->count();
        });
        QElapsedTimer t;
        t.start();
        MainWindow& w = env.start(args);
        QVERIFY2(t.elapsed() < 30000, "start-up with many names finishes");
        QCOMPARE(shownEntries, listed);
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorabun - 5"));
        QCOMPARE(w.views().visible().text(), kept);
        for (int p = 1; p <= 9; ++p) {
            const QChar c = pages[p - 1];
            const QString expected = c == u'.'   ? QString()
                                     : c == u'k' ? kept
                                                 : fileText(c.digitValue());
            QCOMPARE(env.page(p), expected);
        }
    }

    // A store that is no store of ours: the program starts on an empty one
    // and keeps the old file aside, byte for byte.
    void damagedStore_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("keptAside");
        QTest::newRow("random bytes") << "random bytes" << true;
        QTest::newRow("a text file") << "a text file" << true;
        QTest::newRow("another program's database") << "another program's database" << true;
        QTest::newRow("a store cut in half") << "a store cut in half" << true;
        QTest::newRow("a folder in its place") << "a folder in its place" << true;
    }

    void damagedStore() {
        QFETCH(QString, kind);
        QFETCH(bool, keptAside);
        TestEnv env;
        env.store.reset();
        damageStore(kind, env.storePath());
        const bool folder = QFileInfo(env.storePath()).isDir();
        QByteArray before;
        if (!folder) {
            QFile f(env.storePath());
            QVERIFY(f.open(QIODevice::ReadOnly));
            before = f.readAll();
        }
        env.reopenStore();
        QCOMPARE(!env.store->keptAsidePath().isEmpty(), keptAside);
        QVERIFY2(env.store->isOpen(), "the program gets a working store");
        // The user is told once where the old file went.
        env.prompts.answer(Prompts::Answer::Ok);
        MainWindow& w = env.start();
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorabun - 1"));
        QCOMPARE(w.views().visible().text(), QString());
        QCOMPARE(env.prompts.calls.size(), 1);
        QVERIFY(env.prompts.calls[0].text.contains(env.store->keptAsidePath()));
        env.prompts.calls.clear();
        QTest::keyClicks(&w.views().visible(), QStringLiteral("new"));
        const QString aside = env.store->keptAsidePath();
        env.stop();
        if (!folder) {
            QFile f(aside);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY2(f.readAll() == before, "the damaged file is kept as it was");
        } else {
            QVERIFY(QFileInfo(aside).isDir());
        }
        env.reopenStore();
        QVERIFY(env.store->keptAsidePath().isEmpty());
        QCOMPARE(env.page(1), QStringLiteral("new"));
        QCOMPARE(env.store->ReadSetting(QStringLiteral("Page")), QStringLiteral("1"));
        env.start();
        QVERIFY2(env.prompts.calls.isEmpty(), "the next start says nothing more");
    }

    // Values no run of the program writes: start-up takes the nearest sound
    // value, and shut-down writes sound values back without losing a page.
    void storeValuesOutOfRange_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("page");
        QTest::addColumn<qlonglong>("selStart");
        QTest::addColumn<qlonglong>("selLen");
        QTest::addColumn<double>("pointSize");
        QTest::addColumn<bool>("wrap");
        // The base store: page 2 "一行目\r\n二行目" (8 units) shown with the
        // caret at 3 and 2 selected, font 14 pt, word wrap on.
        auto row = [](const char* name, const char* key, const char* value, int page,
                      qlonglong start, qlonglong len, double size, bool wrap) {
            QTest::newRow(name) << QString::fromUtf8(key) << QString::fromUtf8(value) << page
                                << start << len << size << wrap;
        };
        row("no damage", "", "", 2, 3, 2, 14, true);
        // The caret and selection are restored in whatever page is shown.
        row("Page 12", "Page", "12", 1, 3, 2, 14, true);
        row("Page 0", "Page", "0", 1, 3, 2, 14, true);
        row("Page -3", "Page", "-3", 1, 3, 2, 14, true);
        row("Page text", "Page", "two", 1, 3, 2, 14, true);
        row("Page 2147483648", "Page", "2147483648", 1, 3, 2, 14, true);
        row("SelStart -5", "SelStart", "-5", 2, 0, 2, 14, true);
        row("SelStart beyond the text", "SelStart", "99999999999", 2, 8, 0, 14, true);
        row("SelStart inside a CR LF", "SelStart", "4", 2, 3, 2, 14, true);
        row("SelLen -7", "SelLen", "-7", 2, 3, 0, 14, true);
        row("SelLen 1e20", "SelLen", "1e20", 2, 3, 5, 14, true);
        row("FontSize -3", "FontSize", "-3", 2, 3, 2, 12, true);
        row("FontSize 0", "FontSize", "0", 2, 3, 2, 12, true);
        row("FontSize 99999", "FontSize", "99999", 2, 3, 2, 12, true);
        row("FontSize 1e400", "FontSize", "1e400", 2, 3, 2, 12, true);
        row("FontSize garbage", "FontSize", "big", 2, 3, 2, 12, true);
        row("FontC garbage", "FontC", "red!", 2, 3, 2, 14, true);
        row("FontC beyond 32 bits", "FontC", "99999999999999", 2, 3, 2, 14, true);
        row("FontName of control characters", "FontName", "\x01\x02\x7f", 2, 3, 2, 14, true);
        row("Ret garbage", "Ret", "maybe", 2, 3, 2, 14, false);
        row("Left on a screen no longer there", "Left", "40000", 2, 3, 2, 14, true);
        row("Left far off the screen", "Left", "1e12", 2, 3, 2, 14, true);
        row("Left negative far off", "Left", "-1e15", 2, 3, 2, 14, true);
        row("Width huge", "Width", "1e12", 2, 3, 2, 14, true);
        row("Height huge", "Height", "1e300", 2, 3, 2, 14, true);
        row("Width negative", "Width", "-5000", 2, 3, 2, 14, true);
        row("Window state 7", "Window", "7", 2, 3, 2, 14, true);
        row("ComLine -9", "ComLine", "-9", 2, 3, 2, 14, true);
    }

    void storeValuesOutOfRange() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, page);
        QFETCH(qlonglong, selStart);
        QFETCH(qlonglong, selLen);
        QFETCH(double, pointSize);
        QFETCH(bool, wrap);
        TestEnv env;
        QStringList texts;
        for (int p = 1; p <= 9; ++p) {
            texts << (p == 2 ? QStringLiteral("一行目\r\n二行目")
                             : QStringLiteral("ページ%1の中身").arg(p));
            env.setPage(p, texts.last());
        }
        const QList<QPair<const char*, const char*>> base = {
            {"Page", "2"},     {"SelStart", "3"}, {"SelLen", "2"},   {"FontSize", "14"},
            {"FontBold", "0"}, {"Ret", "True"},   {"Window", "0"},   {"Left", "1000"},
            {"Top", "1000"},   {"Width", "9000"}, {"Height", "7000"}};
        for (const auto& [k, v] : base)
            env.store->WriteSetting(QString::fromLatin1(k), QString::fromLatin1(v));
        if (!key.isEmpty())
            env.store->WriteSetting(key, value);

        MainWindow& w = env.start();
        QVERIFY(env.prompts.calls.isEmpty());
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorabun - %1").arg(page));
        TextView& shown = w.views().visible();
        QCOMPARE(shown.text(), texts[page - 1]);
        QCOMPARE(shown.selStart(), selStart);
        QCOMPARE(shown.selLength(), selLen);
        QCOMPARE(shown.font().pointSizeF(), pointSize);
        QCOMPARE(w.views().wrappedShown(), wrap);
        // The window can be seen and used: on the screen, at a usable size.
        const QRect screen = w.screen()->availableGeometry();
        QVERIFY2(w.frameGeometry().intersects(screen), "the window is on the screen");
        QVERIFY2(w.width() <= 4 * screen.width() && w.height() <= 4 * screen.height(),
                 "the window is not absurdly large");
        const double screenRight = twips::fromPx(screen.right() + 1, &w);
        env.stop();
        // Nothing lost, and every number written back is one the next run takes.
        for (int p = 1; p <= 9; ++p)
            QCOMPARE(env.page(p), texts[p - 1]);
        const int storedPage = env.store->ReadSetting(QStringLiteral("Page")).toInt();
        QVERIFY(storedPage >= 1 && storedPage <= 9);
        for (const char* k : {"Left", "Top", "Width", "Height", "SelStart", "SelLen", "FontSize"}) {
            bool ok = false;
            const double v = env.store->ReadSetting(QString::fromLatin1(k)).toDouble(&ok);
            QVERIFY2(ok && std::isfinite(v),
                     qPrintable(QStringLiteral("%1 is written as a plain number, not %2")
                                    .arg(QString::fromLatin1(k),
                                         env.store->ReadSetting(QString::fromLatin1(k)))));
        }
        // The placement written back lies on the screen again.
        QVERIFY(std::abs(env.store->ReadSetting(QStringLiteral("Left")).toDouble()) < screenRight);
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_bad_input.moc"
