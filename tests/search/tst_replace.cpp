#include "search/replace_dialog.h"
#include "support/test_env.h"

#include "platform/twips.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The Replace dialog working on the main window's visible view: its layout,
// the opening, and Find, Replace and Replace all as the user presses them.

namespace {

const QString Title = u"置き換え"_s;
const QString NotFound = u"見つかりませでした"_s;
const QString Done = u"完了"_s;

struct Step {
    enum Kind { Find, Replace, All, Tick, Target, Select } kind;
    QString arg;         // Target: the new text of Bef
    qsizetype start = 0; // selection afterwards (Select: to set)
    qsizetype length = 0;
    QString text;         // the page afterwards
    bool replaceEnabled;  // Command2 afterwards
    QStringList messages; // notices shown
};

Step findStep(qsizetype s, qsizetype l, const QString& text, bool c2, QStringList m = {}) {
    return {Step::Find, {}, s, l, text, c2, m};
}
Step replaceStep(qsizetype s, qsizetype l, const QString& text, bool c2, QStringList m = {}) {
    return {Step::Replace, {}, s, l, text, c2, m};
}
Step allStep(qsizetype s, const QString& text, bool c2) {
    return {Step::All, {}, s, 0, text, c2, {Done}};
}
Step tick() {
    return {Step::Tick, {}, 0, 0, {}, false, {}};
}
Step target(const QString& t, bool c2) {
    return {Step::Target, t, 0, 0, {}, c2, {}};
}

QStringList messagesShown(ScriptedPrompts& prompts) {
    QStringList texts;
    for (const PromptCall& c : prompts.calls) {
        if (c.kind == PromptCall::Message) {
            if (c.title != Title || c.buttons != Prompts::Buttons::Ok)
                texts << u"wrong title or buttons: "_s + c.title;
            texts << c.text;
        }
    }
    prompts.calls.clear();
    return texts;
}

void setWrap(MainWindow& w, bool on) {
    if (w.views().wrappedShown() != on)
        w.toggleWordWrap();
}

struct Enabled {
    bool find, replace, all;
};

Enabled buttons(const ReplaceDialog& f) {
    return {f.controls().findButton->isEnabled(), f.controls().replaceButton->isEnabled(),
            f.controls().replaceAllButton->isEnabled()};
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestReplace : public QObject {
    Q_OBJECT
private slots:
    void controlsHaveTheirCaptionsAndPlaces_data();
    void controlsHaveTheirCaptionsAndPlaces();
    void dialogIsFixedWithCloseBoxOnly();
    void keyboardMovesThroughControlsInOrder();
    void openingTakesOverTheSelection_data();
    void openingTakesOverTheSelection();
    void replaceButtonNeedsTheExactTarget_data();
    void replaceButtonNeedsTheExactTarget();
    void commandSequences_data();
    void commandSequences();
    void replaceAllCoversThePageFromTheTop_data();
    void replaceAllCoversThePageFromTheTop();
    void replaceAllIsOneUndoStep();
    void centredOnTheMainWindow_data();
    void centredOnTheMainWindow();
    void replaceMenuOpensModalDialog();
};

void TestReplace::controlsHaveTheirCaptionsAndPlaces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twipRect");
    QTest::addColumn<QString>("labelledBy"); // for assistive tools
    QTest::newRow("targetCaption")
        << u"targetCaption"_s << u"対象の文字列"_s << QRect(540, 90, 1080, 180) << QString();
    QTest::newRow("replacementCaption") << u"replacementCaption"_s << u"置き換え後の文字列"_s
                                        << QRect(60, 450, 1575, 180) << QString();
    QTest::newRow("targetEdit") << u"targetEdit"_s << QString() << QRect(1650, 60, 2265, 285)
                                << u"targetCaption"_s;
    QTest::newRow("replacementEdit") << u"replacementEdit"_s << QString()
                                     << QRect(1650, 390, 2265, 285) << u"replacementCaption"_s;
    QTest::newRow("findButton") << u"findButton"_s << u"検索(&S)"_s << QRect(4020, 60, 1605, 285)
                                << QString();
    QTest::newRow("replaceButton")
        << u"replaceButton"_s << u"置き換え"_s << QRect(4020, 390, 1605, 285) << QString();
    QTest::newRow("replaceAllButton") << u"replaceAllButton"_s << u"すべて置き換え(&A)"_s
                                      << QRect(4020, 720, 1605, 285) << QString();
    QTest::newRow("fromTopBox") << u"fromTopBox"_s << u"先頭から行う"_s << QRect(60, 810, 1335, 195)
                                << QString();
}

void TestReplace::controlsHaveTheirCaptionsAndPlaces() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, twipRect);
    QFETCH(QString, labelledBy);
    TestEnv env;
    MainWindow& w = env.start();
    ReplaceDialog f(w.workspace());
    auto* control = f.findChild<QWidget*>(name);
    QVERIFY(control);
    QString shown;
    if (auto* l = qobject_cast<QLabel*>(control))
        shown = l->text();
    else if (auto* b = qobject_cast<QAbstractButton*>(control))
        shown = b->text();
    else if (auto* e = qobject_cast<QLineEdit*>(control))
        shown = e->text();
    QCOMPARE(shown, caption);
    QCOMPARE(control->geometry(),
             twips::toPx(twipRect.x(), twipRect.y(), twipRect.width(), twipRect.height(), &f));
    // What a user sees: the caption fits, the control stays inside the dialog
    // and overlaps no other.
    if (qobject_cast<QLabel*>(control))
        QVERIFY(control->fontMetrics().horizontalAdvance(shown) <= control->width());
    QVERIFY(f.rect().contains(control->geometry()));
    for (const char* other :
         {"targetCaption", "replacementCaption", "targetEdit", "replacementEdit", "findButton",
          "replaceButton", "replaceAllButton", "fromTopBox"})
        if (name != QLatin1String(other))
            QVERIFY2(!control->geometry().intersects(
                         f.findChild<QWidget*>(QLatin1String(other))->geometry()),
                     other);
    QVERIFY(control->isEnabled());
    if (auto* c = qobject_cast<QCheckBox*>(control))
        QVERIFY(!c->isChecked());
    if (!labelledBy.isEmpty()) {
        // A screen reader names the text box by its caption, and knows which caption it is.
        auto* label = f.findChild<QLabel*>(labelledBy);
        QAccessibleInterface* box = QAccessible::queryAccessibleInterface(control);
        QCOMPARE(box->text(QAccessible::Name), label->text());
        const auto relations = box->relations(QAccessible::Label);
        QCOMPARE(relations.size(), 1);
        QCOMPARE(relations.first().first->object(), label);
    }
}

