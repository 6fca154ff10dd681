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
#include <utility>

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

Q_DECLARE_METATYPE(textfile::Encoding)

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
    QTest::addColumn<Encoding>("readAs");
    const Encoding cp = Encoding::CodePage932;
    QTest::newRow("empty file") << QByteArray() << QString() << cp;
    QTest::newRow("ascii") << QByteArray("abc") << QStringLiteral("abc") << cp;
    QTest::newRow("CR LF kept") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\r\nb\r\n") << cp;
    QTest::newRow("LF only kept") << QByteArray("a\nb\n") << QStringLiteral("a\nb\n") << cp;
    QTest::newRow("lone CR kept") << QByteArray("a\rb") << QStringLiteral("a\rb") << cp;
    QTest::newRow("tab and NUL kept")
        << QByteArray("a\tb\0c", 5) << QString::fromUtf16(u"a\tb\0c", 5) << cp;
    QTest::newRow("hiragana a") << QByteArray("\x82\xA0") << u(u"あ") << cp;
    QTest::newRow("circled one (NEC row 13)") << QByteArray("\x87\x40") << u(u"①") << cp;
    QTest::newRow("full-width tilde") << QByteArray("\x81\x60") << u(u"\uFF5E") << cp;
    QTest::newRow("taka (IBM extension)") << QByteArray("\xFB\xFC") << u(u"髙") << cp;
    QTest::newRow("half-width katakana") << QByteArray("\xB1\xDF") << u(u"ｱﾟ") << cp;
    QTest::newRow("backslash and tilde stay ASCII")
        << QByteArray("\\~") << QStringLiteral("\\~") << cp;
    QTest::newRow("mixed line") << QByteArray("\x93\xfa\x96\x7b\x8c\xea abc\r\n\x82\xa0\n")
                                << u(u"日本語 abc\r\nあ\n") << cp;
    // ﾃｽ is C3 BD, a valid UTF-8 character; the あ after it is not UTF-8.
    QTest::newRow("code page 932 valid UTF-8 in part only")
        << QByteArray("\xC3\xBD\x82\xA0") << u(u"ﾃｽあ") << cp;
    QTest::newRow("UTF-8 without a mark, line ends kept")
        << QStringLiteral("今日の買い物\nりんご、牛乳\r\nパン\r").toUtf8()
        << u(u"今日の買い物\nりんご、牛乳\r\nパン\r") << Encoding::Utf8;
    QTest::newRow("UTF-8 beyond code page 932") << QStringLiteral("𠮷野家 😀 한글 café").toUtf8()
                                                << u(u"𠮷野家 😀 한글 café") << Encoding::Utf8;
    // Longer than the pieces the bytes are read in: every kind of character
    // stands across a piece's edge in one row or another.
    for (int lead = 0; lead < 9; ++lead) {
        const QString text = QString(lead, u'a') + QStringLiteral("😀あé").repeated(10000);
        QTest::addRow("UTF-8 of 90 kB, %d ASCII first", lead)
            << text.toUtf8() << text << Encoding::Utf8;
    }
    // The first byte beyond ASCII at every place in and after the first
    // words of eight bytes.
    for (int lead = 0; lead <= 17; ++lead) {
        const QString ascii(lead, u'a');
        QTest::addRow("%d ASCII, then UTF-8", lead)
            << (ascii + u(u"é")).toUtf8() << ascii + u(u"é") << Encoding::Utf8;
        QTest::addRow("%d ASCII, then code page 932", lead)
            << ascii.toLatin1() + "\x82\xA0" << ascii + u(u"あ") << cp;
    }
    // Not UTF-8 however close they come: the code page reads them.
    const std::pair<const char*, QByteArray> nearlyUtf8[] = {
        {"a surrogate's UTF-8 form", QByteArray("a\xED\xA0\x80")},
        {"an overlong form of /", QByteArray("a\xC0\xAF")},
        {"a form beyond U+10FFFF", QByteArray("\xF4\x90\x80\x80")},
        {"UTF-8 of 90 kB, a bad last byte", QStringLiteral("あ").repeated(30000).toUtf8() + "\xFF"},
    };
    for (const auto& [name, bytes] : nearlyUtf8)
        QTest::addRow("not UTF-8: %s", name) << bytes << converted(bytes) << cp;
    QTest::newRow("UTF-8 with a mark")
        << QByteArray("\xEF\xBB\xBF") + QStringLiteral("メモ\r\n").toUtf8() << u(u"メモ\r\n")
        << Encoding::Utf8Marked;
    QTest::newRow("UTF-8 mark, ASCII after it") << QByteArray("\xEF\xBB\xBF"
                                                              "a")
                                                << u(u"a") << Encoding::Utf8Marked;
    QTest::newRow("only a UTF-8 mark")
        << QByteArray("\xEF\xBB\xBF") << QString() << Encoding::Utf8Marked;
    QTest::newRow("a second mark is text") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                                                         "a")
                                           << u(u"\uFEFFa") << Encoding::Utf8Marked;
    // After a mark, no byte vanishes: each one that makes no character shows.
    QTest::newRow("UTF-8 mark, bad bytes show as U+FFFD")
        << QByteArray("\xEF\xBB\xBF"
                      "a\xFF"
                      "b\x82\xA0\xE3\x81")
        << u(u"a\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFD") << Encoding::Utf8Marked;
    QTest::newRow("UTF-16 LE with a mark") << QByteArray("\xFF\xFE"
                                                         "a\0\x42\x30\r\0\n\0\x3D\xD8\x00\xDE",
                                                         14)
                                           << u(u"aあ\r\n😀") << Encoding::Utf16LE;
    QTest::newRow("UTF-16 BE with a mark")
        << QByteArray("\xFE\xFF\0a\x30\x42\0\n\0\r", 10) << u(u"aあ\n\r") << Encoding::Utf16BE;
    QTest::newRow("only a UTF-16 LE mark")
        << QByteArray("\xFF\xFE") << QString() << Encoding::Utf16LE;
    QTest::newRow("only a UTF-16 BE mark")
        << QByteArray("\xFE\xFF") << QString() << Encoding::Utf16BE;
    QTest::newRow("UTF-16, an odd last byte shows as U+FFFD") << QByteArray("\xFF\xFE"
                                                                            "a\0b",
                                                                            5)
                                                              << u(u"a\uFFFD") << Encoding::Utf16LE;
    QTest::newRow("UTF-16, one byte after the mark shows as U+FFFD")
        << QByteArray("\xFE\xFF"
                      "B")
        << u(u"\uFFFD") << Encoding::Utf16BE;
}

