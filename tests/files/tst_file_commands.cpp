#include "files/text_file.h"
#include "support/file_size_limit.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <memory>

#include <unistd.h>

namespace {

using Answer = Prompts::Answer;
using Buttons = Prompts::Buttons;

const QString Unexpected = QStringLiteral("予期せぬエラーが発生しました\r\ncode-");
const QString SelectionQuestion =
    QStringLiteral("現在選択されている範囲は削除してよろしいですか？\r\n"
                   "はい＝選択範囲を消してそこに挿入\r\n"
                   "いいえ＝選択範囲の一番はじめの位置に挿入");
const QString TooLargeQuestion =
    QStringLiteral("ファイルが大きすぎます。ファイルのパスをワードパットに送りますか？");
const QString OverwriteQuestion =
    QStringLiteral("そのファイルは存在しています、上書きしてよろしいですか？");
const QString Filter = QStringLiteral("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*");

// Code page 932 bytes of あ ① ～ 髙 and their text.
const QByteArray JapaneseBytes("\x82\xA0\x87\x40\x81\x60\xFB\xFC");
const QString JapaneseText = QStringView(u"あ①\uFF5E髙").toString();

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// A file longer than the views take; sparse, so it costs no disk.
QString hugeFile(const TestEnv& env, const QString& name) {
    const QString path = env.dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.resize(textfile::MaxFileBytes + 1);
    return path;
}

void select(TextView& view, qsizetype start, qsizetype length) {
    view.setSelStart(start);
    view.setSelLength(length);
}

} // namespace

Q_DECLARE_METATYPE(Prompts::Answer)

class FileCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void openTextReplacesPage_data();
    void openTextReplacesPage();
    void openFailureShowsNumber_data();
    void openFailureShowsNumber();
    void openCancelChangesNothing();
    void intoText_data();
    void intoText();
    void intoTextWithWrapOffUsesText2();
    void tooLargeFileOffered_data();
    void tooLargeFileOffered();
    void tooLargeForViewsKeepsSelection();

    void fileOutWritesCodePage932_data();
    void fileOutWritesCodePage932();
    void roundTripAddsOneLineEnd();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void fileOutWithWrapOffUsesText2();
    void unrepresentableCharacters_data();
    void unrepresentableCharacters();
    void fileOutFailures_data();
    void fileOutFailures();

private:
    std::unique_ptr<TestEnv> env;
    MainWindow* w = nullptr;
};

void FileCommandsTest::init() {
    env = std::make_unique<TestEnv>();
    env->setPage(1, QStringLiteral("before\r\n"));
    w = &env->start();
}

void FileCommandsTest::cleanup() {
    env->prompts.verifyDone();
    env->com.verifyDone();
    env.reset();
    w = nullptr;
}

// ---- opening -----------------------------------------------------------------

void FileCommandsTest::openTextReplacesPage_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("wrapOff");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ascii") << QByteArray("abc") << false << QStringLiteral("abc");
    QTest::newRow("Shift-JIS decoded") << JapaneseBytes + "\r\n"
                                       << false << JapaneseText + QStringLiteral("\r\n");
    QTest::newRow("LF-only kept") << QByteArray("a\nb\n") << false << QStringLiteral("a\nb\n");
    QTest::newRow("wrap off keeps Text2 visible")
        << QByteArray("x\r\ny") << true << QStringLiteral("x\r\ny");
    QTest::newRow("empty file changes nothing")
        << QByteArray() << false << QStringLiteral("before\r\n");
    QTest::newRow("UTF-8 without a mark") << QStringLiteral("今日の買い物\nりんご\n").toUtf8()
                                          << false << QStringLiteral("今日の買い物\nりんご\n");
    QTest::newRow("UTF-16 LE with a mark, wrap off")
        << QByteArray("\xFF\xFE\x42\x30\r\0\n\0", 8) << true << QStringLiteral("あ\r\n");
    QTest::newRow("only a UTF-8 mark changes nothing")
        << QByteArray("\xEF\xBB\xBF") << false << QStringLiteral("before\r\n");
}