void TestReplace::dialogIsFixedWithCloseBoxOnly() {
    TestEnv env;
    MainWindow& w = env.start();
    ReplaceDialog f(w.workspace());
    QCOMPARE(f.windowTitle(), Title);
    const QSize client(twips::toPx(5685, &f), twips::toPx(1050, &f));
    QCOMPARE(f.size(), client);
    QCOMPARE(f.minimumSize(), client);
    QCOMPARE(f.maximumSize(), client);
    const Qt::WindowFlags flags = f.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(f.parentWidget(), &w);
}

// Tab goes Bef, Af, the three buttons, the box; the labels take no focus and
// no button is pressed by Enter.
void TestReplace::keyboardMovesThroughControlsInOrder() {
    TestEnv env;
    MainWindow& w = env.start();
    ReplaceDialog f(w.workspace());
    QStringList order;
    QWidget* c = f.controls().targetEdit;
    do {
        if (c->focusPolicy() & Qt::TabFocus)
            order << c->objectName();
        c = c->nextInFocusChain();
    } while (c != f.controls().targetEdit);
    order.removeAll(QString());
    QCOMPARE(order, (QStringList{u"targetEdit"_s, u"replacementEdit"_s, u"findButton"_s,
                                 u"replaceButton"_s, u"replaceAllButton"_s, u"fromTopBox"_s}));
    QCOMPARE(f.controls().targetCaption->focusPolicy(), Qt::NoFocus);
    QCOMPARE(f.controls().replacementCaption->focusPolicy(), Qt::NoFocus);
    for (QPushButton* b :
         {f.controls().findButton, f.controls().replaceButton, f.controls().replaceAllButton})
        QVERIFY2(!b->isDefault() && !b->autoDefault(), qPrintable(b->objectName()));
}

