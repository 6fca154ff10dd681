#include "files/file_commands.h"
#include "support/test_env.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

struct PdfText {
    bool ok = false;
    QString text; // pdftotext's output, pages separated by form feeds
    int pages = 0;
    QString title; // the document name, as pdfinfo reads it
};

// What a reader of the printout sees, by the system's own PDF text extractor.
PdfText extract(const QString& pdf) {
    PdfText out;
    if (!QFileInfo::exists(pdf))
        return out;
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return out;
    out.ok = true;
    out.text = QString::fromUtf8(p.readAllStandardOutput());
    out.pages = int(out.text.count(u'\f'));
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(QStringLiteral("Title:")))
            out.title = line.mid(6).trimmed();
    }
    return out;
}

// The printed words, with the layout's line breaks and page ends taken out
// and the font's ligatures (fi) read as their letters.
QString flat(const QString& s) {
    QString t = s.normalized(QString::NormalizationForm_KC);
    t.remove(u'\f');
    t.remove(u'\n');
    t.remove(u' ');
    return t;
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void printsWholeOrSelection_data();
    void printsWholeOrSelection();
    void cancelPrintsNothing();
    void wrapOffPrintsText2();
    void emptyPageIsOneEmptyLine();
    void longTextWrapsAndBreaksPages();
    void zoomLeavesThePrintoutAlone();
    void printDialogOffersSelection_data();
    void printDialogOffersSelection();

private:
    std::unique_ptr<TestEnv> env;
    MainWindow* w = nullptr;
    QString pdf;
};

void PrintTest::init() {
    env = std::make_unique<TestEnv>();
    env->setPage(1, QStringLiteral("first line 日本語\r\nsecond line"));
    w = &env->start();
    pdf = env->dir.filePath(QStringLiteral("out.pdf"));
    env->com.printToPdf(pdf);
}

void PrintTest::cleanup() {
    env->prompts.verifyDone();
    env->com.verifyDone();
    env.reset();
    w = nullptr;
}

void PrintTest::printsWholeOrSelection_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<qsizetype>("selLength");
    QTest::addColumn<bool>("leftOnSelection");
    QTest::addColumn<int>("flagsIn");
    QTest::addColumn<QString>("printed");
    QTest::newRow("no selection: whole page, Selection not offered")
        << 1 << qsizetype(0) << false << 0x4000c << "firstline日本語secondline";
    QTest::newRow("selection kept: only the selected text")
        << 4 << qsizetype(8) << true << 0x40009 << "line日本語";
    QTest::newRow("selection, All chosen: whole page")
        << 9 << qsizetype(8) << false << 0x40009 << "firstline日本語secondline";
}

void PrintTest::printsWholeOrSelection() {
    QFETCH(int, page);
    QFETCH(qsizetype, selLength);
    QFETCH(bool, leftOnSelection);
    QFETCH(int, flagsIn);
    QFETCH(QString, printed);
    env->setPage(page, env->page(1));
    w->pages.switchToPage(page);
    w->views().wrappedView.setSelStart(6);
    w->views().wrappedView.setSelLength(selLength);
    env->com.choosePrint(true, leftOnSelection);
    QVERIFY(triggerAction(w, QStringLiteral("print")));
    QCOMPARE(env->com.shown, QStringList{QStringLiteral("print")});
    QCOMPARE(env->com.flagsShown, QList<int>{flagsIn});
    QVERIFY(env->prompts.calls.isEmpty());
    const PdfText out = extract(pdf);
    QVERIFY(out.ok);
    QCOMPARE(out.pages, 1);
    QCOMPARE(flat(out.text), printed);
    // Print queues and PDF readers show the job under the title bar's name.
    QCOMPARE(out.title, QStringLiteral("Sorabun - %1").arg(page));
    // Printing changes nothing in the page.
    QCOMPARE(w->views().wrappedView.text(), QStringLiteral("first line 日本語\r\nsecond line"));
    QCOMPARE(w->views().wrappedView.selLength(), selLength);
}

void PrintTest::cancelPrintsNothing() {
    env->com.choosePrint(false, false);
    QVERIFY(triggerAction(w, QStringLiteral("print")));
    QVERIFY(env->prompts.calls.isEmpty());
    QVERIFY(!QFileInfo::exists(pdf));
}

void PrintTest::wrapOffPrintsText2() {
    w->toggleWordWrap();
    w->views().unwrappedView.setSelStart(0);
    w->views().unwrappedView.replaceSelection(QStringLiteral("edited "));
    env->com.choosePrint(true, false);
    QVERIFY(triggerAction(w, QStringLiteral("print")));
    const PdfText out = extract(pdf);
    QVERIFY(out.ok);
    QCOMPARE(flat(out.text), QStringLiteral("editedfirstline日本語secondline"));
}

void PrintTest::emptyPageIsOneEmptyLine() {
    w->views().wrappedView.setText(QString());
    env->com.choosePrint(true, false);
    QVERIFY(triggerAction(w, QStringLiteral("print")));
    const PdfText out = extract(pdf);
    QVERIFY(out.ok);
    QCOMPARE(out.pages, 1);
    QCOMPARE(out.text.trimmed(), QString());
}