void FileCommandsTest::openTextReplacesPage() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, wrapOff);
    QFETCH(QString, shown);
    if (wrapOff)
        w->toggleWordWrap();
    const bool wrappedShown = w->views().wrappedShown();
    select(w->views().visible(), 2, 3);
    w->workspace().state.undoAvailable = true;
    const QString path = env->writeFile(QStringLiteral("in.txt"), bytes);
    env->com.chooseFile(path);

    QVERIFY(triggerAction(w, QStringLiteral("openIntoPage")));

    QCOMPARE(env->com.shown, QStringList{QStringLiteral("open")});
    QCOMPARE(env->com.flagsShown, QList<int>{CommonDialog::HideReadOnly});
    QCOMPARE(env->com.filter, Filter);
    QCOMPARE(env->com.dialogTitle, QStringLiteral("開く"));
    QVERIFY(env->prompts.calls.isEmpty());
    QCOMPARE(w->views().wrappedView.text(), shown);
    QCOMPARE(w->views().unwrappedView.text(), shown);
    QCOMPARE(w->views().wrappedShown(), wrappedShown);
    QCOMPARE(w->workspace().state.lastOpenedFile, path);
    // The page store catches up only at the next page switch.
    QCOMPARE(env->page(1), QStringLiteral("before\r\n"));
    if (shown == u"before\r\n") { // nothing read: nothing changes
        QCOMPARE(w->workspace().state.undoAvailable, true);
        QCOMPARE(w->views().visible().selLength(), 3);
    } else {
        QCOMPARE(w->workspace().state.undoAvailable, false);
        QCOMPARE(w->views().wrappedView.selStart(), 0);
        QCOMPARE(w->views().unwrappedView.selStart(), 0);
        QCOMPARE(w->views().visible().selLength(), 0);
    }
}

void FileCommandsTest::openFailureShowsNumber_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("failure");
    QTest::newRow("typed name that does not exist") << "missing" << int(textfile::FileNotFound);
    QTest::newRow("a folder") << "folder" << int(textfile::PathFileAccess);
}

void FileCommandsTest::openFailureShowsNumber() {
    QFETCH(QString, kind);
    QFETCH(int, failure);
    // A file read earlier stays the last opened one.
    const QString earlier = env->writeFile(QStringLiteral("earlier.txt"), "before\r\n");
    env->com.chooseFile(earlier);
    w->files.openIntoPage();
    w->workspace().state.undoAvailable = true;

    const QString path = env->dir.filePath(QStringLiteral("bad"));
    if (kind == u"folder")
        QVERIFY(QDir(env->dir.path()).mkdir(QStringLiteral("bad")));
    env->com.chooseFile(path);
    env->prompts.answer(Answer::Ok);
    QVERIFY(triggerAction(w, QStringLiteral("openIntoPage")));

    QCOMPARE(env->prompts.calls.size(), 1);
    const PromptCall& call = env->prompts.calls.first();
    QCOMPARE(call.text, Unexpected + QString::number(failure));
    QCOMPARE(call.title, QStringLiteral("Sorabun"));
    QCOMPARE(call.buttons, Buttons::Ok);
    QCOMPARE(w->views().wrappedView.text(), QStringLiteral("before\r\n"));
    QCOMPARE(w->workspace().state.undoAvailable, true);
    QCOMPARE(w->workspace().state.lastOpenedFile, earlier);
}

void FileCommandsTest::openCancelChangesNothing() {
    select(w->views().wrappedView, 1, 2);
    env->com.cancelFile();
    QVERIFY(triggerAction(w, QStringLiteral("openIntoPage")));
    QVERIFY(env->prompts.calls.isEmpty());
    QCOMPARE(w->views().wrappedView.text(), QStringLiteral("before\r\n"));
    QCOMPARE(w->views().wrappedView.selLength(), 2);
    QVERIFY(w->workspace().state.lastOpenedFile.isEmpty());
}