void TestReplace::openingTakesOverTheSelection_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("selection") << u"xabcx"_s << qsizetype(1) << qsizetype(3) << true;
    QTest::newRow("no selection") << u"xabcx"_s << qsizetype(2) << qsizetype(0) << false;
    QTest::newRow("empty page") << QString() << qsizetype(0) << qsizetype(0) << false;
    QTest::newRow("selection over a line end")
        << u"ab\r\ncd"_s << qsizetype(1) << qsizetype(4) << true;
    QTest::newRow("long selection")
        << QString(40000, u'q') + u"\r\n"_s << qsizetype(0) << qsizetype(40000) << true;
}

void TestReplace::openingTakesOverTheSelection() {
    QFETCH(QString, text);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(bool, enabled);
    for (bool wrap : {true, false}) {
        TestEnv env;
        MainWindow& w = env.start();
        setWrap(w, wrap);
        TextView& v = w.views().visible();
        v.setText(text);
        v.setSelStart(start);
        v.setSelLength(length);
        ReplaceDialog f(w.workspace());
        f.takeOverSelection();
        QCOMPARE(f.controls().targetEdit->text(), text.mid(start, length));
        QCOMPARE(f.controls().replacementEdit->text(), QString());
        QCOMPARE(f.controls().findButton->isEnabled(), enabled);
        QCOMPARE(f.controls().replaceButton->isEnabled(), enabled);
        QCOMPARE(f.controls().replaceAllButton->isEnabled(), enabled);
        QVERIFY(!f.controls().fromTopBox->isChecked());
        if (!enabled)
            continue;
        // Replace at once replaces the selection and moves on.
        f.controls().replacementEdit->setText(u"#"_s);
        env.prompts.answer(Prompts::Answer::Ok);
        f.replaceAndFindNext();
        QCOMPARE(v.text(), text.left(start) + u"#"_s + text.mid(start + length));
        QCOMPARE(v.selStart(), start + 1);
        QCOMPARE(messagesShown(env.prompts), QStringList{NotFound});
    }
}

void TestReplace::replaceButtonNeedsTheExactTarget_data() {
    QTest::addColumn<qsizetype>("selLength"); // selected from the start of "ABCabc"
    QTest::addColumn<qsizetype>("selStart");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("findAndAll");
    QTest::addColumn<bool>("replace");
    QTest::newRow("same text") << qsizetype(3) << qsizetype(3) << u"abc"_s << true << true;
    QTest::newRow("differs in case") << qsizetype(3) << qsizetype(0) << u"abc"_s << true << false;
    QTest::newRow("nothing selected") << qsizetype(0) << qsizetype(3) << u"abc"_s << true << false;
    QTest::newRow("target emptied") << qsizetype(3) << qsizetype(3) << QString() << false << false;
}

void TestReplace::replaceButtonNeedsTheExactTarget() {
    QFETCH(qsizetype, selLength);
    QFETCH(qsizetype, selStart);
    QFETCH(QString, typed);
    QFETCH(bool, findAndAll);
    QFETCH(bool, replace);
    TestEnv env;
    MainWindow& w = env.start();
    TextView& v = w.views().visible();
    v.setText(u"ABCabc"_s);
    ReplaceDialog f(w.workspace());
    f.takeOverSelection();
    v.setSelStart(selStart);
    v.setSelLength(selLength);
    f.controls().targetEdit->setText(u"x"_s);
    f.controls().targetEdit->clear();
    QTest::keyClicks(f.controls().targetEdit, typed); // typed, as the user does
    const Enabled e = buttons(f);
    QCOMPARE(e.find, findAndAll);
    QCOMPARE(e.all, findAndAll);
    QCOMPARE(e.replace, replace);
}

