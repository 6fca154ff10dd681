#include "platform/common_dialog.h"
#include "platform/font_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs `act` on the font dialog once it is on screen inside exec().
void whenDialogShows(std::function<void(FontDialog&)> act, int triesLeft = 200) {
    QTimer::singleShot(10, [act = std::move(act), triesLeft]() mutable {
        auto* d = qobject_cast<FontDialog*>(QApplication::activeModalWidget());
        if (d && d->isVisible()) {
            act(*d);
            return;
        }
        if (triesLeft > 0)
            whenDialogShows(std::move(act), triesLeft - 1);
    });
}

QString currentText(const QListWidget* list) {
    return list->currentItem() ? list->currentItem()->text() : QString();
}

void retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

const QString Gothic = QStringLiteral("ＭＳ ゴシック");

} // namespace

class TestFontDialog : public QObject {
    Q_OBJECT

private slots:
    void colourListIsTheSixteenStandardColours();
    void controlsShowTheValuesGiven();
    void styleNames_data();
    void styleNames();
    void typedSizeIsKeptUnrounded();
    void typedSize_data();
    void typedSize();
    void familyNotInstalledStaysAsGiven();
    void familyEntryAndListFollowEachOther();
    void colourOutsideTheStandardOnesSurvives();
    void effectsGroupOnlyWithItsFlag();
    void commonDialogOkWithoutTouchingGivesTheSameValues();
    void commonDialogCancelKeepsItsValues();
    void commonDialogWithoutEffectsKeepsEffectValues();
};

void TestFontDialog::colourListIsTheSixteenStandardColours() {
    const QStringList names = {
        QStringLiteral("黒"),       QStringLiteral("栗色"), QStringLiteral("緑"),
        QStringLiteral("オリーブ"), QStringLiteral("紺"),   QStringLiteral("紫"),
        QStringLiteral("緑青"),     QStringLiteral("灰色"), QStringLiteral("銀色"),
        QStringLiteral("赤"),       QStringLiteral("黄緑"), QStringLiteral("黄"),
        QStringLiteral("青"),       QStringLiteral("赤紫"), QStringLiteral("水色"),
        QStringLiteral("白")};
    // 0x00BBGGRR: red in the low byte.
    const QList<std::int32_t> values = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                        0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                        0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    FontDialog d;
    QStringList shownNames;
    QList<std::int32_t> shownValues;
    for (int i = 0; i < d.colourCombo()->count(); ++i) {
        shownNames << d.colourCombo()->itemText(i);
        shownValues << d.colourCombo()->itemData(i).toInt();
    }
    QCOMPARE(shownNames, names);
    QCOMPARE(shownValues, values);
    // A fresh dialog starts on black.
    QCOMPARE(d.colourCombo()->currentText(), QStringLiteral("黒"));
    QCOMPARE(d.colourValue(), 0);
}

void TestFontDialog::controlsShowTheValuesGiven() {
    FontDialog d;
    QCOMPARE(d.windowTitle(), QStringLiteral("フォント"));
    QCOMPARE(d.okButton()->text(), QStringLiteral("OK"));
    QCOMPARE(d.cancelButton()->text(), QStringLiteral("キャンセル"));
    QCOMPARE(d.effectsGroup()->title(), QStringLiteral("文字飾り"));
    QCOMPARE(d.strikeOutBox()->text(), QStringLiteral("取り消し線(&K)"));
    QCOMPARE(d.underlineBox()->text(), QStringLiteral("下線(&U)"));
    QVERIFY2(d.familyList()->count() > 0, "the installed fonts are listed");

    const QString family = d.familyList()->item(d.familyList()->count() - 1)->text();
    d.setBold(true);
    d.setItalic(true);
    d.setFamily(family);
    d.setPointSize(14);
    d.setStrikeOut(true);
    d.setUnderline(true);
    d.setColourValue(0x0000FF);

    QCOMPARE(d.familyEdit()->text(), family);
    QCOMPARE(currentText(d.familyList()), family);
    QCOMPARE(d.styleEdit()->text(), QStringLiteral("太字 斜体"));
    QCOMPARE(d.sizeEdit()->text(), QStringLiteral("14"));
    QCOMPARE(currentText(d.sizeList()), QStringLiteral("14"));
    QVERIFY(d.strikeOutBox()->isChecked());
    QVERIFY(d.underlineBox()->isChecked());
    QCOMPARE(d.colourCombo()->currentText(), QStringLiteral("赤"));

    // The sample shows what OK would give.
    const QFont f = d.sample()->font();
    QCOMPARE(f.family(), family);
    QCOMPARE(f.pointSizeF(), 14.0);
    QVERIFY(f.bold() && f.italic() && f.strikeOut() && f.underline());
    QCOMPARE(d.sample()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(d.okButton()->isEnabled());
}

void TestFontDialog::styleNames_data() {
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QString>("style");
    QTest::newRow("regular") << false << false << QStringLiteral("標準");
    QTest::newRow("italic") << false << true << QStringLiteral("斜体");
    QTest::newRow("bold") << true << false << QStringLiteral("太字");
    QTest::newRow("bold italic") << true << true << QStringLiteral("太字 斜体");
}

void TestFontDialog::styleNames() {
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(QString, style);
    FontDialog d;
    QStringList rows;
    for (int i = 0; i < d.styleList()->count(); ++i)
        rows << d.styleList()->item(i)->text();
    QCOMPARE(rows, QStringList({QStringLiteral("標準"), QStringLiteral("斜体"),
                                QStringLiteral("太字"), QStringLiteral("太字 斜体")}));

    // Set in the order the display-font command uses: bold first, then italic.
    d.setBold(bold);
    d.setItalic(italic);
    QCOMPARE(d.styleEdit()->text(), style);
    QCOMPARE(d.bold(), bold);
    QCOMPARE(d.italic(), italic);

    // Choosing the row by hand gives the same style back.
    FontDialog chosen;
    chosen.styleList()->setCurrentRow(int(rows.indexOf(style)));
    QCOMPARE(chosen.bold(), bold);
    QCOMPARE(chosen.italic(), italic);
    QCOMPARE(chosen.sample()->font().bold(), bold);
    QCOMPARE(chosen.sample()->font().italic(), italic);
}

void TestFontDialog::typedSizeIsKeptUnrounded() {
    FontDialog d;
    d.setFamily(d.familyList()->item(0)->text());
    d.setPointSize(12);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));

    retype(d.sizeEdit(), QStringLiteral("10.5"));
    QCOMPARE(d.pointSize(), 10.5);
    QCOMPARE(currentText(d.sizeList()), QStringLiteral("10.5"));
    QCOMPARE(d.sample()->font().pointSizeF(), 10.5);

    QTest::mouseClick(d.okButton(), Qt::LeftButton);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(d.isHidden());
    QCOMPARE(d.pointSize(), 10.5);
}

