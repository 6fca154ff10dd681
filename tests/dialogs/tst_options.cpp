// The options dialog: its boxes mirror the three options, OK keeps what was
// ticked, every other way out keeps nothing, and the options reach the store
// only at shut-down.

#include "dialogs/options_dialog.h"
#include "platform/twips.h"
#include "support/modal_driver.h"
#include "support/test_env.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

const QStringList Keys = {"ComLine", "NoeNumOP", "AutoOP"};

// Opens the dialog from the menu; `act` works it as a person would.
int openOptions(MainWindow& w, std::function<void(OptionsDialog&)> act) {
    ModalDriver driver(QStringLiteral("OptionsDialog"),
                       [&](QDialog& d) { act(static_cast<OptionsDialog&>(d)); });
    triggerAction(&w, QStringLiteral("commandLineOptions"));
    return driver.seen;
}

QList<bool> boxes(const OptionsDialog& d) {
    return {d.controls().ignoreCommandLineBox->isChecked(), d.controls().singleFileBox->isChecked(),
            d.controls().fillBlankPagesBox->isChecked()};
}
QList<int> options(const AppState& s) {
    return {s.ignoreCommandLine, s.singleFileToLastPage, s.fillBlankPages};
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    void layout() {
        AppState state;
        OptionsDialog d(state);
        QCOMPARE(d.objectName(), QStringLiteral("OptionsDialog"));
        QCOMPARE(d.windowTitle(), QStringLiteral("オプション"));
        QCOMPARE(d.size(), QSize(twips::toPx(6690, &d), twips::toPx(1500, &d)));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QVERIFY(!(d.windowFlags() & Qt::WindowMinMaxButtonsHint));
        QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(d.controls().ignoreCommandLineBox->text(),
                 QStringLiteral("コマンドラインにファイル名が有っても無視する"));
        QCOMPARE(d.controls().singleFileBox->text(),
                 QStringLiteral("ファイルが一つの場合最後に開いていたページに自動展開する"));
        QCOMPARE(d.controls().fillBlankPagesBox->text(),
                 QStringLiteral("コマンドラインのファイル名のファイルはできるか"
                                "ぎり空白のページに自動展開する"));
        QCOMPARE(d.controls().priorityNote->text(),
                 QStringLiteral("ここに記載している設定は上に書いてある物ほど優先されます"));
        QCOMPARE(d.controls().okButton->text(), QStringLiteral("OK"));
        QCOMPARE(d.controls().cancelButton->text(), QStringLiteral("キャンセル"));
        QVERIFY(d.controls().okButton->isDefault());

        // Left edges and widths as designed; no control overlaps another,
        // and each stays inside the dialog.
        const QList<std::pair<QWidget*, QRect>> design = {
            {d.controls().ignoreCommandLineBox, {90, 120, 4305, 180}},
            {d.controls().singleFileBox, {90, 420, 5205, 180}},
            {d.controls().fillBlankPagesBox, {120, 720, 4335, 375}},
            {d.controls().priorityNote, {90, 1170, 4695, 195}},
            {d.controls().okButton, {5490, 120, 1065, 315}},
            {d.controls().cancelButton, {5520, 510, 1035, 315}}};
        for (const auto& [w, t] : design) {
            const QRect px = twips::toPx(t.x(), t.y(), t.width(), t.height(), w);
            QCOMPARE(w->x(), px.x());
            QCOMPARE(w->width(), px.width());
            QVERIFY(w->height() >= px.height());
            QVERIFY(d.rect().contains(w->geometry()));
            for (const auto& [other, unused] : design)
                if (other != w)
                    QVERIFY2(!w->geometry().intersects(other->geometry()),
                             qPrintable(w->objectName() + u'/' + other->objectName()));
        }
        // Every caption is seen whole: one line each, the long third on two.
        for (QWidget* w : {static_cast<QWidget*>(d.controls().ignoreCommandLineBox),
                           static_cast<QWidget*>(d.controls().singleFileBox),
                           static_cast<QWidget*>(d.controls().priorityNote)})
            QVERIFY2(w->sizeHint().width() <= w->width(), qPrintable(w->objectName()));
        QVERIFY(d.controls().fillBlankPagesBox->height() >=
                2 * d.controls().fillBlankPagesBox->fontMetrics().lineSpacing());
        QVERIFY(d.controls().fillBlankPagesBox->sizeHint().width() <=
                2 * d.controls().fillBlankPagesBox->width());

        QList<QWidget*> order;
        QWidget* w = d.controls().ignoreCommandLineBox;
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                order << w;
            w = w->nextInFocusChain();
        } while (w != d.controls().ignoreCommandLineBox);
        QCOMPARE(order, (QList<QWidget*>{d.controls().ignoreCommandLineBox,
                                         d.controls().singleFileBox, d.controls().fillBlankPagesBox,
                                         d.controls().okButton, d.controls().cancelButton}));
    }

    // The boxes show the options; any value but 0 shows ticked. OK turns the
    // boxes back into 0 and 1.
    void loadAndOk_data() {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<QList<bool>>("shown");
        QTest::addColumn<QList<int>>("afterOk");
        QTest::newRow("all off") << QList<int>{0, 0, 0} << QList<bool>{false, false, false}
                                 << QList<int>{0, 0, 0};
        QTest::newRow("all on") << QList<int>{1, 1, 1} << QList<bool>{true, true, true}
                                << QList<int>{1, 1, 1};
        QTest::newRow("each on its own box")
            << QList<int>{0, 1, 0} << QList<bool>{false, true, false} << QList<int>{0, 1, 0};
        QTest::newRow("values the program never writes")
            << QList<int>{2, -1, 0} << QList<bool>{true, true, false} << QList<int>{1, 1, 0};
    }
    void loadAndOk() {
        QFETCH(QList<int>, before);
        QFETCH(QList<bool>, shown);
        QFETCH(QList<int>, afterOk);
        AppState state;
        state.ignoreCommandLine = before[0];
        state.singleFileToLastPage = before[1];
        state.fillBlankPages = before[2];
        OptionsDialog d(state);
        QCOMPARE(boxes(d), shown);
        d.takeOptions();
        QCOMPARE(options(state), afterOk);
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }

    void cancelKeepsTheOptions() {
        AppState state;
        state.singleFileToLastPage = 2;
        OptionsDialog d(state);
        d.controls().ignoreCommandLineBox->setChecked(true);
        d.controls().singleFileBox->setChecked(false);
        d.keepOptions();
        QCOMPARE(options(state), (QList<int>{0, 2, 0}));
    }

    // From the menu: centred on the screen, modal, over the main window; each
    // way out either keeps the ticks (OK, Enter) or drops them.
    void waysOut_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("kept");
        QTest::newRow("OK") << "OK" << true;
        QTest::newRow("Enter") << "Enter" << true;
        QTest::newRow("キャンセル") << "Cancel" << false;
        QTest::newRow("Esc") << "Esc" << false;
        QTest::newRow("close button") << "close" << false;
        QTest::newRow("Enter on キャンセル") << "EnterOnCancel" << false;
    }
    void waysOut() {
        QFETCH(QString, how);
        QFETCH(bool, kept);
        TestEnv env;
        MainWindow& w = env.start();
        w.placement.move(0, 0); // wherever the main window stands
        QPoint at;
        QPoint centred;
        bool modal = false;
        QList<bool> shownAtOpening;
        const int seen = openOptions(w, [&](OptionsDialog& d) {
            shownAtOpening = boxes(d);
            at = d.frameGeometry().topLeft();
            const QPoint t =
                twips::centredOnScreen(twips::fromPx(d.frameGeometry().width(), &d),
                                       twips::fromPx(d.frameGeometry().height(), &d), &d);
            centred = QPoint(twips::toPx(t.x(), &d), twips::toPx(t.y(), &d));
            modal = QApplication::activeModalWidget() == &d && d.parentWidget() == &w;
            QTest::mouseClick(d.controls().fillBlankPagesBox, Qt::LeftButton);
            QTest::keyClick(d.controls().ignoreCommandLineBox, Qt::Key_Space);
            if (how == u"OK")
                QTest::mouseClick(d.controls().okButton, Qt::LeftButton);
            else if (how == u"Enter")
                QTest::keyClick(d.controls().fillBlankPagesBox, Qt::Key_Return);
            else if (how == u"Cancel")
                QTest::mouseClick(d.controls().cancelButton, Qt::LeftButton);
            else if (how == u"Esc")
                QTest::keyClick(d.controls().ignoreCommandLineBox, Qt::Key_Escape);
            else if (how == u"close")
                d.close();
            else {
                d.controls().cancelButton->setFocus();
                QTest::keyClick(d.controls().cancelButton, Qt::Key_Return);
            }
        });
        QCOMPARE(seen, 1);
        QCOMPARE(shownAtOpening, (QList<bool>{false, false, false}));
        QCOMPARE(at, centred);
        QVERIFY(modal);
        QCOMPARE(options(w.workspace().state),
                 kept ? (QList<int>{1, 0, 1}) : (QList<int>{0, 0, 0}));
        // The dialog only edits the run's options; the store hears of them at shut-down.
        for (const QString& k : Keys)
            QCOMPARE(env.store->ReadSetting(k), QString());

        // Reopening shows the options as they now are.
        QList<bool> shownAgain;
        openOptions(w, [&](OptionsDialog& d) { shownAgain = boxes(d); });
        QCOMPARE(shownAgain,
                 kept ? (QList<bool>{true, false, true}) : (QList<bool>{false, false, false}));
    }

    // An option ticked with OK survives a normal exit and the next start.
    void survivesARestart() {
        TestEnv env;
        MainWindow& w = env.start();
        openOptions(w, [](OptionsDialog& d) {
            d.controls().singleFileBox->setChecked(true);
            d.takeOptions();
        });
        env.stop();
        clearQuitRequest();
        QCOMPARE(env.store->ReadSetting(QStringLiteral("ComLine")), QStringLiteral("0"));
        QCOMPARE(env.store->ReadSetting(QStringLiteral("NoeNumOP")), QStringLiteral("1"));
        QCOMPARE(env.store->ReadSetting(QStringLiteral("AutoOP")), QStringLiteral("0"));
        env.reopenStore();
        MainWindow& again = env.start();
        QCOMPARE(options(again.workspace().state), (QList<int>{0, 1, 0}));
        QList<bool> shown;
        openOptions(again, [&](OptionsDialog& d) { shown = boxes(d); });
        QCOMPARE(shown, (QList<bool>{false, true, false}));
    }

    // A stored value other than 0 or 1 shows ticked and is written back
    // unchanged unless the user presses OK.
    void oddStoredValue_data() {
        QTest::addColumn<bool>("pressOk");
        QTest::addColumn<QString>("written");
        QTest::newRow("left alone") << false << "2";
        QTest::newRow("confirmed with OK") << true << "1";
    }
    void oddStoredValue() {
        QFETCH(bool, pressOk);
        QFETCH(QString, written);
        TestEnv env;
        env.store->WriteSetting(QStringLiteral("AutoOP"), QStringLiteral("2"));
        MainWindow& w = env.start();
        bool ticked = false;
        openOptions(w, [&](OptionsDialog& d) {
            ticked = d.controls().fillBlankPagesBox->isChecked();
            if (pressOk)
                d.takeOptions();
        });
        QVERIFY(ticked);
        env.stop();
        clearQuitRequest();
        QCOMPARE(env.store->ReadSetting(QStringLiteral("AutoOP")), written);
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