void TestReplace::commandSequences_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<bool>("wrap");

    const QList<std::tuple<const char*, QString, QString, QString, QList<Step>>> cases = {
        {"Find twice finds two occurrences then reports none",
         u"abcabc"_s,
         u"abc"_s,
         QString(),
         {findStep(0, 3, u"abcabc"_s, true), findStep(3, 3, u"abcabc"_s, true),
          findStep(6, 0, u"abcabc"_s, false, {NotFound})}},
        {"loose match enables Replace until the target is edited",
         u"xABC"_s,
         u"abc"_s,
         QString(),
         {findStep(1, 3, u"xABC"_s, true), target(u"ab"_s, false), target(u"abc"_s, false)}},
        {"the box makes one search start at the top",
         u"abcabc"_s,
         u"abc"_s,
         QString(),
         {findStep(0, 3, u"abcabc"_s, true), findStep(3, 3, u"abcabc"_s, true), tick(),
          findStep(0, 3, u"abcabc"_s, true), findStep(3, 3, u"abcabc"_s, true)}},
        {"Replace moves on to each next occurrence",
         u"a-a-a"_s,
         u"a"_s,
         u"bb"_s,
         {findStep(0, 1, u"a-a-a"_s, true), replaceStep(3, 1, u"bb-a-a"_s, true),
          replaceStep(6, 1, u"bb-bb-a"_s, true),
          replaceStep(8, 0, u"bb-bb-bb"_s, false, {NotFound})}},
        {"Replace with no further occurrence",
         u"abc x"_s,
         u"abc"_s,
         u"Z"_s,
         {findStep(0, 3, u"abc x"_s, true), replaceStep(1, 0, u"Z x"_s, false, {NotFound})}},
        {"empty replacement deletes the selection",
         u"abab"_s,
         u"a"_s,
         QString(),
         {findStep(0, 1, u"abab"_s, true), replaceStep(1, 1, u"bab"_s, true)}},
        {"Replace after Replace all inserts at the caret",
         u"aXa"_s,
         u"a"_s,
         u"b"_s,
         {allStep(3, u"bXb"_s, true), replaceStep(4, 0, u"bXbb"_s, false, {NotFound})}},
        {"Replace all with nothing found leaves Replace off",
         u"xyz"_s,
         u"a"_s,
         u"b"_s,
         {allStep(0, u"xyz"_s, false)}},
        {"replacement holding the target is not searched again",
         u"abcabc"_s,
         u"abc"_s,
         u"abcabc"_s,
         {findStep(0, 3, u"abcabc"_s, true), replaceStep(6, 3, u"abcabcabc"_s, true)}},
    };
    for (const auto& [name, text, before, after, steps] : cases) {
        for (bool wrap : {true, false}) {
            QTest::addRow("%s (wrap %s)", name, wrap ? "on" : "off")
                << text << before << after << steps << wrap;
        }
    }
}

void TestReplace::commandSequences() {
    QFETCH(QString, text);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QList<Step>, steps);
    QFETCH(bool, wrap);

    TestEnv env;
    MainWindow& w = env.start();
    setWrap(w, wrap);
    TextView& v = w.views().visible();
    v.setText(text);
    ReplaceDialog f(w.workspace());
    f.takeOverSelection();
    f.controls().targetEdit->setText(before);
    f.controls().replacementEdit->setText(after);

    for (int i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        const QByteArray where = "step " + QByteArray::number(i + 1);
        for (qsizetype k = 0; k < s.messages.size(); ++k)
            env.prompts.answer(Prompts::Answer::Ok);
        switch (s.kind) {
        case Step::Tick:
            QTest::mouseClick(f.controls().fromTopBox, Qt::LeftButton, {},
                              QPoint(4, f.controls().fromTopBox->height() / 2));
            QVERIFY(f.controls().fromTopBox->isChecked());
            continue;
        case Step::Target:
            f.controls().targetEdit->setText(s.arg);
            QVERIFY2(f.controls().replaceButton->isEnabled() == s.replaceEnabled, where);
            continue;
        case Step::Select:
            v.setSelStart(s.start);
            v.setSelLength(s.length);
            continue;
        case Step::Find:
            f.controls().findButton->click();
            break;
        case Step::Replace:
            f.controls().replaceButton->click();
            break;
        case Step::All:
            f.controls().replaceAllButton->click();
            break;
        }
        QVERIFY2(v.text() == s.text, where + " text " + v.text().toUtf8());
        QVERIFY2(v.selStart() == s.start, where + " start " + QByteArray::number(v.selStart()));
        QVERIFY2(v.selLength() == s.length, where + " length " + QByteArray::number(v.selLength()));
        QVERIFY2(f.controls().replaceButton->isEnabled() == s.replaceEnabled,
                 where + " Replace button");
        QVERIFY2(!f.controls().fromTopBox->isChecked(), where + " box unticked after the search");
        QCOMPARE(messagesShown(env.prompts), s.messages);
        env.prompts.verifyDone();
    }
}

