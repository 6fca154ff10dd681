// What the fuzz targets found, kept as ordinary cases so that a fault once
// found stays found. Each row is the smallest input that showed it.

#include "editor/textview.h"

#include <QApplication>
#include <QTest>

namespace {

qsizetype outOfCrLf(const QString& t, qsizetype p) {
    if (p > 0 && p < t.size() && t[p - 1] == u'\r' && t[p] == u'\n')
        return p - 1;
    return p;
}

} // namespace

class TestFuzzFindings : public QObject {
    Q_OBJECT
    QWidget m_host;
    TextView* m_shown = nullptr;
    TextView* m_hidden = nullptr;

private slots:
    void initTestCase() {
        m_shown = new TextView(&m_host);
        m_hidden = new TextView(&m_host);
        m_host.show();
        m_hidden->hide();
    }

    // Replace all on a page whose lines ended in lone LFs or CRs: the new
    // text has CR LF lines, and both views must place the caret alike, never
    // inside a CR LF, and show no stand-in marks for ordinary line ends.
    void replaceAllKeepsBothViewsAlike_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("caret");
        QTest::newRow("lone LF page") << QStringLiteral("a\n") << QStringLiteral("xyz\r\n") << 4;
        QTest::newRow("lone CR page") << QStringLiteral("a\r") << QStringLiteral("xyz\r\n") << 4;
        QTest::newRow("tab, lone low surrogate, LF")
            << QString::fromUtf16(u"\t\xDE00\n") << QString::fromUtf16(u"\x240D\x240D\x240D\r\n")
            << 4;
        QTest::newRow("lone CR, then many CR LF")
            << QStringLiteral("\r")
            << QStringLiteral("\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n") + QChar(0x2029) +
                   QStringLiteral("aa")
            << 11;
    }

    void replaceAllKeepsBothViewsAlike() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, caret);
        for (TextView* v : {m_shown, m_hidden}) {
            v->setText(before);
            v->replaceAllText(after, caret);
        }
        QCOMPARE(m_shown->text(), after);
        QCOMPARE(m_hidden->selStart(), outOfCrLf(after, caret));
        QCOMPARE(m_shown->selStart(), m_hidden->selStart());
    }

    // Enter types the page's own line end: CR LF, or the lone LF or CR that
    // every line of the page ends with.
    void enterTypesThePagesLineEnd_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("lineEnd");
        QTest::newRow("CR LF page") << QStringLiteral("a\r\nb") << QStringLiteral("\r\n");
        QTest::newRow("lone LF page") << QStringLiteral("a\nb") << QStringLiteral("\n");
        QTest::newRow("lone CR page") << QStringLiteral("a\rb") << QStringLiteral("\r");
        QTest::newRow("mixed page") << QStringLiteral("a\nb\r\n") << QStringLiteral("\r\n");
    }

    void enterTypesThePagesLineEnd() {
        QFETCH(QString, page);
        QFETCH(QString, lineEnd);
        m_shown->setText(page);
        m_shown->setSelStart(page.size());
        m_shown->setFocus();
        QTest::keyClick(m_shown, Qt::Key_Return);
        QCOMPARE(m_shown->text(), page + lineEnd);
    }

    // In a page of lone LFs a CR LF pasted later is a CR and a line break;
    // the caret never stands between the two.
    void caretNeverInsideCrLf_data() {
        QTest::addColumn<QString>("page");
        QTest::newRow("lone LF page") << QStringLiteral("a\nb");
        QTest::newRow("lone CR page") << QStringLiteral("a\rb");
    }
    void caretNeverInsideCrLf() {
        QFETCH(QString, page);
        m_shown->setText(page);
        m_shown->setSelStart(1);
        m_shown->replaceSelection(QStringLiteral("x\r\ny"));
        const QString text = m_shown->text();
        QCOMPARE(text, page.left(1) + QStringLiteral("x\r\ny") + page.mid(1));
        const qsizetype middle = text.indexOf(QStringLiteral("\r\n")) + 1;
        m_shown->setSelStart(middle);
        QCOMPARE(m_shown->selStart(), middle - 1);
        m_shown->setSelStart(0);
        m_shown->setSelLength(middle);
        QCOMPARE(m_shown->selLength(), middle - 1);
    }

    // CRs typed just before the LF of a page of lone LFs leave the caret
    // between a CR and an LF; a selection made from there never runs
    // backwards, and showing the other view keeps the text.
    void selectionFromInsideCrLf() {
        m_shown->setText(QStringLiteral("\n"));
        m_shown->replaceSelection(QStringLiteral("\r\r"));
        m_shown->replaceSelection(QStringLiteral("\r\r"));
        const qsizetype caret = m_shown->selStart();
        QCOMPARE(caret, 4);
        m_shown->setSelLength(-4);
        QCOMPARE(m_shown->selStart(), caret);
        QCOMPARE(m_shown->selLength(), 0);
        m_hidden->setText(m_shown->text());
        m_hidden->show();
        m_shown->hide();
        QCOMPARE(m_hidden->text(), QStringLiteral("\r\r\r\r\n"));
        m_shown->show();
        m_hidden->hide();
    }
};

QTEST_MAIN(TestFuzzFindings)
#include "tst_fuzz_findings.moc"