void TestFontDialog::typedSize_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("size"); // 0 = not a usable size
    QTest::addColumn<QString>("listRow");
    QTest::newRow("whole") << "12" << 12.0 << "12";
    QTest::newRow("half") << "10.5" << 10.5 << "10.5";
    QTest::newRow("not in the list") << "10.25" << 10.25 << "";
    QTest::newRow("blanks around") << " 9 " << 9.0 << "9";
    QTest::newRow("full-width digits") << QStringLiteral("１０．５") << 10.5 << "10.5";
    QTest::newRow("largest") << "1638" << 1638.0 << "";
    QTest::newRow("smallest") << "1" << 1.0 << "";
    QTest::newRow("too large") << "1639" << 0.0 << "";
    QTest::newRow("too small") << "0.5" << 0.0 << "";
    QTest::newRow("zero") << "0" << 0.0 << "";
    QTest::newRow("negative") << "-3" << 0.0 << "";
    QTest::newRow("letters") << "abc" << 0.0 << "";
    QTest::newRow("number then letters") << "12pt" << 0.0 << "";
    QTest::newRow("exponent") << "1e2" << 0.0 << "";
    QTest::newRow("empty") << "" << 0.0 << "";
}

void TestFontDialog::typedSize() {
    QFETCH(QString, typed);
    QFETCH(double, size);
    QFETCH(QString, listRow);
    FontDialog d;
    d.setFamily(QStringLiteral("Anything"));
    d.sizeEdit()->setText(typed);
    QCOMPARE(d.pointSize(), size);
    QCOMPARE(currentText(d.sizeList()), listRow);
    // OK is offered only for a size the views can show.
    QCOMPARE(d.okButton()->isEnabled(), size > 0);
    QCOMPARE(d.okButton()->toolTip().isEmpty(), size > 0);
}

void TestFontDialog::familyNotInstalledStaysAsGiven() {
    FontDialog d;
    d.setFamily(Gothic);
    d.setPointSize(12);
    QCOMPARE(d.familyEdit()->text(), Gothic);
    QCOMPARE(d.family(), Gothic);
    QVERIFY(d.okButton()->isEnabled());

    // An emptied family entry offers no OK.
    d.familyEdit()->clear();
    QVERIFY(!d.okButton()->isEnabled());
    d.familyEdit()->setText(QStringLiteral("   "));
    QVERIFY(!d.okButton()->isEnabled());
}

void TestFontDialog::familyEntryAndListFollowEachOther() {
    FontDialog d;
    QListWidget* list = d.familyList();
    QVERIFY(list->count() > 1);
    const QString second = list->item(1)->text();

    // Choosing a row fills the entry.
    list->setCurrentRow(1);
    QCOMPARE(d.familyEdit()->text(), second);
    QCOMPARE(d.family(), second);

    // Typing the start of a name, in any case, selects the first match but
    // keeps what was typed.
    const QString prefix = second.left(3).toLower();
    d.familyEdit()->clear();
    QTest::keyClicks(d.familyEdit(), prefix);
    QCOMPARE(d.familyEdit()->text(), prefix);
    QVERIFY(currentText(list).startsWith(prefix, Qt::CaseInsensitive));

    // Down in the entry moves through the list and fills the entry.
    d.setFamily(list->item(0)->text());
    QTest::keyClick(d.familyEdit(), Qt::Key_Down);
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(d.familyEdit()->text(), second);
}

