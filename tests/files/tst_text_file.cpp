#include "files/text_file.h"
#include "support/file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace textfile;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool putBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// What the code page's converter itself reads the bytes as, a lead byte cut
// off at the end kept as a character of its own.
QString converted(const QByteArray& bytes) {
    QStringDecoder decoder("windows-31j");
    QString text = decoder.decode(bytes);
    const QString tail = decoder.decode(QByteArrayView("\n", 1));
    return text.append(QStringView(tail).chopped(1));
}

// Unlike QString::fromUtf16, keeps a leading U+FEFF.
QString u(const char16_t* s) {
    return QStringView(s).toString();
}

} // namespace

class TextFileTest : public QObject {
    Q_OBJECT
private slots:
    void readsBytesAsTheyAre_data();
    void readsBytesAsTheyAre();
    void roundTripKeepsBytes();
    void readsAsTheConverter_data();
    void readsAsTheConverter();
    void readFailures_data();
    void readFailures();
    void unrepresentable_data();
    void unrepresentable();
    void writesWholeFile();
    void writeFailuresKeepOldFile_data();
    void writeFailuresKeepOldFile();
    void failureMessageText();

private:
    QTemporaryDir m_dir;
};

void TextFileTest::readsBytesAsTheyAre_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("ascii") << QByteArray("abc") << QStringLiteral("abc");
    QTest::newRow("CR LF kept") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("LF only kept") << QByteArray("a\nb\n") << QStringLiteral("a\nb\n");
    QTest::newRow("lone CR kept") << QByteArray("a\rb") << QStringLiteral("a\rb");
    QTest::newRow("tab and NUL kept")
        << QByteArray("a\tb\0c", 5) << QString::fromUtf16(u"a\tb\0c", 5);
    QTest::newRow("hiragana a") << QByteArray("\x82\xA0") << u(u"あ");
    QTest::newRow("circled one (NEC row 13)") << QByteArray("\x87\x40") << u(u"①");
    QTest::newRow("full-width tilde") << QByteArray("\x81\x60") << u(u"\uFF5E");
    QTest::newRow("taka (IBM extension)") << QByteArray("\xFB\xFC") << u(u"髙");
    QTest::newRow("half-width katakana") << QByteArray("\xB1\xDF") << u(u"ｱﾟ");
    QTest::newRow("backslash and tilde stay ASCII") << QByteArray("\\~") << QStringLiteral("\\~");
    QTest::newRow("mixed line") << QByteArray("\x93\xfa\x96\x7b\x8c\xea abc\r\n\x82\xa0\n")
                                << u(u"日本語 abc\r\nあ\n");
    // No byte-order mark detection: the three bytes are ordinary code page
    // 932 bytes and do not vanish.
    QTest::newRow("UTF-8 mark not detected") << QByteArray("\xEF\xBB\xBF"
                                                           "a")
                                             << u(u"\uFFFD\uFF7Fa");
}

void TextFileTest::readsBytesAsTheyAre() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString path = m_dir.filePath(QStringLiteral("read.txt"));
    QVERIFY(putBytes(path, bytes));
    const ReadResult r = ReadTextFile(path);
    QCOMPARE(r.failure, int(None));
    QCOMPARE(r.text, text);
    QCOMPARE(r.text.isNull() || r.text.isEmpty(), text.isEmpty());
}

void TextFileTest::roundTripKeepsBytes() {
    // Every double-byte character that decodes to one of its own comes back
    // as the same bytes, line ends and ASCII included.
    const QByteArray bytes("\x82\xA0\x87\x40\x81\x60\xFB\xFC\x88\x9F\r\n\\~\n\r\xB1");
    QCOMPARE(encode(decode(bytes)), bytes);
    QVERIFY(representable(decode(bytes)));
}

void TextFileTest::readsAsTheConverter_data() {
    QTest::addColumn<QByteArray>("bytes");
    QByteArray pairs, cut;
    // Every pair of bytes, each followed by a character of its own, and each
    // byte alone at the very end.
    for (int c = 0; c < 256; ++c) {
        for (int t = 0; t < 256; ++t)
            pairs.append(char(c)).append(char(t)).append('a');
        QTest::addRow("byte %02x at the end", c) << (QByteArray("ab") + char(c));
    }
    QTest::newRow("every pair") << pairs;
    QRandomGenerator random(932);
    for (int round = 0; round < 4; ++round) {
        QByteArray junk(1 << 16, Qt::Uninitialized);
        for (char& b : junk)
            b = char(random.bounded(256));
        QTest::addRow("random bytes %d", round) << junk;
    }
}

