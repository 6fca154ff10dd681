#include "support/test_env.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

namespace {

// A clipboard marker for rows: null = nothing on it, this = only an image.
const QString ImageOnly = QStringLiteral("<image>");

void putOnClipboard(const QString& content) {
    QClipboard* cb = QApplication::clipboard();
    if (content.isNull()) {
        cb->clear();
    } else if (content == ImageOnly) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        auto* data = new QMimeData;
        data->setImageData(image);
        cb->setMimeData(data);
    } else {
        cb->setText(content);
    }
}

bool enabled(QWidget* window, const char* name) {
    auto* a = window->findChild<QAction*>(QString::fromLatin1(name));
    return a && a->isEnabled();
}

// Starts the program shown and active, with word wrap off when asked.
MainWindow& startActive(TestEnv& env, bool wrapOff) {
    MainWindow& w = env.start();
    if (wrapOff)
        triggerAction(&w, QStringLiteral("wordWrap"));
    QApplication::setActiveWindow(&w);
    if (!QTest::qWaitForWindowActive(&w))
        qWarning("main window did not become active");
    return w;
}

void addWrapColumn() {
    QTest::addColumn<bool>("wrapOff");
}

} // namespace

class TestEditCommands : public QObject {
    Q_OBJECT

private slots:
    void menuEnabling_data();
    void menuEnabling();
    void openingMenuMirrorsVisibleViewIntoText1_data();
    void openingMenuMirrorsVisibleViewIntoText1();
    void keystrokeCommands_data();
    void keystrokeCommands();
    void undoFromMenuTwice_data();
    void undoFromMenuTwice();
    void clearPage_data();
    void clearPage();
    void selectAll_data();
    void selectAll();
    void cancelSelection_data();
    void cancelSelection();
    void clearClipboard();
    void typedKeys_data();
    void typedKeys();
};

void TestEditCommands::menuEnabling_data() {
    addWrapColumn();
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<bool>("undo");
    // What the menu offers: cut (with copy, delete, cancel selection), paste
    // (with clear clipboard), select all, clear page, undo.
    QTest::addColumn<bool>("selectionItems");
    QTest::addColumn<bool>("pasteItems");
    QTest::addColumn<bool>("allSel");
    QTest::addColumn<bool>("clearPage");

    const QString text = QStringLiteral("abc\r\ndef"); // 8 units, CR LF counting 2
    for (bool off : {false, true}) {
        const char* view = off ? "wrap off: " : "wrap on: ";
        auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow((QByteArray(view) + name).constData()) << off;
        };
        row("empty page") << QString() << 0 << 0 << QString() << false << false << false << false
                          << false;
        row("empty page, undo available") << QString() << 0 << 0 << QStringLiteral("x") << true
                                          << false << true << false << false;
        row("caret only, text on clipboard")
            << text << 2 << 0 << QStringLiteral("xyz") << false << false << true << true << true;
        row("caret at the end") << text << 8 << 0 << QString() << false << false << false << true
                                << true;
        row("some text selected across a line end")
            << text << 1 << 4 << QString() << true << true << false << true << true;
        row("whole text selected")
            << text << 0 << 8 << QStringLiteral("x") << false << true << true << false << true;
        row("all but the last character selected")
            << text << 0 << 7 << QString() << false << true << false << true << true;
        row("image only on clipboard")
            << text << 0 << 0 << ImageOnly << false << false << false << true << true;
        row("empty text on clipboard")
            << text << 0 << 0 << QStringLiteral("") << false << false << false << true << true;
    }
}