void FileCommandsTest::intoText_data() {
    QTest::addColumn<qsizetype>("selStart");
    QTest::addColumn<qsizetype>("selLength");
    QTest::addColumn<int>("question"); // 0 none, 1 Yes, 2 No
    QTest::addColumn<QString>("file"); // "<cancel>", "<missing>" or the file's text (UTF-8)
    QTest::addColumn<QString>("result");
    QTest::addColumn<qsizetype>("caret");
    const QString cancel = QStringLiteral("<cancel>");
    QTest::newRow("no selection: inserted at the caret, nothing asked")
        << qsizetype(3) << qsizetype(0) << 0 << "XY"
        << "befXYore\r\n"
        << qsizetype(5);
    QTest::newRow("Yes: the selection is replaced") << qsizetype(1) << qsizetype(3) << 1 << "XY"
                                                    << "bXYre\r\n"
                                                    << qsizetype(3);
    QTest::newRow("No: inserted before the selection, which stays")
        << qsizetype(1) << qsizetype(3) << 2 << "XY"
        << "bXYefore\r\n"
        << qsizetype(3);
    QTest::newRow("Yes then Cancel: the selection is deleted")
        << qsizetype(1) << qsizetype(3) << 1 << cancel << "bre\r\n"
        << qsizetype(1);
    QTest::newRow("No then Cancel: nothing changes")
        << qsizetype(1) << qsizetype(3) << 2 << cancel << "before\r\n"
        << qsizetype(1);
    QTest::newRow("Yes then an empty file: the selection is deleted")
        << qsizetype(0) << qsizetype(6) << 1 << ""
        << "\r\n"
        << qsizetype(0);
    QTest::newRow("Yes then a missing file: message, the selection is deleted")
        << qsizetype(1) << qsizetype(3) << 1 << "<missing>"
        << "bre\r\n"
        << qsizetype(1);
    QTest::newRow("a UTF-8 file inserted as its text")
        << qsizetype(3) << qsizetype(0) << 0 << "日本語"
        << "bef日本語ore\r\n"
        << qsizetype(6);
    QTest::newRow("line ends of the file kept, at the end of the page")
        << qsizetype(8) << qsizetype(0) << 0 << "a\nb\r\n"
        << "before\r\na\nb\r\n"
        << qsizetype(13);
}

void FileCommandsTest::intoText() {
    QFETCH(qsizetype, selStart);
    QFETCH(qsizetype, selLength);
    QFETCH(int, question);
    QFETCH(QString, file);
    QFETCH(QString, result);
    QFETCH(qsizetype, caret);
    select(w->views().wrappedView, selStart, selLength);
    w->workspace().state.undoAvailable = true;
    if (question)
        env->prompts.answer(question == 1 ? Answer::Yes : Answer::No);
    if (file == u"<cancel>") {
        env->com.cancelFile();
    } else if (file == u"<missing>") {
        env->com.chooseFile(env->dir.filePath(QStringLiteral("gone.txt")));
        env->prompts.answer(Answer::Ok);
    } else {
        env->com.chooseFile(env->writeFile(QStringLiteral("in.txt"), file.toUtf8()));
    }

    QVERIFY(triggerAction(w, QStringLiteral("insertFileAtCaret")));

    const int expectedPrompts = (question ? 1 : 0) + (file == u"<missing>" ? 1 : 0);
    QCOMPARE(env->prompts.calls.size(), expectedPrompts);
    if (question) {
        const PromptCall& call = env->prompts.calls.first();
        QCOMPARE(call.text, SelectionQuestion);
        QCOMPARE(call.title, QStringLiteral("Sorabun"));
        QCOMPARE(call.buttons, Buttons::YesNo);
        QCOMPARE(call.defaultButton, Answer::Yes);
    }
    if (file == u"<missing>")
        QCOMPARE(env->prompts.calls.last().text,
                 Unexpected + QString::number(textfile::FileNotFound));
    QCOMPARE(w->views().wrappedView.text(), result);
    QCOMPARE(w->views().wrappedView.selStart(), caret);
    QCOMPARE(w->views().wrappedView.selLength(), 0);
    QCOMPARE(w->views().unwrappedView.text(), result);
    QCOMPARE(w->workspace().state.undoAvailable, false);
    QCOMPARE(env->page(1), QStringLiteral("before\r\n"));
}