void TextFileTest::readsAsTheConverter() {
    QFETCH(QByteArray, bytes);
    QCOMPARE(decode(bytes), converted(bytes));
}

void TextFileTest::readFailures_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("failure");
    QTest::newRow("missing file") << "missing" << int(FileNotFound);
    QTest::newRow("folder") << "folder" << int(PathFileAccess);
    QTest::newRow("named pipe, no writer") << "fifo" << int(PathFileAccess);
    QTest::newRow("part of the path is a file") << "under-file" << int(PathNotFound);
    QTest::newRow("missing folder") << "missing-folder" << int(FileNotFound);
    QTest::newRow("empty name") << "empty" << int(BadFileName);
    QTest::newRow("dangling link") << "dangling" << int(FileNotFound);
    QTest::newRow("no read permission") << "unreadable" << int(PermissionDenied);
    QTest::newRow("larger than the views take") << "huge" << int(TooLarge);
}

void TextFileTest::readFailures() {
    QFETCH(QString, kind);
    QFETCH(int, failure);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("x.txt"));
    if (kind == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("x.txt")));
    } else if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"under-file") {
        QVERIFY(putBytes(path, "a"));
        path += QStringLiteral("/inner.txt");
    } else if (kind == u"missing-folder") {
        path = dir.filePath(QStringLiteral("nowhere/x.txt"));
    } else if (kind == u"empty") {
        path.clear();
    } else if (kind == u"dangling") {
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.txt")), path));
    } else if (kind == u"unreadable") {
        if (::geteuid() == 0)
            QSKIP("permission bits do not stop the superuser from reading");
        QVERIFY(putBytes(path, "secret"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    } else if (kind == u"huge") {
        // A sparse file: its length alone is refused, nothing is read.
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(MaxFileBytes + 1));
    }
    QElapsedTimer clock;
    clock.start();
    const ReadResult r = ReadTextFile(path);
    QCOMPARE(r.failure, failure);
    QVERIFY(r.text.isEmpty());
    QVERIFY2(clock.elapsed() < 5000, "reading must never wait for a writer or read a huge file");
}

void TextFileTest::unrepresentable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("written"); // the bytes, each "?" in place
    QTest::newRow("plain Japanese fits")
        << u(u"あいう①髙～\r\n") << 0
        << QByteArray("\x82\xA0\x82\xA2\x82\xA4\x87\x40\xFB\xFC\x81\x60\r\n");
    QTest::newRow("empty") << QString() << 0 << QByteArray();
    QTest::newRow("emoji is one character") << u(u"a\U0001F600b") << 1 << QByteArray("a?b");
    // The JIS forms Japanese input methods type, as the bytes of the forms
    // code page 932 holds them under.
    QTest::newRow("wave dash") << u(u"1\u301C2") << 0
                               << QByteArray("1\x81\x60"
                                             "2");
    QTest::newRow("minus sign") << u(u"\u2212") << 0 << QByteArray("\x81\x7C");
    QTest::newRow("double vertical line") << u(u"\u2016") << 0 << QByteArray("\x81\x61");
    QTest::newRow("cent sign") << u(u"\u00A2") << 0 << QByteArray("\x81\x91");
    QTest::newRow("pound sign") << u(u"\u00A3") << 0 << QByteArray("\x81\x92");
    QTest::newRow("not sign") << u(u"\u00AC") << 0 << QByteArray("\x81\xCA");
    QTest::newRow("em dash") << u(u"\u2014") << 0 << QByteArray("\x81\x5C");
    QTest::newRow("yen sign (no best fit)") << u(u"\u00A5100") << 1 << QByteArray("?100");
    QTest::newRow("accented letter") << u(u"caf\u00E9") << 1 << QByteArray("caf?");
    QTest::newRow("byte-order mark would vanish") << u(u"\uFEFFx") << 1 << QByteArray("?x");
    QTest::newRow("lone surrogate") << QString(QChar(0xD83D)) + u'z' << 1 << QByteArray("?z");
    QTest::newRow("several, kept in order")
        << u(u"\U0001F600あ\u301C\r\n\U0001F600") << 2 << QByteArray("?\x82\xA0\x81\x60\r\n?");
}