void TestEditCommands::menuEnabling() {
    QFETCH(bool, wrapOff);
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, clipboard);
    QFETCH(bool, undo);
    QFETCH(bool, selectionItems);
    QFETCH(bool, pasteItems);
    QFETCH(bool, allSel);
    QFETCH(bool, clearPage);

    TestEnv env;
    MainWindow& w = startActive(env, wrapOff);
    TextView& v = w.views().visible();
    v.setText(text);
    v.setSelStart(selStart);
    v.setSelLength(selLength);
    putOnClipboard(clipboard);
    w.workspace().state.undoAvailable = undo;

    openMenu(&w, QStringLiteral("editMenu"));
    QCOMPARE(enabled(&w, "cut"), selectionItems);
    QCOMPARE(enabled(&w, "copy"), selectionItems);
    QCOMPARE(enabled(&w, "deleteSelection"), selectionItems);
    QCOMPARE(enabled(&w, "deselect"), selectionItems);
    QCOMPARE(enabled(&w, "paste"), pasteItems);
    QCOMPARE(enabled(&w, "clearClipboard"), pasteItems);
    QCOMPARE(enabled(&w, "selectAll"), allSel);
    QCOMPARE(enabled(&w, "clearPage"), clearPage);
    QCOMPARE(enabled(&w, "undo"), undo);
    // Opening the menu changes neither the text nor the selection on show.
    QCOMPARE(v.text(), text);
    QCOMPARE(v.selStart(), selStart);
    QCOMPARE(v.selLength(), selLength);
}

void TestEditCommands::openingMenuMirrorsVisibleViewIntoText1_data() {
    addWrapColumn();
    QTest::newRow("wrap on: nothing copied") << false;
    QTest::newRow("wrap off: Text2 copied into Text1") << true;
}

void TestEditCommands::openingMenuMirrorsVisibleViewIntoText1() {
    QFETCH(bool, wrapOff);
    TestEnv env;
    env.setPage(1, QStringLiteral("stored"));
    MainWindow& w = startActive(env, wrapOff);
    TextView& visible = w.views().visible();
    TextView& hidden = w.views().hidden();
    visible.setText(QStringLiteral("one\r\ntwo\r\nthree"));
    visible.setSelStart(5);
    visible.setSelLength(5);

    openMenu(&w, QStringLiteral("editMenu"));
    if (wrapOff) {
        QCOMPARE(w.views().wrappedView.text(), QStringLiteral("one\r\ntwo\r\nthree"));
        QCOMPARE(w.views().wrappedView.selStart(), 5);
        QCOMPARE(w.views().wrappedView.selLength(), 5);
    } else {
        // The hidden non-wrapping view keeps its older copy.
        QCOMPARE(hidden.text(), QStringLiteral("stored"));
    }
    QVERIFY(w.views().wrappedView.isHidden() == wrapOff);
}

void TestEditCommands::keystrokeCommands_data() {
    addWrapColumn();
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("clipboardBefore");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<int>("selStartAfter");
    QTest::addColumn<int>("selLengthAfter");
    QTest::addColumn<QString>("clipboardAfter");
    QTest::addColumn<bool>("undoAtOnce"); // set by the command itself
    QTest::addColumn<int>("typed");       // character notified, 0 = none

    const QString t = QStringLiteral("abc\r\ndef");
    const QString old = QStringLiteral("old");
    for (bool off : {false, true}) {
        const char* view = off ? "wrap off: " : "wrap on: ";
        auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow((QByteArray(view) + name).constData()) << off;
        };
        row("cut across a line end") << "cut" << t << 2 << 4 << old << QStringLiteral("abef") << 2
                                     << 0 << QStringLiteral("c\r\nd") << true << 0x18;
        row("cut without selection")
            << "cut" << t << 2 << 0 << old << t << 2 << 0 << old << true << 0x18;
        row("copy across a line end") << "copy" << t << 2 << 4 << old << t << 2 << 4
                                      << QStringLiteral("c\r\nd") << false << 0x03;
        row("paste over a selection") << "paste" << t << 1 << 1 << QStringLiteral("X\r\nY")
                                      << QStringLiteral("aX\r\nYc\r\ndef") << 5 << 0
                                      << QStringLiteral("X\r\nY") << true << 0x16;
        row("paste with nothing on the clipboard")
            << "paste" << t << 1 << 0 << QString() << t << 1 << 0 << QString() << true << 0x16;
        row("delete a selection") << "deleteSelection" << t << 1 << 2 << old
                                  << QStringLiteral("a\r\ndef") << 1 << 0 << old << true << 0;
        row("delete a line end") << "deleteSelection" << t << 3 << 0 << old
                                 << QStringLiteral("abcdef") << 3 << 0 << old << true << 0;
        row("delete at the end") << "deleteSelection" << t << 8 << 0 << old << t << 8 << 0 << old
                                 << true << 0;
    }
}