void TestReplace::replaceAllCoversThePageFromTheTop_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("result");
    QTest::addColumn<qsizetype>("caret");
    QTest::addColumn<bool>("wrap");

    const QList<std::tuple<const char*, QString, QString, QString, QString, qsizetype>> cases = {
        {"a by aa in aaa", u"aaa"_s, u"a"_s, u"aa"_s, u"aaaaaa"_s, 6},
        {"empty replacement deletes", u"a1a2a3"_s, u"A"_s, QString(), u"123"_s, 2},
        {"no occurrence changes nothing", u"hello"_s, u"zz"_s, u"y"_s, u"hello"_s, 0},
        {"width and kana ignored", u"ＡＢ あいう ab"_s, u"ab"_s, u"アイ"_s, u"アイ あいう アイ"_s,
         9},
        {"over line ends", u"x\r\nx\r\n"_s, u"\r\n"_s, u"|"_s, u"x|x|"_s, 4},
        {"next to surrogate pairs", u"😀a😀"_s, u"a"_s, u"bc"_s, u"😀bc😀"_s, 4},
    };
    for (const auto& [name, text, before, after, result, caret] : cases) {
        for (bool wrap : {true, false}) {
            QTest::addRow("%s (wrap %s)", name, wrap ? "on" : "off")
                << text << before << after << result << caret << wrap;
        }
    }
}

// Whatever the caret and the box say, Replace all starts at the top and ends
// with the caret after the last replacement, nothing selected.
void TestReplace::replaceAllCoversThePageFromTheTop() {
    QFETCH(QString, text);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, result);
    QFETCH(qsizetype, caret);
    QFETCH(bool, wrap);
    TestEnv env;
    MainWindow& w = env.start();
    setWrap(w, wrap);
    TextView& v = w.views().visible();
    v.setText(text);
    v.setSelStart(text.size() - 1);
    v.setSelLength(1);
    ReplaceDialog f(w.workspace());
    f.takeOverSelection();
    f.controls().targetEdit->setText(before);
    f.controls().replacementEdit->setText(after);
    f.controls().fromTopBox->setChecked(true);
    env.prompts.answer(Prompts::Answer::Ok);
    f.controls().replaceAllButton->click();
    QCOMPARE(v.text(), result);
    QCOMPARE(v.selStart(), caret);
    QCOMPARE(v.selLength(), 0);
    QCOMPARE(f.controls().replaceButton->isEnabled(), result != text);
    QVERIFY(f.controls().fromTopBox->isChecked()); // the box is for Find only
    QCOMPARE(messagesShown(env.prompts), QStringList{Done});
    QCOMPARE(w.views().wrappedShown(), wrap);
}