void FileCommandsTest::intoTextWithWrapOffUsesText2() {
    w->toggleWordWrap();
    QVERIFY(!w->views().wrappedShown());
    // Edits made since wrap was switched off live only in Text2.
    w->views().unwrappedView.setSelStart(6);
    w->views().unwrappedView.replaceSelection(QStringLiteral(" edited"));
    w->views().unwrappedView.setSelStart(0);
    env->com.chooseFile(env->writeFile(QStringLiteral("in.txt"), JapaneseBytes));
    QVERIFY(triggerAction(w, QStringLiteral("insertFileAtCaret")));
    const QString expected = JapaneseText + QStringLiteral("before edited\r\n");
    QCOMPARE(w->views().unwrappedView.text(), expected);
    QCOMPARE(w->views().unwrappedView.selStart(), JapaneseText.size());
    QCOMPARE(w->views().wrappedView.text(), expected);
}

void FileCommandsTest::tooLargeFileOffered_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("editorStarts");
    QTest::newRow("OpenText, Yes: the editor gets the path") << "openIntoPage" << true << true;
    QTest::newRow("OpenText, No: nothing further") << "openIntoPage" << false << true;
    QTest::newRow("OpenText, Yes, no editor: told so") << "openIntoPage" << true << false;
    QTest::newRow("IntoText, Yes: the editor gets the path") << "insertFileAtCaret" << true << true;
}

void FileCommandsTest::tooLargeFileOffered() {
    QFETCH(QString, command);
    QFETCH(bool, yes);
    QFETCH(bool, editorStarts);
    const QString earlier = env->writeFile(QStringLiteral("earlier.txt"), "before\r\n");
    env->com.chooseFile(earlier);
    w->files.openIntoPage();
    w->workspace().state.undoAvailable = true;
    env->launcher.startResult = [editorStarts](const QString&) { return editorStarts; };

    // A name with spaces: the path must reach the editor as one argument.
    const QString path = hugeFile(*env, QStringLiteral("big file with spaces.txt"));
    env->com.chooseFile(path);
    env->prompts.answer(yes ? Answer::Yes : Answer::No);
    if (yes && !editorStarts)
        env->prompts.answer(Answer::Ok);
    QVERIFY(triggerAction(w, command));

    QCOMPARE(env->prompts.calls.size(), yes && !editorStarts ? 2 : 1);
    const PromptCall& call = env->prompts.calls.first();
    QCOMPARE(call.text, TooLargeQuestion);
    QCOMPARE(call.title, QStringLiteral("開く"));
    QCOMPARE(call.buttons, Buttons::YesNo);
    QCOMPARE(call.defaultButton, Answer::Yes);
    if (yes) {
        QCOMPARE(env->launcher.calls.size(), 1);
        QCOMPARE(env->launcher.calls[0].program, QStringLiteral("xdg-open"));
        QCOMPARE(env->launcher.calls[0].arguments, QStringList{path});
        QCOMPARE(env->launcher.calls[0].state, Launcher::WindowState::MinimizedActive);
    } else {
        QVERIFY(env->launcher.calls.isEmpty());
    }
    if (yes && !editorStarts) {
        const PromptCall& told = env->prompts.calls.last();
        QCOMPARE(told.title, QStringLiteral("開く"));
        QCOMPARE(told.buttons, Buttons::Ok);
        QVERIFY(told.text.contains(path));
    }
    QCOMPARE(w->views().wrappedView.text(), QStringLiteral("before\r\n"));
    QCOMPARE(w->views().unwrappedView.text(), QStringLiteral("before\r\n"));
    QCOMPARE(w->workspace().state.undoAvailable, true);
    // The file was never read whole.
    QCOMPARE(w->workspace().state.lastOpenedFile, earlier);
}

