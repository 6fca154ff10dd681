#include "editor/grapheme_count.h"
#include "editor/page_tally.h"
#include "editor/position_map.h"
#include "editor/text_measure.h"
#include "editor/textview.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTextBoundaryFinder>

namespace {

qsizetype clusters(QStringView s) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    qsizetype n = 0;
    while (finder.toNextBoundary() >= 0)
        ++n;
    return n;
}

// Characters by the boundary finder alone; every line end is a cluster.
qsizetype chars(QStringView s) {
    return clusters(s) - (s.count(u'\r') + s.count(u'\n') - s.count(u"\r\n"));
}

} // namespace

// How a status shows in a failed comparison.
char* toString(const TextStatus& s) {
    return qstrdup(qPrintable(QStringLiteral("line %1 column %2 chars %3 selected %4 ends %5%6")
                                  .arg(s.line)
                                  .arg(s.column)
                                  .arg(s.chars)
                                  .arg(s.selected ? QString::number(*s.selected) : "-")
                                  .arg(TextMeasure::lineEndText(s.lineEnds))
                                  .arg(s.counted ? "" : " (counting)")));
}

namespace {

// What a status says, in one comparable line.
QString told(const TextStatus& s) {
    return TextMeasure::positionText(s) + u'|' + TextMeasure::countText(s) + u'|' +
           TextMeasure::lineEndText(s.lineEnds);
}

// The status worked out from the text alone: a page's row ends where the view
// shows one (an LF, a line separator, a CR only as the break of a CR page).
TextStatus expected(const QString& t, qsizetype caret, qsizetype from, qsizetype to, LineEnd end) {
    TextStatus s;
    qsizetype rowStart = 0;
    for (qsizetype i = 0; i < caret; ++i) {
        if (t[i] == u'\n' || t[i] == u'\u2028' || (t[i] == u'\r' && end == LineEnd::Cr)) {
            ++s.line;
            rowStart = i + 1;
        }
    }
    s.column = 1 + chars(QStringView(t).sliced(rowStart, caret - rowStart));
    s.chars = chars(t);
    if (to > from)
        s.selected = chars(QStringView(t).sliced(from, to - from));
    const qsizetype crLf = t.count(u"\r\n"), lf = t.count(u'\n') - crLf, cr = t.count(u'\r') - crLf;
    const int kinds = (crLf > 0) + (lf > 0) + (cr > 0);
    s.lineEnds = kinds > 1            ? LineEndKind::Mixed
                 : lf > 0             ? LineEndKind::Lf
                 : cr > 0             ? LineEndKind::Cr
                 : crLf > 0           ? LineEndKind::CrLf
                 : end == LineEnd::Lf ? LineEndKind::Lf
                 : end == LineEnd::Cr ? LineEndKind::Cr
                                      : LineEndKind::CrLf;
    return s;
}

TextStatus expected(TextView& v) {
    const qsizetype caret =
        PositionMap(*v.document(), v.lineEnd()).toText(v.textCursor().position());
    return expected(v.text(), caret, v.selStart(), v.selStart() + v.selLength(), v.lineEnd());
}

void commit(TextView& v, const QString& text) {
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(&v, &e);
}

// Every kind of character that joins others, and some that stand alone
// (halves of surrogate pairs, NUL and the view's stand-ins among them). Not
// Indic or Thai: with them anywhere in a text, the toolkit's finder splits
// emoji and flags elsewhere in it (Qt 6.4).
const QStringList Tricky =
    QStringList{"a",      "あ",     "漢",     "\u3099", "\uFF76", "\uFF9E", "e",      "\u0301",
                "\t",     "\r",     "\n",     "\r\n",   "\u2028", "\u2029", "\u200D", "\uFE0F",
                "\u2764", "😀",      "👍",      "🏽",   "🇯",      "🇵",      "\u1100", "\u1161",
                "\u11A8", "\uAC00", "\u0600", "\uFFFD", "\u240D"} +
    QStringList{QChar(0xD800), QChar(0xDC00), QChar(0)};

QString randomText(QRandomGenerator& random, int parts) {
    QString t;
    for (int i = 0; i < parts; ++i)
        t += Tricky[random.bounded(int(Tricky.size()))];
    return t;
}

} // namespace