void TestFontDialog::colourOutsideTheStandardOnesSurvives() {
    FontDialog d;
    d.setColourValue(0x123456);
    QCOMPARE(d.colourCombo()->count(), 17);
    QCOMPARE(d.colourCombo()->currentText(), QStringLiteral("カスタム"));
    QCOMPARE(d.colourValue(), 0x123456);
    d.setColourValue(0x00FF00);
    QCOMPARE(d.colourCombo()->count(), 16);
    QCOMPARE(d.colourCombo()->currentText(), QStringLiteral("黄緑"));
    d.colourCombo()->setCurrentIndex(12);
    QCOMPARE(d.colourValue(), 0xFF0000); // 青
}

void TestFontDialog::effectsGroupOnlyWithItsFlag() {
    FontDialog d;
    d.setFamily(QStringLiteral("Anything"));
    d.setPointSize(12);
    d.setStrikeOut(true);
    d.setUnderline(true);
    d.setEffectsVisible(false);
    QVERIFY(d.effectsGroup()->isHidden());
    // Without the effects group the sample shows none of them.
    QVERIFY(!d.sample()->font().strikeOut());
    QVERIFY(!d.sample()->font().underline());
    d.setEffectsVisible(true);
    QVERIFY(!d.effectsGroup()->isHidden());
    QVERIFY(d.sample()->font().strikeOut());
}

void TestFontDialog::commonDialogOkWithoutTouchingGivesTheSameValues() {
    QtCommonDialog com;
    com.flags = CommonDialog::ScreenFonts | CommonDialog::Effects;
    com.fontName = Gothic;
    com.fontSize = 10.5;
    com.fontBold = true;
    com.fontItalic = false;
    com.fontStrikethru = true;
    com.fontUnderline = false;
    com.colour = 0x008000;
    bool effectsShown = false;
    whenDialogShows([&](FontDialog& d) {
        effectsShown = !d.effectsGroup()->isHidden();
        QTest::mouseClick(d.okButton(), Qt::LeftButton);
    });
    QVERIFY(com.showFont());
    QVERIFY(effectsShown);
    QCOMPARE(com.fontName, Gothic);
    QCOMPARE(com.fontSize, 10.5);
    QVERIFY(com.fontBold);
    QVERIFY(!com.fontItalic);
    QVERIFY(com.fontStrikethru);
    QVERIFY(!com.fontUnderline);
    QCOMPARE(com.colour, 0x008000);

    // A second opening starts from what the first one chose.
    QString colourAtOpening;
    whenDialogShows([&](FontDialog& d) {
        colourAtOpening = d.colourCombo()->currentText();
        d.colourCombo()->setCurrentIndex(9); // 赤
        retype(d.sizeEdit(), QStringLiteral("13.75"));
        d.underlineBox()->setChecked(true);
        QTest::mouseClick(d.okButton(), Qt::LeftButton);
    });
    QVERIFY(com.showFont());
    QCOMPARE(colourAtOpening, QStringLiteral("緑"));
    QCOMPARE(com.fontSize, 13.75);
    QVERIFY(com.fontUnderline);
    QCOMPARE(com.colour, 0x0000FF);
}

void TestFontDialog::commonDialogCancelKeepsItsValues() {
    QtCommonDialog com;
    com.flags = CommonDialog::ScreenFonts | CommonDialog::Effects;
    com.fontName = QStringLiteral("Anything");
    com.fontSize = 12;
    com.colour = 0;
    whenDialogShows([](FontDialog& d) {
        d.setFamily(QStringLiteral("Other"));
        d.setPointSize(20);
        d.setBold(true);
        d.setColourValue(0x0000FF);
        QTest::mouseClick(d.cancelButton(), Qt::LeftButton);
    });
    QVERIFY(!com.showFont());
    QCOMPARE(com.fontName, QStringLiteral("Anything"));
    QCOMPARE(com.fontSize, 12.0);
    QVERIFY(!com.fontBold);
    QCOMPARE(com.colour, 0);

    // Escape cancels too.
    whenDialogShows([](FontDialog& d) {
        d.setPointSize(30);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    QVERIFY(!com.showFont());
    QCOMPARE(com.fontSize, 12.0);
}

void TestFontDialog::commonDialogWithoutEffectsKeepsEffectValues() {
    QtCommonDialog com;
    com.flags = CommonDialog::ScreenFonts;
    com.fontName = QStringLiteral("Anything");
    com.fontSize = 12;
    com.fontStrikethru = true;
    com.colour = 0x808080;
    bool effectsShown = true;
    whenDialogShows([&](FontDialog& d) {
        effectsShown = !d.effectsGroup()->isHidden();
        d.setStrikeOut(false);
        d.setColourValue(0);
        QTest::mouseClick(d.okButton(), Qt::LeftButton);
    });
    QVERIFY(com.showFont());
    QVERIFY(!effectsShown);
    QVERIFY(com.fontStrikethru);
    QCOMPARE(com.colour, 0x808080);
}

QTEST_MAIN(TestFontDialog)
#include "tst_font_dialog.moc"