void FileCommandsTest::tooLargeForViewsKeepsSelection() {
    // Views of small capacity: the page and the file each fit, together
    // they do not.
    env->stop();
    env->settings.maxViewUnits = 10;
    w = &env->start();
    select(w->views().wrappedView, 1, 3);
    env->prompts.answer(Answer::Yes); // delete the selection
    const QString path = env->writeFile(QStringLiteral("in.txt"), "123456");
    env->com.chooseFile(path);
    env->prompts.answer(Answer::No); // no editor
    QVERIFY(triggerAction(w, QStringLiteral("insertFileAtCaret")));
    QCOMPARE(env->prompts.calls.size(), 2);
    QCOMPARE(env->prompts.calls[1].text, TooLargeQuestion);
    QCOMPARE(w->views().wrappedView.text(), QStringLiteral("before\r\n"));
    QCOMPARE(w->views().wrappedView.selStart(), 1);
    QCOMPARE(w->views().wrappedView.selLength(), 3);
    QCOMPARE(w->workspace().state.lastOpenedFile, path);
    env->prompts.verifyDone();

    // The same file replaces the page: it fits.
    env->com.chooseFile(path);
    QVERIFY(triggerAction(w, QStringLiteral("openIntoPage")));
    QCOMPARE(w->views().wrappedView.text(), QStringLiteral("123456"));

    // A file beyond the capacity on its own.
    env->com.chooseFile(env->writeFile(QStringLiteral("long.txt"), "12345678901"));
    env->prompts.answer(Answer::No);
    QVERIFY(triggerAction(w, QStringLiteral("openIntoPage")));
    QCOMPARE(env->prompts.calls.size(), 1);
    QCOMPARE(env->prompts.calls[0].text, TooLargeQuestion);
    QCOMPARE(w->views().wrappedView.text(), QStringLiteral("123456"));
}

// ---- output to a file ----------------------------------------------------------

void FileCommandsTest::fileOutWritesCodePage932_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("abc gets one CR LF") << "abc" << QByteArray("abc\r\n");
    QTest::newRow("empty page is one CR LF") << "" << QByteArray("\r\n");
    QTest::newRow("Japanese in code page 932")
        << JapaneseText + QStringLiteral("\r\nx") << JapaneseBytes + "\r\nx\r\n";
    QTest::newRow("own line ends unchanged") << "a\nb\rc\r\n" << QByteArray("a\nb\rc\r\n\r\n");
}

void FileCommandsTest::fileOutWritesCodePage932() {
    QFETCH(QString, page);
    QFETCH(QByteArray, bytes);
    w->views().wrappedView.setText(page);
    const QString path = env->dir.filePath(QStringLiteral("new.txt"));
    env->com.chooseFile(path);
    QVERIFY(triggerAction(w, QStringLiteral("writeToFile")));
    QCOMPARE(env->com.shown, QStringList{QStringLiteral("save")});
    QCOMPARE(env->com.flagsShown, QList<int>{CommonDialog::HideReadOnly});
    QCOMPARE(env->com.filter, Filter);
    QCOMPARE(env->com.dialogTitle, QStringLiteral("ファイルに出力"));
    QVERIFY(env->prompts.calls.isEmpty()); // a new name asks nothing
    QCOMPARE(readBytes(path), bytes);
    QCOMPARE(w->views().wrappedView.text(), page);
}