void TextFileTest::readsBytesAsTheyAre() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(Encoding, readAs);
    const QString path = m_dir.filePath(QStringLiteral("read.txt"));
    QVERIFY(putBytes(path, bytes));
    const ReadResult r = ReadTextFile(path);
    QCOMPARE(r.failure, int(None));
    QCOMPARE(r.text, text);
    QCOMPARE(r.text.isNull() || r.text.isEmpty(), text.isEmpty());
    QCOMPARE(decode(bytes), text);
    QCOMPARE(int(detectEncoding(bytes)), int(readAs));
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
    // ASCII alone is not told apart: it reads as the code page has it.
    QByteArray ascii;
    for (int c = 0; c < 0x80; ++c)
        ascii.append(char(c));
    QTest::newRow("every ASCII byte") << ascii;
    // UTF-8 for more than one piece of the reading, then code page 932.
    QTest::newRow("UTF-8 for 90 kB, then a code page 932 character")
        << QStringLiteral("あ").repeated(30000).toUtf8() + "\x82\xA0";
    // UTF-8 throughout but for a character cut off at the very end.
    QTest::newRow("UTF-8 cut off inside its last character")
        << QStringLiteral("あい").toUtf8().chopped(1);
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
    QCOMPARE(encode(decodeCodePage(written)), written);
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