// Each command focuses the visible view and queues its key: nothing happens
// to the text until the event loop runs, then the view does the edit itself.
void TestEditCommands::keystrokeCommands() {
    QFETCH(bool, wrapOff);
    QFETCH(QString, command);
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, clipboardBefore);
    QFETCH(QString, textAfter);
    QFETCH(int, selStartAfter);
    QFETCH(int, selLengthAfter);
    QFETCH(QString, clipboardAfter);
    QFETCH(bool, undoAtOnce);
    QFETCH(int, typed);

    TestEnv env;
    MainWindow& w = startActive(env, wrapOff);
    TextView& v = w.views().visible();
    v.setText(text);
    v.setSelStart(selStart);
    v.setSelLength(selLength);
    v.clearFocus();
    putOnClipboard(clipboardBefore);
    w.workspace().state.undoAvailable = false;
    QSignalSpy notified(&v, &TextView::charTyped);

    QVERIFY(triggerAction(&w, command));
    QCOMPARE(w.focusWidget(), &v);
    QCOMPARE(w.workspace().state.undoAvailable, undoAtOnce);
    QCOMPARE(v.text(), text); // not yet: the key waits in the queue

    QCoreApplication::processEvents();
    QCOMPARE(v.text(), textAfter);
    QCOMPARE(v.selStart(), selStartAfter);
    QCOMPARE(v.selLength(), selLengthAfter);
    QCOMPARE(env.clipboard.text(), clipboardAfter.isNull() ? QString("") : clipboardAfter);
    if (typed) {
        QCOMPARE(notified.size(), 1);
        QCOMPARE(notified.at(0).at(0).value<QChar>(), QChar(char16_t(typed)));
    } else {
        QCOMPARE(notified.size(), 0);
    }
    // Every one of them leaves undo offered at the next opening of the menu.
    QVERIFY(w.workspace().state.undoAvailable);
    openMenu(&w, QStringLiteral("editMenu"));
    QVERIFY(enabled(&w, "undo"));
}

void TestEditCommands::undoFromMenuTwice_data() {
    addWrapColumn();
    QTest::newRow("wrap on") << false;
    QTest::newRow("wrap off") << true;
}

void TestEditCommands::undoFromMenuTwice() {
    QFETCH(bool, wrapOff);
    TestEnv env;
    MainWindow& w = startActive(env, wrapOff);
    TextView& v = w.views().visible();
    v.setText(QStringLiteral("base"));
    v.setSelStart(4);
    v.replaceSelection(QStringLiteral("1"));
    v.replaceSelection(QStringLiteral("\r\n2"));
    QCOMPARE(v.text(), QStringLiteral("base1\r\n2"));
    w.workspace().state.undoAvailable = false;

    // Undo while the menu does not offer it: the queued Ctrl+Z is a typed
    // character, so the item is offered again afterwards.
    QVERIFY(triggerAction(&w, QStringLiteral("undo")));
    QVERIFY(!w.workspace().state.undoAvailable);
    QCoreApplication::processEvents();
    QCOMPARE(v.text(), QStringLiteral("base1"));
    openMenu(&w, QStringLiteral("editMenu"));
    QVERIFY(enabled(&w, "undo"));

    QVERIFY(triggerAction(&w, QStringLiteral("undo")));
    QCoreApplication::processEvents();
    QCOMPARE(v.text(), QStringLiteral("base"));
    openMenu(&w, QStringLiteral("editMenu"));
    QVERIFY(enabled(&w, "undo"));
}