void FileCommandsTest::roundTripAddsOneLineEnd() {
    w->views().wrappedView.setText(JapaneseText);
    const QString path = env->dir.filePath(QStringLiteral("trip.txt"));
    env->com.chooseFile(path);
    w->files.writeToFile();
    env->com.chooseFile(path);
    w->files.openIntoPage();
    QCOMPARE(w->views().wrappedView.text(), JapaneseText + QStringLiteral("\r\n"));
}

void FileCommandsTest::overwriteQuestion_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes replaces the whole file") << "old.txt" << true;
    QTest::newRow("No leaves it untouched") << "old.txt" << false;
    QTest::newRow("a hidden file counts as existing") << ".hidden.txt" << false;
}

void FileCommandsTest::overwriteQuestion() {
    QFETCH(QString, name);
    QFETCH(bool, yes);
    const QByteArray old("a much longer old content\r\nsecond line\r\n");
    const QString path = env->writeFile(name, old);
    w->views().wrappedView.setText(QStringLiteral("new"));
    env->com.chooseFile(path);
    env->prompts.answer(yes ? Answer::Yes : Answer::No);
    QVERIFY(triggerAction(w, QStringLiteral("writeToFile")));
    QCOMPARE(env->prompts.calls.size(), 1);
    QCOMPARE(env->prompts.calls[0].text, OverwriteQuestion);
    QCOMPARE(env->prompts.calls[0].title, QStringLiteral("上書き確認"));
    QCOMPARE(env->prompts.calls[0].buttons, Buttons::YesNo);
    QCOMPARE(env->prompts.calls[0].defaultButton, Answer::Yes);
    QCOMPARE(readBytes(path), yes ? QByteArray("new\r\n") : old);
}

void FileCommandsTest::fileOutWithWrapOffUsesText2() {
    w->toggleWordWrap();
    w->views().unwrappedView.setSelStart(0);
    w->views().unwrappedView.replaceSelection(QStringLiteral("edited "));
    const QString path = env->dir.filePath(QStringLiteral("wrapoff.txt"));
    env->com.chooseFile(path);
    QVERIFY(triggerAction(w, QStringLiteral("writeToFile")));
    QCOMPARE(readBytes(path), QByteArray("edited before\r\n\r\n"));
}

void FileCommandsTest::unrepresentableCharacters_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<int>("missing"); // asked about; 0: no question
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QByteArray>("written"); // empty: nothing written
    // An emoji (two UTF-16 units), ordinary Japanese and a wave dash typed
    // by an input method.
    const QString mixed = QStringView(u"\U0001F600あ\u301C!").toString();
    const QByteArray mixedUtf8("\xF0\x9F\x98\x80\xE3\x81\x82\xE3\x80\x9C!\r\n");
    QTest::newRow("input-method symbols written without a question")
        << QStringView(u"〜−‖¢£¬—").toString() << false << 0 << Answer::Ok
        << QByteArray("\x81\x60\x81\x7C\x81\x61\x81\x91\x81\x92\x81\xCA\x81\x5C\r\n");
    QTest::newRow("Yes writes UTF-8, every character as it is")
        << mixed << false << 1 << Answer::Yes << mixedUtf8;
    QTest::newRow("Yes replaces an existing file with UTF-8")
        << QStringLiteral("𠮷野家\r\n한글") << true << 3 << Answer::Yes
        << QByteArray("\xF0\xA0\xAE\xB7\xE9\x87\x8E\xE5\xAE\xB6\r\n"
                      "\xED\x95\x9C\xEA\xB8\x80\r\n");
    QTest::newRow("No writes ? for the emoji only")
        << mixed << false << 1 << Answer::No << QByteArray("?\x82\xA0\x81\x60!\r\n");
    QTest::newRow("Cancel writes nothing") << mixed << false << 1 << Answer::Cancel << QByteArray();
    QTest::newRow("Cancel after overwrite Yes keeps the old file")
        << mixed << true << 1 << Answer::Cancel << QByteArray();
}

