#include "search/matcher.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The matching rule behind Find, Find next and Replace: where a pattern is
// found, and what Replace all makes of a text.
class TestMatcher : public QObject {
    Q_OBJECT
private slots:
    void findsFirstOccurrenceAtOrAfterStart_data();
    void findsFirstOccurrenceAtOrAfterStart();
    void equalUnderComparison_data();
    void equalUnderComparison();
    void everyUnitHasOneRepresentative();
    void replaceAllFromTheTop_data();
    void replaceAllFromTheTop();
};

void TestMatcher::findsFirstOccurrenceAtOrAfterStart_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<qsizetype>("from");
    QTest::addColumn<qsizetype>("found");

    auto row = [](const char* name, const QString& t, const QString& p, qsizetype from,
                  qsizetype found) { QTest::newRow(name) << t << p << from << found; };
    row("first of two", u"abcabc"_s, u"abc"_s, 0, 0);
    row("second from inside the first", u"abcabc"_s, u"abc"_s, 1, 3);
    row("none after the last", u"abcabc"_s, u"abc"_s, 4, -1);
    row("at the start position itself", u"abcabc"_s, u"abc"_s, 3, 3);
    row("overlapping start", u"aaaa"_s, u"aa"_s, 1, 1);
    row("pattern ending at the text end", u"aaaa"_s, u"aa"_s, 2, 2);
    row("pattern longer than the rest", u"aaaa"_s, u"aa"_s, 3, -1);
    row("pattern longer than the text", u"ab"_s, u"abc"_s, 0, -1);
    row("negative start counts as the top", u"xab"_s, u"ab"_s, -5, 1);
    row("start past the end", u"ab"_s, u"b"_s, 3, -1);
    row("case ignored", u"xxABC"_s, u"abc"_s, 0, 2);
    row("near miss", u"abdabc"_s, u"abc"_s, 0, 3);
    row("no occurrence", u"abcabc"_s, u"abd"_s, 0, -1);
    row("empty pattern at the start", u"abc"_s, QString(), 0, 0);
    row("empty pattern at the caret", u"abc"_s, QString(), 2, 2);
    row("empty pattern after the last character", u"abc"_s, QString(), 3, 3);
    row("empty pattern past the end", u"abc"_s, QString(), 4, -1);
    row("empty pattern in an empty text", QString(), QString(), 0, -1);
    row("pattern in an empty text", QString(), u"a"_s, 0, -1);
    row("after a surrogate pair", u"😀abc"_s, u"abc"_s, 0, 2);
    row("the pair itself", u"x😀y😀"_s, u"😀"_s, 2, 4);
    row("not half a pair (high)", u"😀"_s, QString(QChar(0xD83D)), 0, -1);
    row("not half a pair (low)", u"😀"_s, QString(QChar(0xDE00)), 0, -1);
    row("lone surrogate finds itself", u"a"_s + QChar(0xD83D) + u"b"_s, QString(QChar(0xD83D)), 0,
        1);
    row("line end", u"ab\r\ncd"_s, u"b\r\nc"_s, 0, 1);
    row("not half a CR LF", u"ab\r\ncd"_s, u"\nc"_s, 0, -1);
    row("not ending inside a CR LF", u"ab\r\ncd"_s, u"b\r"_s, 0, -1);
    row("a lone LF is a character", u"ab\ncd"_s, u"\nc"_s, 0, 2);
    row("a lone CR is a character", u"ab\rcd"_s, u"b\r"_s, 0, 1);
    row("empty pattern skips the middle of a CR LF", u"a\r\nb"_s, QString(), 2, 3);
}

void TestMatcher::findsFirstOccurrenceAtOrAfterStart() {
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(qsizetype, from);
    QFETCH(qsizetype, found);
    QCOMPARE(search::find(text, pattern, from), found);
    // Searched a slice at a time: a slice must take in where the match starts.
    if (found >= 0) {
        QCOMPARE(search::find(text, pattern, from, found + 1), found);
        QCOMPARE(search::find(text, pattern, from, found), -1);
    }
}