void PrintTest::longTextWrapsAndBreaksPages() {
    // One line far wider than the paper, with no space to break at, then
    // many short lines: nothing is clipped and pages follow one another.
    QString text = QString(600, u'w') + QStringLiteral("\r\n");
    QString expected = QString(600, u'w');
    for (int i = 1; i <= 300; ++i) {
        text += QStringLiteral("line%1\r\n").arg(i);
        expected += QStringLiteral("line%1").arg(i);
    }
    w->views().wrappedView.setText(text);
    env->com.choosePrint(true, false);
    QVERIFY(triggerAction(w, QStringLiteral("print")));
    const PdfText out = extract(pdf);
    QVERIFY(out.ok);
    QVERIFY2(out.pages > 1, qPrintable(QString::number(out.pages)));
    QCOMPARE(flat(out.text), expected);
    // The long line was wrapped onto several lines of paper.
    const QString firstPage = out.text.section(u'\f', 0, 0);
    QVERIFY(firstPage.section(u'\n', 0, 0).size() < 600);
    QVERIFY(!firstPage.contains(QStringLiteral("line1\n1"))); // no page numbers mixed in
}

// The session's zoom is for the screen: the paper shows the same lines and
// pages at any zoom.
void PrintTest::zoomLeavesThePrintoutAlone() {
    QString text = QString(300, u'w') + QStringLiteral("\r\n");
    for (int i = 1; i <= 120; ++i)
        text += QStringLiteral("行 %1 のテキスト\r\n").arg(i);
    w->views().wrappedView.setText(text);
    env->com.choosePrint(true, false);
    QVERIFY(triggerAction(w, QStringLiteral("print")));
    const PdfText atDefault = extract(pdf);
    QVERIFY(atDefault.ok);
    QVERIFY(QFile::remove(pdf));
    for (int i = 0; i < 20; ++i)
        QVERIFY(triggerAction(w, QStringLiteral("zoomIn")));
    QCOMPARE(w->views().zoom(), 300);
    env->com.choosePrint(true, false);
    QVERIFY(triggerAction(w, QStringLiteral("print")));
    const PdfText zoomed = extract(pdf);
    QVERIFY(zoomed.ok);
    QCOMPARE(zoomed.pages, atDefault.pages);
    QCOMPARE(zoomed.text, atDefault.text);
}

void PrintTest::printDialogOffersSelection_data() {
    QTest::addColumn<int>("flagsIn");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("chooseAll");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<bool>("preselected");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("flagsOut");
    QTest::newRow("selection preselected, kept")
        << 0x40009 << true << false << true << true << true << 0x40009;
    QTest::newRow("selection preselected, All chosen")
        << 0x40009 << true << true << true << true << true << 0x40008;
    QTest::newRow("no selection: not offered")
        << 0x4000c << true << false << false << false << true << 0x4000c;
    QTest::newRow("cancel") << 0x40009 << false << false << true << true << false << 0x40009;
}

void PrintTest::printDialogOffersSelection() {
    QFETCH(int, flagsIn);
    QFETCH(bool, accept);
    QFETCH(bool, chooseAll);
    QFETCH(bool, offered);
    QFETCH(bool, preselected);
    QFETCH(bool, result);
    QFETCH(int, flagsOut);
    QtCommonDialog com(w);
    com.printer().setOutputFormat(QPrinter::PdfFormat);
    com.printer().setOutputFileName(pdf);
    // A range left from the last use must not carry over.
    com.printer().setPrintRange(offered ? QPrinter::AllPages : QPrinter::Selection);
    com.flags = flagsIn;
    bool seen = false;
    bool selectionOption = false, pageRangeOption = false, selectionChecked = false;
    bool foundButtons = false;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (!dialog || seen)
            return;
        seen = true;
        selectionOption = dialog->testOption(QAbstractPrintDialog::PrintSelection);
        pageRangeOption = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
        // What the person sees: the Selection button, enabled and checked.
        auto* selection = dialog->findChild<QRadioButton*>(QStringLiteral("printSelection"));
        auto* all = dialog->findChild<QRadioButton*>(QStringLiteral("printAll"));
        auto* range = dialog->findChild<QRadioButton*>(QStringLiteral("printRange"));
        foundButtons = selection && all && range;
        pageRangeOption = pageRangeOption || (range && !range->isHidden() && range->isEnabled());
        selectionChecked =
            selection && !selection->isHidden() && selection->isEnabled() && selection->isChecked();
        if (chooseAll && all)
            all->setChecked(true);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
    poll.start();
    const bool shown = com.showPrinter();
    poll.stop();
    QVERIFY(seen);
    QVERIFY(foundButtons);
    QCOMPARE(selectionOption, offered);
    QVERIFY(!pageRangeOption);
    QCOMPARE(selectionChecked, preselected);
    QCOMPARE(shown, result);
    QCOMPARE(com.flags, flagsOut);
}

QTEST_MAIN(PrintTest)
#include "tst_print.moc"