// One Undo brings the whole page back; the Edit menu's own flag is untouched.
void TestReplace::replaceAllIsOneUndoStep() {
    for (bool undoAvailable : {false, true}) {
        TestEnv env;
        MainWindow& w = env.start();
        TextView& v = w.views().visible();
        const QString text = u"one two one two one\r\ntwo one"_s;
        v.setText(text);
        w.workspace().state.undoAvailable = undoAvailable;
        ReplaceDialog f(w.workspace());
        f.takeOverSelection();
        f.controls().targetEdit->setText(u"one"_s);
        f.controls().replacementEdit->setText(u"1"_s);
        env.prompts.answer(Prompts::Answer::Ok);
        f.replaceAll();
        QCOMPARE(v.text(), u"1 two 1 two 1\r\ntwo 1"_s);
        QCOMPARE(w.workspace().state.undoAvailable, undoAvailable);
        v.undo();
        QCOMPARE(v.text(), text);
        env.prompts.calls.clear();
    }
}

void TestReplace::centredOnTheMainWindow_data() {
    QTest::addColumn<QRect>("mainTwips");
    QTest::newRow("on the screen") << QRect(1500, 1200, 9000, 6000);
    QTest::newRow("odd sizes") << QRect(3000, 1500, 7001, 5001);
    QTest::newRow("left partly off the screen") << QRect(-6000, 1500, 6000, 3000);
}

// Centred outer rectangle on outer rectangle, and not moved back onto the
// screen.
void TestReplace::centredOnTheMainWindow() {
    QFETCH(QRect, mainTwips);
    TestEnv env;
    MainWindow& w = env.start();
    w.placement.place(QRectF(mainTwips.x(), mainTwips.y(), mainTwips.width(), mainTwips.height()));
    ReplaceDialog f(w.workspace());
    f.takeOverSelection();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const QRect main = w.frameGeometry();
    const QRect dialog = f.frameGeometry();
    const double dx = (dialog.x() + dialog.width() / 2.0) - (main.x() + main.width() / 2.0);
    const double dy = (dialog.y() + dialog.height() / 2.0) - (main.y() + main.height() / 2.0);
    const double pixel = twips::toPx(15, &f) + 0.5; // halving in whole twips, then rounding
    QVERIFY2(std::abs(dx) <= pixel && std::abs(dy) <= pixel,
             qPrintable(u"off centre by %1, %2 px"_s.arg(dx).arg(dy)));
    QCOMPARE(dialog.x() < 0, mainTwips.x() < 0);
    f.close();
}

// The menu item opens the dialog modally; closing it keeps what it selected,
// and the next opening starts afresh.
void TestReplace::replaceMenuOpensModalDialog() {
    TestEnv env;
    MainWindow& w = env.start();
    TextView& v = w.views().visible();
    v.setText(u"cat dog cat"_s);
    v.setSelStart(0);
    v.setSelLength(3);

    bool ran = false;
    QTimer::singleShot(0, this, [&] {
        auto* f = qobject_cast<ReplaceDialog*>(QApplication::activeModalWidget());
        QVERIFY(f);
        auto closeAtEnd = qScopeGuard([f] { f->close(); });
        ran = true;
        QVERIFY(f->isModal());
        QCOMPARE(f->controls().targetEdit->text(), u"cat"_s);
        QCOMPARE(f->focusWidget(), f->controls().targetEdit);
        QTest::keyClick(f, Qt::Key_Escape); // no cancel button
        QVERIFY(f->isVisible());
        QTest::keyClick(f->controls().targetEdit, Qt::Key_Return); // no default button
        QCOMPARE(v.selStart(), 0);
        f->controls().replacementEdit->setText(u"x"_s);
        f->controls().findButton->click();
        QCOMPARE(v.selStart(), 8);
    });
    w.search.replace();
    QVERIFY(ran);
    QCOMPARE(v.selStart(), 8);
    QCOMPARE(v.selLength(), 3);

    QTimer::singleShot(0, this, [&] {
        auto* f = qobject_cast<ReplaceDialog*>(QApplication::activeModalWidget());
        QVERIFY(f);
        auto closeAtEnd = qScopeGuard([f] { f->close(); });
        QCOMPARE(f->controls().targetEdit->text(), u"cat"_s);
        QCOMPARE(f->controls().replacementEdit->text(), QString());
        QVERIFY(!f->controls().fromTopBox->isChecked());
    });
    triggerAction(&w, u"replace"_s);
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestReplace)
#include "tst_replace.moc"