void TestEditCommands::clearPage_data() {
    addWrapColumn();
    QTest::addColumn<bool>("yes");
    QTest::newRow("wrap on, Yes") << false << true;
    QTest::newRow("wrap on, No") << false << false;
    QTest::newRow("wrap off, Yes") << true << true;
    QTest::newRow("wrap off, No") << true << false;
}

void TestEditCommands::clearPage() {
    QFETCH(bool, wrapOff);
    QFETCH(bool, yes);
    TestEnv env;
    env.setPage(1, QStringLiteral("stored\r\ntext"));
    MainWindow& w = startActive(env, wrapOff);
    w.views().visible().setText(QStringLiteral("edited"));
    w.workspace().state.undoAvailable = true;
    const QString text1 = w.views().wrappedView.text();
    const QString text2 = w.views().unwrappedView.text();

    env.prompts.answer(yes ? Prompts::Answer::Yes : Prompts::Answer::No);
    QVERIFY(triggerAction(&w, QStringLiteral("clearPage")));
    QCOMPARE(env.prompts.calls.size(), 1);
    const PromptCall& call = env.prompts.calls.first();
    QCOMPARE(call.text,
             QStringLiteral(
                 "現在のページの内容をすべて破棄してよろしいですか？(元に戻すも無効になります)"));
    QCOMPARE(call.title, QStringLiteral("Sorabun"));
    QCOMPARE(call.buttons, Prompts::Buttons::YesNo);
    QCOMPARE(call.defaultButton, Prompts::Answer::Yes);

    if (yes) {
        QCOMPARE(w.views().wrappedView.text(), QString(""));
        QCOMPARE(w.views().unwrappedView.text(), QString(""));
        QVERIFY(!w.workspace().state.undoAvailable);
    } else {
        QCOMPARE(w.views().wrappedView.text(), text1);
        QCOMPARE(w.views().unwrappedView.text(), text2);
        QVERIFY(w.workspace().state.undoAvailable);
    }
    openMenu(&w, QStringLiteral("editMenu"));
    QCOMPARE(enabled(&w, "undo"), !yes);
    QCOMPARE(enabled(&w, "clearPage"), !yes);
    // The page reaches the store only when it is next saved.
    QCOMPARE(env.page(1), QStringLiteral("stored\r\ntext"));
    env.prompts.verifyDone();
}

void TestEditCommands::selectAll_data() {
    addWrapColumn();
    QTest::newRow("wrap on") << false;
    QTest::newRow("wrap off") << true;
}

void TestEditCommands::selectAll() {
    QFETCH(bool, wrapOff);
    TestEnv env;
    MainWindow& w = startActive(env, wrapOff);
    TextView& v = w.views().visible();
    TextView& h = w.views().hidden();
    const QString text = QStringLiteral("ab\r\ncd\r\n");
    v.setText(text);
    v.setSelStart(3);
    h.setText(QStringLiteral("hidden text"));
    h.setSelStart(2);

    QVERIFY(triggerAction(&w, QStringLiteral("selectAll")));
    QCOMPARE(v.selStart(), 0);
    QCOMPARE(v.selLength(), text.size());
    QCOMPARE(v.selText(), text);
    // The hidden view is left alone.
    QCOMPARE(h.selStart(), 2);
    QCOMPARE(h.selLength(), 0);

    openMenu(&w, QStringLiteral("editMenu"));
    QVERIFY(!enabled(&w, "selectAll"));
    QVERIFY(enabled(&w, "cut"));
    QVERIFY(enabled(&w, "deselect"));
}