void FileCommandsTest::unrepresentableCharacters() {
    QFETCH(QString, text);
    QFETCH(bool, existing);
    QFETCH(int, missing);
    QFETCH(Answer, answer);
    QFETCH(QByteArray, written);
    w->views().wrappedView.setText(text);
    const QString path = env->dir.filePath(QStringLiteral("out.txt"));
    if (existing)
        env->writeFile(QStringLiteral("out.txt"), "old");
    env->com.chooseFile(path);
    if (existing)
        env->prompts.answer(Answer::Yes);
    if (missing)
        env->prompts.answer(answer);
    QVERIFY(triggerAction(w, QStringLiteral("writeToFile")));

    QCOMPARE(env->prompts.calls.size(), int(existing) + (missing ? 1 : 0));
    if (missing) {
        const PromptCall& call = env->prompts.calls.last();
        QCOMPARE(call.text,
                 QStringLiteral("このページにはシフトJISで表せない文字が %1 個あります。\r\n"
                                "はい＝UTF-8で出力（すべての文字をそのまま）\r\n"
                                "いいえ＝それらを「?」に置き換えてシフトJISで出力\r\n"
                                "キャンセル＝出力しない")
                     .arg(missing));
        QCOMPARE(call.title, QStringLiteral("ファイルに出力"));
        QCOMPARE(call.buttons, Buttons::YesNoCancel);
        QCOMPARE(call.defaultButton, Answer::Yes);
    }
    if (!written.isEmpty())
        QCOMPARE(readBytes(path), written);
    else if (existing)
        QCOMPARE(readBytes(path), QByteArray("old"));
    else
        QVERIFY(!QFileInfo::exists(path));
    // What is written as UTF-8 reads back as the page and its line end.
    if (answer == Answer::Yes)
        QCOMPARE(textfile::ReadTextFile(path).text, text + QStringLiteral("\r\n"));
    QCOMPARE(w->views().wrappedView.text(), text);
}

void FileCommandsTest::fileOutFailures_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("failure");
    QTest::newRow("a folder of that name") << "folder" << int(textfile::PathFileAccess);
    QTest::newRow("read-only folder keeps the old file")
        << "read-only" << int(textfile::PermissionDenied);
    QTest::newRow("no room keeps the old file") << "no-room" << int(textfile::DiskFull);
}

void FileCommandsTest::fileOutFailures() {
    QFETCH(QString, kind);
    QFETCH(int, failure);
    const QString folder = env->dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(folder));
    QString path = folder + QStringLiteral("/old.txt");
    const QByteArray old("old\r\n");
    env->writeFile(QStringLiteral("out/old.txt"), old);
    w->views().wrappedView.setText(QString(20000, u'x'));
    std::unique_ptr<FileSizeLimit> limit;
    bool overwriteAsked = false;
    if (kind == u"folder") {
        path = folder;
    } else if (kind == u"read-only") {
        if (::geteuid() == 0)
            QSKIP("permission bits do not stop the superuser; the no-room row covers this");
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        overwriteAsked = true;
    } else if (kind == u"no-room") {
        limit = std::make_unique<FileSizeLimit>(4096);
        overwriteAsked = true;
    }
    env->com.chooseFile(path);
    if (overwriteAsked)
        env->prompts.answer(Answer::Yes);
    env->prompts.answer(Answer::Ok);
    QVERIFY(triggerAction(w, QStringLiteral("writeToFile")));
    limit.reset();
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QCOMPARE(env->prompts.calls.size(), overwriteAsked ? 2 : 1);
    const PromptCall& call = env->prompts.calls.last();
    QCOMPARE(call.text, Unexpected + QString::number(failure));
    QCOMPARE(call.title, QStringLiteral("Sorabun"));
    QCOMPARE(call.buttons, Buttons::Ok);
    QCOMPARE(readBytes(folder + QStringLiteral("/old.txt")), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("old.txt")});
    QCOMPARE(w->views().wrappedView.text(), QString(20000, u'x'));
}

QTEST_MAIN(FileCommandsTest)
#include "tst_file_commands.moc"