// Text and pattern equal under the comparison (or not), position for position.
void TestMatcher::equalUnderComparison_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("equal");

    auto row = [](const char* name, const QString& t, const QString& p, bool eq) {
        QTest::newRow(name) << t << p << eq;
    };
    row("ASCII case", u"Hello World"_s, u"hELLO wORLD"_s, true);
    row("full-width letters", u"ＡＢＣｘｙｚ"_s, u"abcXYZ"_s, true);
    row("full-width digits", u"０１２３４５６７８９"_s, u"0123456789"_s, true);
    row("full-width signs", u"！＃＄％＆（）＝～"_s, u"!#$%&()=~"_s, true);
    row("ideographic space", u"a　b"_s, u"a b"_s, true);
    row("hiragana and katakana", u"ひらがなカタカナ"_s, u"ヒラガナかたかな"_s, true);
    row("small kana", u"ぁっゃゎゕ"_s, u"ァッャヮヵ"_s, true);
    row("iteration marks", u"ゝゞ"_s, u"ヽヾ"_s, true);
    row("half-width katakana", u"ｱｲｳｴｵｰ"_s, u"あいうえおー"_s, true);
    row("full-width yen and pound", u"￥￡"_s, u"¥£"_s, true);
    row("Greek", u"ΣΟΦΙΑ"_s, u"σοφια"_s, true);
    row("Greek final sigma", u"ΟΔΟΣ"_s, u"οδος"_s, true);
    row("Cyrillic", u"ПРИВЕТ Ёж"_s, u"привет ёЖ"_s, true);
    row("accented Latin", u"ÀÉÎÕÜ"_s, u"àéîõü"_s, true);
    row("Kelvin sign", u"\u212A"_s, u"k"_s, true);
    row("letters outside the BMP", u"\U00010400"_s, u"\U00010428"_s, true);
    row("different letters", u"abc"_s, u"abd"_s, false);
    row("voiced and unvoiced kana", u"か"_s, u"が"_s, false);
    row("different kana", u"あ"_s, u"い"_s, false);
    row("kanji and kana", u"日"_s, u"ひ"_s, false);
    row("Latin and Cyrillic look-alikes", u"A"_s, u"А"_s, false);
    row("accent counts", u"e"_s, u"é"_s, false);
    row("different emoji", u"😀"_s, u"😁"_s, false);
}

void TestMatcher::equalUnderComparison() {
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(bool, equal);
    QCOMPARE(text.size(), pattern.size());
    QCOMPARE(search::find(text, pattern, 0), equal ? 0 : -1);
    QCOMPARE(search::find(pattern, text, 0), equal ? 0 : -1);
    // Found inside a longer text, the match has the pattern's length.
    const QString longer = u"――"_s + text + u"――"_s;
    QCOMPARE(search::find(longer, pattern, 0), equal ? 2 : -1);
}

// Two units are equal exactly when they fold to the same unit, so folding a
// folded unit must change nothing.
void TestMatcher::everyUnitHasOneRepresentative() {
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const char16_t f = search::foldUnit(char16_t(c));
        if (search::foldUnit(f) != f)
            QFAIL(qPrintable(QStringLiteral("U+%1 folds to U+%2, which folds on")
                                 .arg(uint(c), 4, 16, QLatin1Char('0'))
                                 .arg(uint(f), 4, 16, QLatin1Char('0'))));
    }
}

void TestMatcher::replaceAllFromTheTop_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("result");
    QTest::addColumn<qsizetype>("count");
    QTest::addColumn<qsizetype>("caret");

    auto row = [](const char* name, const QString& t, const QString& target, const QString& r,
                  const QString& result, qsizetype count, qsizetype caret) {
        QTest::newRow(name) << t << target << r << result << count << caret;
    };
    row("replacement holds the target", u"aaa"_s, u"a"_s, u"aa"_s, u"aaaaaa"_s, 3, 6);
    row("no overlapping occurrences", u"aaaa"_s, u"aa"_s, u"b"_s, u"bb"_s, 2, 2);
    row("odd run leaves the rest", u"aaaaa"_s, u"aa"_s, u"b"_s, u"bba"_s, 2, 2);
    row("empty replacement deletes", u"xAbCyabc"_s, u"abc"_s, QString(), u"xy"_s, 2, 2);
    row("nothing found changes nothing", u"xyz"_s, u"a"_s, u"b"_s, u"xyz"_s, 0, 0);
    row("caret after the last insertion", u"abcxx"_s, u"abc"_s, u"Z"_s, u"Zxx"_s, 1, 1);
    row("longer replacement", u"a-b-c"_s, u"-"_s, u"--"_s, u"a--b--c"_s, 2, 6);
    row("full-width and case", u"ＡＢ ab Ab"_s, u"ab"_s, u"X"_s, u"X X X"_s, 3, 5);
    row("across lines", u"a\r\nb\r\nc"_s, u"\r\n"_s, u" "_s, u"a b c"_s, 2, 4);
    row("surrogate pairs", u"😀x😀"_s, u"😀"_s, u"y"_s, u"yxy"_s, 2, 3);
    row("empty target replaces nothing", u"abc"_s, QString(), u"x"_s, u"abc"_s, 0, 0);
    row("empty text", QString(), u"a"_s, u"b"_s, QString(), 0, 0);
}

void TestMatcher::replaceAllFromTheTop() {
    QFETCH(QString, text);
    QFETCH(QString, target);
    QFETCH(QString, replacement);
    QFETCH(QString, result);
    QFETCH(qsizetype, count);
    QFETCH(qsizetype, caret);
    const search::ReplaceAll r = search::replaceAll(text, target, replacement);
    QCOMPARE(r.text, result);
    QCOMPARE(r.count, count);
    QCOMPARE(r.caret, caret);
}

QTEST_MAIN(TestMatcher)
#include "tst_matcher.moc"