void TestEditCommands::cancelSelection_data() {
    addWrapColumn();
    QTest::addColumn<bool>("backwards");
    QTest::newRow("wrap on") << false << false;
    QTest::newRow("wrap off") << true << false;
    QTest::newRow("wrap on, selected right to left") << false << true;
    QTest::newRow("wrap off, selected right to left") << true << true;
}

void TestEditCommands::cancelSelection() {
    QFETCH(bool, wrapOff);
    QFETCH(bool, backwards);
    TestEnv env;
    MainWindow& w = startActive(env, wrapOff);
    TextView& v = w.views().visible();
    TextView& h = w.views().hidden();
    v.setText(QStringLiteral("abc\r\ndef"));
    if (backwards) {
        // The caret sits at the left end, the anchor at the right.
        QTextCursor c = v.textCursor();
        c.setPosition(6);
        c.setPosition(2, QTextCursor::KeepAnchor);
        v.setTextCursor(c);
    } else {
        v.setSelStart(2);
        v.setSelLength(5);
    }
    QCOMPARE(v.selStart(), 2);
    QCOMPARE(v.selLength(), 5);
    h.setText(QStringLiteral("hidden"));
    h.setSelStart(1);
    h.setSelLength(3);

    QVERIFY(triggerAction(&w, QStringLiteral("deselect")));
    QCOMPARE(v.selStart(), 2);
    QCOMPARE(v.selLength(), 0);
    QCOMPARE(h.selStart(), 1);
    QCOMPARE(h.selLength(), 0);
    QCOMPARE(v.text(), QStringLiteral("abc\r\ndef"));
}

void TestEditCommands::clearClipboard() {
    TestEnv env;
    MainWindow& w = startActive(env, false);
    w.views().wrappedView.setText(QStringLiteral("abc"));
    putOnClipboard(QStringLiteral("on the clipboard"));
    openMenu(&w, QStringLiteral("editMenu"));
    QVERIFY(enabled(&w, "clearClipboard"));

    QVERIFY(triggerAction(&w, QStringLiteral("clearClipboard")));
    QCOMPARE(env.clipboard.text(), QString(""));
    QVERIFY(env.prompts.calls.isEmpty());
    openMenu(&w, QStringLiteral("editMenu"));
    QVERIFY(!enabled(&w, "paste"));
    QVERIFY(!enabled(&w, "clearClipboard"));
    QCOMPARE(w.views().wrappedView.text(), QStringLiteral("abc"));
}

void TestEditCommands::typedKeys_data() {
    addWrapColumn();
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("offersUndo");
    struct Key {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        bool offers;
    };
    const Key keys[] = {
        {"letter", Qt::Key_A, Qt::NoModifier, true},
        {"Enter", Qt::Key_Return, Qt::NoModifier, true},
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier, true},
        {"Ctrl+A", Qt::Key_A, Qt::ControlModifier, true},
        {"Delete", Qt::Key_Delete, Qt::NoModifier, false},
        {"arrow", Qt::Key_Left, Qt::NoModifier, false},
        {"function key", Qt::Key_F5, Qt::NoModifier, false},
    };
    for (bool off : {false, true}) {
        for (const Key& k : keys) {
            QTest::newRow((QByteArray(off ? "wrap off: " : "wrap on: ") + k.name).constData())
                << off << int(k.key) << int(k.mods) << k.offers;
        }
    }
}

void TestEditCommands::typedKeys() {
    QFETCH(bool, wrapOff);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, offersUndo);
    TestEnv env;
    MainWindow& w = startActive(env, wrapOff);
    TextView& v = w.views().visible();
    v.setText(QStringLiteral("abc"));
    v.setSelStart(1);
    v.setFocus();
    QCOMPARE(w.workspace().state.undoAvailable, false);

    QTest::keyClick(&v, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(w.workspace().state.undoAvailable, offersUndo);
    openMenu(&w, QStringLiteral("editMenu"));
    QCOMPARE(enabled(&w, "undo"), offersUndo);
}

QTEST_MAIN(TestEditCommands)
#include "tst_edit_commands.moc"