void TextFileTest::unrepresentable() {
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(QByteArray, written);
    QCOMPARE(countUnrepresentable(text), qsizetype(count));
    QCOMPARE(representable(text), count == 0);
    const QString replaced = replaceUnrepresentable(text);
    QVERIFY(representable(replaced));
    QCOMPARE(encode(replaced), written);
    // What is written reads back as text that is written as the same bytes.
    QCOMPARE(encode(decode(written)), written);
}

void TextFileTest::writesWholeFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    QCOMPARE(writeWhole(path, "first\r\n"), int(None));
    QCOMPARE(readBytes(path), QByteArray("first\r\n"));
    QCOMPARE(writeWhole(path, "2\r\n"), int(None));
    QCOMPARE(readBytes(path), QByteArray("2\r\n"));
    QCOMPARE(writeWhole(path, QByteArray()), int(None));
    QCOMPARE(QFileInfo(path).size(), 0);
    // Nothing is left behind in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), {QStringLiteral("out.txt")});
}

void TextFileTest::writeFailuresKeepOldFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("failure");
    QTest::newRow("folder of that name") << "folder" << int(PathFileAccess);
    QTest::newRow("named pipe of that name") << "fifo" << int(PathFileAccess);
    QTest::newRow("part of the path is a file") << "under-file" << int(PathNotFound);
    QTest::newRow("missing folder") << "missing-folder" << int(PathNotFound);
    QTest::newRow("read-only folder") << "read-only-folder" << int(PermissionDenied);
    QTest::newRow("read-only file") << "read-only-file" << int(PermissionDenied);
    QTest::newRow("no room mid-write") << "no-room" << int(DiskFull);
}

void TextFileTest::writeFailuresKeepOldFile() {
    QFETCH(QString, kind);
    QFETCH(int, failure);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("f"));
    QVERIFY(QDir().mkpath(folder));
    QString path = folder + QStringLiteral("/old.txt");
    const QByteArray old("old content\r\n");
    QVERIFY(putBytes(path, old));
    const QByteArray fresh = QByteArray(64 * 1024, 'n');
    std::unique_ptr<FileSizeLimit> limit;

    if (kind == u"folder") {
        path = folder + QStringLiteral("/sub");
        QVERIFY(QDir(folder).mkdir(QStringLiteral("sub")));
    } else if (kind == u"fifo") {
        path = folder + QStringLiteral("/pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"under-file") {
        path += QStringLiteral("/inner.txt");
    } else if (kind == u"missing-folder") {
        path = folder + QStringLiteral("/nowhere/x.txt");
    } else if (kind == u"read-only-folder") {
        if (::geteuid() == 0)
            QSKIP("permission bits do not stop the superuser; see the no-room row");
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else if (kind == u"read-only-file") {
        if (::geteuid() == 0)
            QSKIP("permission bits do not stop the superuser; see the no-room row");
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    } else if (kind == u"no-room") {
        // The system refuses the write half-way, as a full disk does.
        limit = std::make_unique<FileSizeLimit>(4096);
    }

    const int result = writeWhole(path, fresh);
    limit.reset();
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(folder + QStringLiteral("/old.txt"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    QCOMPARE(result, failure);
    QCOMPARE(readBytes(folder + QStringLiteral("/old.txt")), old);
    if (kind == u"folder")
        QVERIFY(QFileInfo(path).isDir());
    if (kind == u"fifo") {
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }
    // No half-written temporary file is left next to the old one.
    const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(left == QStringList{QStringLiteral("old.txt")}, qPrintable(left.join(u' ')));
}

void TextFileTest::failureMessageText() {
    QCOMPARE(failureMessage(FileNotFound), u(u"予期せぬエラーが発生しました\r\ncode-53"));
    QCOMPARE(failureMessage(TooLarge), u(u"予期せぬエラーが発生しました\r\ncode-1001"));
}

QTEST_GUILESS_MAIN(TextFileTest)
#include "tst_text_file.moc"