class TstTextMeasure : public QObject {
    Q_OBJECT

private slots:
    void countsAsAPersonDoes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("status");
        const QString crLf = QStringLiteral("あい\r\nうえお\r\n");
        QTest::newRow("empty page") << QString() << 0 << 0 << "行 1、列 1|0 文字|CRLF";
        QTest::newRow("surrogate pair") << "a😀b" << 3 << 0 << "行 1、列 3|3 文字|CRLF";
        QTest::newRow("combining mark") << "e\u0301x" << 2 << 0 << "行 1、列 2|2 文字|CRLF";
        QTest::newRow("voiced sound mark") << "か\u3099き" << 3 << 0 << "行 1、列 3|2 文字|CRLF";
        QTest::newRow("half-width voiced") << "\uFF76\uFF9E" << 2 << 0 << "行 1、列 2|1 文字|CRLF";
        QTest::newRow("skin tone, ZWJ")
            << "👍🏽👨‍👩‍👧" << 12 << 0 << "行 1、列 3|2 文字|CRLF";
        QTest::newRow("flags") << "🇯🇵🇺🇸" << 4 << 0 << "行 1、列 2|2 文字|CRLF";
        QTest::newRow("jamo, syllables")
            << "\u1100\u1161\u11A8한국" << 5 << 0 << "行 1、列 4|3 文字|CRLF";
        QTest::newRow("conjunct, vowel sign") << "क्षि" << 4 << 0 << "行 1、列 2|1 文字|CRLF";
        QTest::newRow("Thai vowel after a consonant") << "ทำ" << 2 << 0 << "行 1、列 2|1 文字|CRLF";
        // The toolkit's finder, asked about the whole line, splits the emoji.
        QTest::newRow("emoji beside Indic") << "😀 क" << 4 << 0 << "行 1、列 4|3 文字|CRLF";
        QTest::newRow("tab, NUL") << QStringView(u"a\tb\0", 4).toString() << 4 << 0
                                  << "行 1、列 5|4 文字|CRLF";
        QTest::newRow("CR LF") << crLf << 4 << 0 << "行 2、列 1|5 文字|CRLF";
        QTest::newRow("lone LF") << "ab\ncd" << 5 << 0 << "行 2、列 3|4 文字|LF";
        QTest::newRow("lone CR") << "ab\rcd" << 4 << 0 << "行 2、列 2|4 文字|CR";
        // A lone LF in a page of CR LF lines starts a row on screen; a lone
        // CR is shown within its line.
        QTest::newRow("mixed") << "a\r\nb\nc\rd" << 8 << 0 << "行 3、列 3|4 文字|混在";
        QTest::newRow("CR before a mark") << "a\r\nx\r\u0301" << 6 << 0 << "行 2、列 3|3 文字|混在";
        QTest::newRow("separators") << "a\u2028b\u2029c" << 5 << 0 << "行 2、列 4|5 文字|CRLF";
        QTest::newRow("selection") << crLf << 1 << 5 << "行 2、列 3|3 / 5 文字|CRLF";
        QTest::newRow("everything selected")
            << crLf << 0 << int(crLf.size()) << "行 3、列 1|5 / 5 文字|CRLF";
        QTest::newRow("caret inside a cluster") << "e\u0301x" << 1 << 0 << "行 1、列 2|2 文字|CRLF";
        const QString many = QStringLiteral("x\r\n").repeated(1233) + QStringLiteral("長い行");
        QTest::newRow("grouped digits")
            << many << int(many.size()) << 0 << "行 1,234、列 4|1,236 文字|CRLF";
    }
    void countsAsAPersonDoes() {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, status);
        TextView v;
        v.show();
        v.setText(text);
        v.setSelStart(start);
        v.setSelLength(length);
        TextMeasure m;
        m.follow(&v);
        QCOMPARE(told(m.status()), status);
        // A page put in whole is counted from its text, made into the units
        // the document holds.
        QCOMPARE(PageTally::unitsFor(text, v.lineEnd()), v.document()->toRawText());
    }

    // Whatever the edit, the status is what counting the page afresh gives.
    void staysRightAfterEdits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("at"); // where the edit starts; -1: mid-page
        QTest::addColumn<QString>("edit");
        const QString lines = QStringLiteral("一行目です\r\n二行目\r\n\r\n三行目😀\r\n");
        // A line of several pieces, with marks where pieces may end.
        const QString longLine = QStringLiteral("か\u3099きくけこ e\u0301 🇯🇵 ").repeated(1500) +
                                 QStringLiteral("\r\n終");
        for (const char* edit :
             {"type", "type a mark", "enter", "backspace across a line start", "paste lines",
              "undo", "set text", "replace all", "lone LF", "delete every line end"})
            QTest::addRow("%s", edit) << lines << -1 << edit;
        QTest::newRow("enter, LF page") << "a\nb\nc" << -1 << "enter";
        QTest::newRow("CR LF into an LF page") << "a\nb\nc" << -1 << "paste lines";
        QTest::newRow("line ends deleted, LF page") << "a\nb" << -1 << "delete every line end";
        QTest::newRow("CR LF into a CR page") << "a\rb\rc" << -1 << "paste lines";
        QTest::newRow("CR LF lines over an LF page") << "a\nb" << -1 << "CR LF lines";
        QTest::newRow("CR LF lines over a CR page") << "a\rb" << -1 << "CR LF lines";
        for (const char* edit : {"type", "type a mark", "enter", "undo", "move"})
            QTest::addRow("long line: %s", edit) << longLine << -1 << edit;
        // Where one piece of a long line ends and the next begins.
        const QString plain(3 * PageTally::PieceUnits, u'あ');
        const int start = PageTally::PieceUnits;
        QTest::newRow("mark at a piece's start") << plain << start << "put a mark";
        QTest::newRow("prepended mark at a piece's start") << plain << start << "put a prefix";
        QTest::newRow("CR, LF typed apart at a piece's end") << plain << start - 1 << "CR, LF";
    }
    void staysRightAfterEdits() {
        QFETCH(QString, text);
        QFETCH(int, at);
        QFETCH(QString, edit);
        TextView v;
        v.resize(400, 300);
        v.show();
        v.setText(text);
        TextMeasure m;
        m.follow(&v);
        qsizetype middle = text.size() / 2;
        while (text[middle].isLowSurrogate() || text[middle] == u'\n')
            --middle;
        v.setSelStart(at < 0 ? middle : at);
        if (edit == u"type" || edit == u"undo") {
            QTest::keyClicks(&v, "ab");
            commit(v, QStringLiteral("漢字"));
            if (edit == u"undo")
                v.undo();
        } else if (edit == u"type a mark") {
            commit(v, QStringLiteral("\u3099"));
        } else if (edit == u"put a mark" || edit == u"put a prefix") {
            v.replaceSelection(edit == u"put a mark" ? QStringLiteral("\u3099")
                                                     : QStringLiteral("\u0600"));
        } else if (edit == u"enter") {
            QTest::keyClick(&v, Qt::Key_Return);
        } else if (edit == u"backspace across a line start") {
            v.setSelStart(text.indexOf(u"\r\n") + 2);
            QTest::keyClick(&v, Qt::Key_Backspace);
        } else if (edit == u"paste lines") {
            QApplication::clipboard()->setText(QStringLiteral("p\r\nq\nr"));
            v.paste();
            v.replaceSelection(QStringLiteral("s\r\nt"));
        } else if (edit == u"set text" || edit == u"replace all") {
            const QString other = QStringLiteral("新しい\nページ");
            edit == u"set text" ? v.setText(other) : v.replaceAllText(other, 4);
        } else if (edit == u"lone LF") {
            v.replaceSelection(QStringLiteral("\n"));
        } else if (edit == u"delete every line end") {
            for (qsizetype at; (at = v.text().indexOf(QRegularExpression("\r\n|\r|\n"))) >= 0;) {
                v.setSelStart(at);
                v.setSelLength(v.text().mid(at, 2) == u"\r\n" ? 2 : 1);
                v.replaceSelection(QString());
            }
        } else if (edit == u"move") {
            v.setSelStart(text.size() - 5);
            v.setSelStart(1001);
            v.setSelLength(7000);
        } else if (edit == u"CR LF lines") {
            // Each a CR kept in its line and the LF of a break (or a break
            // and an LF kept in the next line).
            v.setSelStart(0);
            v.setSelLength(v.textLength());
            v.replaceSelection(QStringLiteral("行\r\n").repeated(3000));
        } else if (edit == u"CR, LF") {
            // A CR LF of two stand-ins, across the place a fresh count cuts.
            v.replaceSelection(QStringLiteral("\r"));
            v.replaceSelection(QStringLiteral("\n"));
            QCOMPARE(m.status(), expected(v));
            m.follow(&v);
        }
        QCOMPARE(m.status(), expected(v));
        // The same after every change has been told.
        QTRY_VERIFY(m.status().counted);
        QCOMPARE(m.status(), expected(v));
    }

    // A page put in whole is counted a slice an event-loop turn, from its text;
    // what is typed meanwhile, before or after what is counted, is counted too.
    void countsALongPageInSlices() {
        QString text; // kana lines, then emoji lines: two units a character
        for (int i = 0; text.size() < 60000; ++i)
            text += i < 1500 ? QStringLiteral("行%1 あいうえお e\u0301\r\n").arg(i)
                             : QStringLiteral("😀😀😀😀😀\r\n");
        TextView v;
        v.show();
        TextMeasure m(nullptr, 5000);
        m.follow(&v);
        QSignalSpy told(&m, &TextMeasure::changed);
        v.setText(text);
        QVERIFY(!m.status().counted);
        QCOMPARE(TextMeasure::countText(m.status()), QStringLiteral("数えています…"));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        v.setSelStart(3);
        v.replaceSelection(QStringLiteral("先頭\n"));
        for (int turn = 0; turn < 7; ++turn)
            QCoreApplication::processEvents();
        QVERIFY(!m.status().counted);
        v.setSelStart(text.size() - 10);
        v.replaceSelection(QStringLiteral("末尾"));
        QTRY_VERIFY(m.status().counted);
        QVERIFY(told.count() > 2);
        QCOMPARE(m.status(), expected(v));
    }

    // Edits and caret moves in one turn of the event loop are told once.
    void toldOnceATurn() {
        TextView v;
        v.show();
        v.setText(QStringLiteral("abc\r\ndef"));
        TextMeasure m;
        m.follow(&v);
        QSignalSpy told(&m, &TextMeasure::changed);
        QTRY_COMPARE(told.count(), 1);
        QTest::keyClicks(&v, "xyz");
        QTest::keyClick(&v, Qt::Key_Right);
        QTest::keyClick(&v, Qt::Key_Return);
        QCOMPARE(told.count(), 1);
        QTRY_COMPARE(told.count(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(told.count(), 2); // nothing new: nothing told
    }

    // The main window shows one view at a time and swaps them on word wrap.
    void followsTheViewOnShow() {
        TextView one, two;
        one.show();
        one.setText(QStringLiteral("一\r\n二"));
        two.setVisible(false);
        two.setText(QStringLiteral("三つ目の行"));
        TextMeasure m;
        m.follow(&two);
        QVERIFY(!m.status().counted); // its document is not built
        two.show();
        two.setSelStart(2);
        QTRY_COMPARE(told(m.status()), QStringLiteral("行 1、列 3|5 文字|CRLF"));
        m.follow(&one);
        QCOMPARE(told(m.status()), QStringLiteral("行 1、列 1|2 文字|CRLF"));
        {
            TextView gone;
            m.follow(&gone);
        }
        QCOMPARE(m.followed(), nullptr);
        QVERIFY(!m.status().counted);
    }

    // The quick count agrees with the boundary finder on every unit of the
    // basic plane in joining company, on random mixes of what joins, and
    // split at fixed boundaries.
    void countAgreesWithTheFinder() {
        for (char32_t c = 0; c < 0x10000; ++c) {
            const QString u = QChar(char16_t(c));
            const QString t = "a" + u + "\u3099" + u + u + "\u1100" + u + "\r";
            QCOMPARE(graphemes::count(t), clusters(t));
        }
        QRandomGenerator random(20240611);
        for (int i = 0; i < 20000; ++i) {
            const QString t = randomText(random, 1 + random.bounded(30));
            QCOMPARE(graphemes::count(t), clusters(t));
            const qsizetype cut = graphemes::nextFixedBoundary(t, random.bounded(int(t.size())));
            QCOMPARE(graphemes::count(QStringView(t).first(cut)) +
                         graphemes::count(QStringView(t).sliced(cut)),
                     clusters(t));
        }
    }

    // Random edits of a page that mixes everything, against counting afresh.
    void randomEditsStayRight() {
        QRandomGenerator random(7);
        TextView v;
        v.show();
        v.setText(randomText(random, 6000));
        TextMeasure m;
        m.follow(&v);
        for (int step = 0; step < 300; ++step) {
            const qsizetype at = random.bounded(int(v.textLength() + 1));
            v.setSelStart(at);
            v.setSelLength(random.bounded(8));
            if (step % 3 == 0)
                v.replaceSelection(randomText(random, random.bounded(5)));
            else if (step % 3 == 1)
                QTest::keyClick(&v, step % 2 ? Qt::Key_Backspace : Qt::Key_Return);
            else if (step % 7 == 2)
                v.undo();
            QCOMPARE(m.status(), expected(v));
        }
    }
};

QTEST_MAIN(TstTextMeasure)
#include "tst_text_measure.moc"
