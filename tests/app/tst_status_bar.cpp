#include "dialogs/history_dialog.h"
#include "search/replace_dialog.h"
#include "support/test_env.h"

#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QWheelEvent>

namespace {

// What the bar says, field by field: "position|count|zoom|line ends".
QString said(MainWindow& w) {
    const StatusBarCommand::Fields f = w.status.fields();
    return f.position->text() + u'|' + f.count->text() + u'|' + f.zoom->text() + u'|' +
           f.lineEnds->text();
}

void row(const char* name, const char* first, const char* second) {
    QTest::newRow(name) << QString::fromUtf8(first) << QString::fromUtf8(second);
}

// Ctrl (or not) with a turn of the wheel over the view on show.
void turnWheel(MainWindow& w, int delta, bool ctrl) {
    QWidget* viewport = w.views().visible().viewport();
    const QPointF at(10, 10);
    QWheelEvent e(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                  ctrl ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &e);
}

} // namespace

class TestStatusBar : public QObject {
    Q_OBJECT
private slots:
    // Whatever changes the page or the caret, the bar tells it as it is now.
    // Page 1 holds "あい\r\nう", page 2 "a\nb\nc".
    void fieldsFollowThePage_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("shown");
        row("nothing yet", "", "行 1、列 1|3 文字|100%|CRLF");
        row("typing, Enter included", "type", "行 3、列 2|6 文字|100%|CRLF");
        row("a selection", "select", "行 2、列 2|2 / 3 文字|100%|CRLF");
        row("page switch", "switch", "行 1、列 1|3 文字|100%|LF");
        row("a long page, counted a slice at a time", "long",
            "行 1、列 1|1,500,000 文字|100%|CRLF");
        row("a file opened into the page", "open", "行 1、列 1|6 文字|100%|CR");
        row("replace all", "replace all", "行 3、列 2|4 文字|100%|混在");
        row("undo", "undo", "行 3、列 1|5 文字|100%|CRLF");
        row("restored from the history", "restore", "行 1、列 1|3 文字|100%|混在");
        row("word wrap off", "wrap", "行 2、列 2|3 文字|100%|CRLF");
        row("turned off, typed into, turned on", "off and on", "行 2、列 3|4 文字|100%|CRLF");
    }
    void fieldsFollowThePage() {
        QFETCH(QString, change);
        QFETCH(QString, shown);
        TestEnv env;
        env.setPage(1, QStringLiteral("あい\r\nう"));
        env.setPage(2, QStringLiteral("a\nb\nc"));
        env.setPage(3, QStringLiteral("あいうえお\r\n").repeated(300000));
        MainWindow& w = env.start();
        QVERIFY(triggerAction(&w, QStringLiteral("statusBar")));
        TextView& v = w.views().visible();
        if (change == u"type" || change == u"undo") {
            v.setSelStart(v.textLength());
            QTest::keyClicks(&v, QStringLiteral("ab"));
            QTest::keyClick(&v, Qt::Key_Return);
            QTest::keyClicks(&v, QStringLiteral("c"));
        }
        if (change == u"undo") {
            QTRY_COMPARE(w.status.fields().count->text(), QStringLiteral("6 文字"));
            QTest::keyClick(&v, Qt::Key_Z, Qt::ControlModifier);
        } else if (change == u"select") {
            v.setSelStart(1);
            v.setSelLength(4);
        } else if (change == u"switch" || change == u"long") {
            w.pages.switchToPage(change == u"switch" ? 2 : 3);
            QCoreApplication::processEvents();
            if (change == u"long")
                QCOMPARE(w.status.fields().count->text(), QStringLiteral("数えています…"));
        } else if (change == u"open") {
            env.com.chooseFile(env.writeFile(QStringLiteral("cr.txt"), "one\rtwo\r"));
            w.files.openIntoPage();
        } else if (change == u"replace all") {
            ReplaceDialog f(w.workspace());
            f.controls().targetEdit->setText(QStringLiteral("う"));
            f.controls().replacementEdit->setText(QStringLiteral("x\ny"));
            env.prompts.answer(Prompts::Answer::Ok);
            f.replaceAll();
        } else if (change == u"restore") {
            w.history().add(1, w.history().now(), QStringLiteral("古い\r\n版\n"));
            HistoryDialog d(w.workspace());
            d.listSnapshots();
            d.restoreChosen();
        } else if (change == u"wrap" || change == u"off and on") {
            v.setSelStart(5);
            QVERIFY(triggerAction(
                &w, QString::fromLatin1(change == u"wrap" ? "wordWrap" : "statusBar")));
            if (change == u"off and on") {
                QTest::keyClicks(&v, QStringLiteral("e"));
                QVERIFY(triggerAction(&w, QStringLiteral("statusBar")));
            }
        }
        QTRY_COMPARE(said(w), shown);
        // A screen reader reads each field with what it tells.
        QCOMPARE(w.status.fields().count->accessibleName(),
                 QStringLiteral("文字数 ") + w.status.fields().count->text());
        env.prompts.verifyDone();
    }

    // Steps of 10 % from 10 % to 500 %, both views alike, by the menu, the
    // keys of Japanese and US keyboards, and Ctrl with the wheel; 100 % at
    // the next start.
    void zoomStepsAndLimits_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("percent");
        QTest::newRow("Ctrl++") << QStringList{"Ctrl++"} << 110;
        QTest::newRow("Ctrl+; (Japanese keyboard)") << QStringList{"Ctrl+;"} << 110;
        QTest::newRow("Ctrl+= (US keyboard)") << QStringList{"Ctrl+="} << 110;
        QTest::newRow("Ctrl+-") << QStringList{"Ctrl+-", "Ctrl+-"} << 80;
        QTest::newRow("menu items") << QStringList{"zoomIn", "zoomIn", "zoomOut"} << 110;
        QTest::newRow("never beyond 500 %") << QStringList(45, "Ctrl++") << 500;
        QTest::newRow("never under 10 %") << QStringList(12, "Ctrl+-") << 10;
        QTest::newRow("Ctrl+0 back to 100 %") << QStringList{"Ctrl++", "Ctrl++", "Ctrl+0"} << 100;
        QTest::newRow("既定に戻す") << QStringList{"Ctrl+-", "resetZoom"} << 100;
        QTest::newRow("Ctrl+wheel, a notch each way")
            << QStringList{"wheel 120", "wheel 120", "wheel -120"} << 110;
        QTest::newRow("a fine wheel adds up to notches") << QStringList(4, "wheel 40") << 110;
        QTest::newRow("the wheel without Ctrl scrolls") << QStringList{"scroll 120"} << 100;
        QTest::newRow("kept over a word-wrap switch")
            << QStringList{"Ctrl++", "wordWrap", "Ctrl++", "wordWrap"} << 120;
    }
    void zoomStepsAndLimits() {
        QFETCH(QStringList, steps);
        QFETCH(int, percent);
        TestEnv env;
        MainWindow& w = env.start();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(triggerAction(&w, QStringLiteral("statusBar")));
        const QMap<QString, Qt::Key> keys = {{"Ctrl++", Qt::Key_Plus},
                                             {"Ctrl+;", Qt::Key_Semicolon},
                                             {"Ctrl+=", Qt::Key_Equal},
                                             {"Ctrl+-", Qt::Key_Minus},
                                             {"Ctrl+0", Qt::Key_0}};
        for (const QString& step : steps) {
            if (keys.contains(step))
                QTest::keyClick(&w.views().visible(), keys[step], Qt::ControlModifier);
            else if (step.contains(u' '))
                turnWheel(w, step.section(u' ', 1).toInt(), step.startsWith(u"wheel"));
            else
                QVERIFY2(triggerAction(&w, step), qPrintable(step));
        }
        QCOMPARE(w.status.fields().zoom->text(), QStringLiteral("%1%").arg(percent));
        for (TextView* v : {&w.views().wrappedView, &w.views().unwrappedView})
            QCOMPARE(v->font().pointSizeF(), 12.0 * percent / 100);
        QCOMPARE(w.views().font().pointSizeF(), 12.0); // the font chosen stays
        env.stop();
        QCOMPARE(env.start().views().visible().font().pointSizeF(), 12.0);
    }
};

QTEST_MAIN(TestStatusBar)
#include "tst_status_bar.moc"
