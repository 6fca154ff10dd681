#include "support/test_env.h"

#include <QAction>
#include <QTest>

using namespace Qt::StringLiterals;

// Find and Find next on the main window, as the user runs them from the
// Search menu, with scripted answers to the input box and the questions.

namespace {

const QString Title = u"検索"_s;
const QString NotFound = u"見つかりませんでした"_s;
const QString Again = u"見つかりませんでした\r\nもう一度先頭から検索しますか？"_s;

struct Step {
    enum Kind { Find, Next, Select } kind;
    QString input;                  // Find: what the input box returns
    QList<Prompts::Answer> answers; // Next: answers to the wrap question
    qsizetype start = 0;            // selection afterwards (Select: to set)
    qsizetype length = 0;
    QStringList messages; // message boxes shown, in order
};

Step find(const QString& input, qsizetype start, qsizetype length, QStringList messages = {}) {
    return {Step::Find, input, {}, start, length, messages};
}
Step next(qsizetype start, qsizetype length, QStringList messages = {},
          QList<Prompts::Answer> answers = {}) {
    return {Step::Next, {}, answers, start, length, messages};
}
Step select(qsizetype start, qsizetype length) {
    return {Step::Select, {}, {}, start, length, {}};
}

QStringList messagesShown(ScriptedPrompts& prompts) {
    QStringList texts;
    for (const PromptCall& c : prompts.calls) {
        if (c.kind == PromptCall::Message)
            texts << c.text;
    }
    prompts.calls.clear();
    return texts;
}

void setWrap(MainWindow& w, bool on) {
    if (w.views().wrappedShown() != on)
        w.toggleWordWrap();
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestFind : public QObject {
    Q_OBJECT
private slots:
    void searchSequences_data();
    void searchSequences();
    void promptsHaveExactTextsTitlesAndButtons();
    void findSetsFindNext_data();
    void findSetsFindNext();
    void eachCommandUsesTheViewVisibleWhenItRuns();
};

void TestFind::searchSequences_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<bool>("wrap");

    using A = Prompts::Answer;
    const QList<std::tuple<const char*, QString, QList<Step>>> cases = {
        {"cycle through two occurrences",
         u"abcabc"_s,
         {find(u"abc"_s, 0, 3), next(3, 3), next(0, 3, {Again}, {A::Yes})}},
        {"No keeps the caret after the last match",
         u"abcabc"_s,
         {find(u"abc"_s, 0, 3), next(3, 3), next(6, 0, {Again}, {A::No})}},
        {"occurrences do not overlap",
         u"aaaa"_s,
         {find(u"aa"_s, 0, 2), next(2, 2), next(4, 0, {Again}, {A::No})}},
        {"case does not matter", u"xyABC"_s, {find(u"abc"_s, 2, 3)}},
        {"match at the very start found again after Yes",
         u"abc xyz"_s,
         {find(u"abc"_s, 0, 3), next(0, 3, {Again}, {A::Yes})}},
        {"Find starts at the top wherever the caret is",
         u"abcabc"_s,
         {select(4, 1), find(u"abc"_s, 0, 3)}},
        {"failed Find leaves the caret at the top",
         u"abcdef"_s,
         {select(2, 2), find(u"zz"_s, 0, 0, {NotFound})}},
        {"no occurrence anywhere: question, then the plain message",
         u"hello"_s,
         {find(u"zz"_s, 0, 0, {NotFound}), select(3, 0), next(0, 0, {Again, NotFound}, {A::Yes})}},
        {"no occurrence with the caret at the top: no question",
         u"hello"_s,
         {find(u"zz"_s, 0, 0, {NotFound}), next(0, 0, {NotFound})}},
        {"Find next goes on from the end of a selection",
         u"abcabcabc"_s,
         {find(u"abc"_s, 0, 3), select(1, 4), next(6, 3)}},
        {"cancelled Find finds the empty pattern at the top",
         u"abc"_s,
         {select(1, 2), find(QString(), 0, 0)}},
        {"cancelled Find in an empty page", QString(), {find(QString(), 0, 0, {NotFound})}},
        {"empty search text collapses a selection to its end",
         u"abcdef"_s,
         {select(1, 2), next(3, 0)}},
        {"empty search text after the last character: nothing happens",
         u"abc"_s,
         {select(3, 0), next(3, 0)}},
        {"empty search text in an empty page: plain message", QString(), {next(0, 0, {NotFound})}},
        {"full-width letters match", u"ＡＢＣ abc"_s, {find(u"abc"_s, 0, 3), next(4, 3)}},
        {"hiragana finds katakana and back",
         u"カタカナ ひらがな"_s,
         {find(u"かたかな"_s, 0, 4), find(u"ヒラガナ"_s, 5, 4)}},
        {"positions count surrogate pairs as two",
         u"😀abc😀abc"_s,
         {find(u"abc"_s, 2, 3), next(7, 3)}},
        {"a line end counts two",
         u"ab\r\ncd\r\nab"_s,
         {find(u"AB"_s, 0, 2), next(8, 2), next(0, 2, {Again}, {A::Yes})}},
        {"Cyrillic case", u"Москва МОСКВА"_s, {find(u"москва"_s, 0, 6), next(7, 6)}},
    };
    for (const auto& [name, text, steps] : cases) {
        for (bool wrap : {true, false}) {
            QTest::addRow("%s (wrap %s)", name, wrap ? "on" : "off") << text << steps << wrap;
        }
    }
}

void TestFind::searchSequences() {
    QFETCH(QString, text);
    QFETCH(QList<Step>, steps);
    QFETCH(bool, wrap);

    TestEnv env;
    MainWindow& w = env.start();
    setWrap(w, wrap);
    TextView& view = w.views().visible();
    view.setText(text);

    for (int i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        const QByteArray where = "step " + QByteArray::number(i + 1);
        if (s.kind == Step::Select) {
            view.setSelStart(s.start);
            view.setSelLength(s.length);
            continue;
        }
        // Every notice is acknowledged; each question gets the next answer.
        qsizetype answer = 0;
        for (const QString& m : s.messages)
            env.prompts.answer(m == Again ? s.answers.value(answer++) : Prompts::Answer::Ok);
        if (s.kind == Step::Find) {
            env.prompts.answerInput(s.input);
            QVERIFY2(triggerAction(&w, u"find"_s), where);
            QCOMPARE(w.workspace().state.searchText, s.input);
        } else {
            QVERIFY2(triggerAction(&w, u"findNext"_s), where);
        }
        QVERIFY2(view.selStart() == s.start,
                 where + " start " + QByteArray::number(view.selStart()));
        QVERIFY2(view.selLength() == s.length,
                 where + " length " + QByteArray::number(view.selLength()));
        QCOMPARE(messagesShown(env.prompts), s.messages);
        env.prompts.verifyDone();
    }
    QCOMPARE(view.text(), text); // searching never changes the page
    QCOMPARE(w.views().wrappedShown(), wrap);
}

void TestFind::promptsHaveExactTextsTitlesAndButtons() {
    TestEnv env;
    MainWindow& w = env.start();
    w.views().visible().setText(u"abc"_s);

    env.prompts.answerInput(u"zz"_s);
    env.prompts.answer(Prompts::Answer::Ok);
    w.search.find();
    env.prompts.answerInput(u"abc"_s);
    w.search.find();
    w.views().visible().setSelStart(3);
    env.prompts.answer(Prompts::Answer::No);
    w.search.findNext();

    const QList<PromptCall>& calls = env.prompts.calls;
    QCOMPARE(calls.size(), 4);
    QCOMPARE(calls[0].kind, PromptCall::Input);
    QCOMPARE(calls[0].text, u"検索する文字列を入力してください"_s);
    QCOMPARE(calls[0].title, Title);
    QCOMPARE(calls[0].defaultText, QString()); // nothing searched yet this run

    QCOMPARE(calls[1].kind, PromptCall::Message);
    QCOMPARE(calls[1].text, NotFound);
    QCOMPARE(calls[1].title, Title);
    QCOMPARE(calls[1].buttons, Prompts::Buttons::Ok);

    QCOMPARE(calls[2].kind, PromptCall::Input);
    QCOMPARE(calls[2].defaultText, u"zz"_s); // the text searched for last

    QCOMPARE(calls[3].kind, PromptCall::Message);
    QCOMPARE(calls[3].text, Again);
    QCOMPARE(calls[3].title, Title);
    QCOMPARE(calls[3].buttons, Prompts::Buttons::YesNo);
    QCOMPARE(calls[3].defaultButton, Prompts::Answer::Yes);
    env.prompts.calls.clear();
}

// Find next is live exactly when there is a text to find, from the moment
// Find sets it: the Search menu that offered Find was opened before.
void TestFind::findSetsFindNext_data() {
    QTest::addColumn<QString>("earlier"); // text of an earlier Find, if any
    QTest::addColumn<bool>("menuFirst");  // Find chosen from the menu
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("text searched for") << QString() << false << u"abc"_s << true;
    QTest::newRow("input box cancelled") << QString() << false << QString() << false;
    QTest::newRow("first Find from the menu, F3 at once") << QString() << true << u"abc"_s << true;
    QTest::newRow("cancelled after an earlier search") << u"b"_s << true << QString() << false;
}

void TestFind::findSetsFindNext() {
    QFETCH(QString, earlier);
    QFETCH(bool, menuFirst);
    QFETCH(QString, input);
    QFETCH(bool, enabled);
    TestEnv env;
    MainWindow& w = env.start();
    TextView& view = w.views().visible();
    view.setText(u"abcabc"_s);
    QAction* next = actionOf(&w, u"findNext"_s);
    QVERIFY(next->isEnabled()); // live before the menu is first opened
    if (!earlier.isEmpty()) {
        env.prompts.answerInput(earlier);
        w.search.find();
    }
    if (menuFirst)
        openMenu(&w, u"searchMenu"_s);
    env.prompts.answerInput(input);
    QVERIFY(triggerAction(&w, u"find"_s));
    QCOMPARE(next->isEnabled(), enabled);
    // F3 straight away finds the next match.
    QCOMPARE(triggerAction(&w, u"findNext"_s), enabled);
    if (enabled) {
        QCOMPARE(view.selStart(), 3);
        QCOMPARE(view.selLength(), 3);
    }
    // Opening the menu again agrees; Find and Replace stay available.
    openMenu(&w, u"searchMenu"_s);
    QCOMPARE(next->isEnabled(), enabled);
    QVERIFY(actionOf(&w, u"find"_s)->isEnabled());
    QVERIFY(actionOf(&w, u"replace"_s)->isEnabled());
    env.prompts.calls.clear();
}

void TestFind::eachCommandUsesTheViewVisibleWhenItRuns() {
    TestEnv env;
    MainWindow& w = env.start();
    setWrap(w, true);
    w.views().wrappedView.setText(u"abcabcabc"_s);

    env.prompts.answerInput(u"abc"_s);
    w.search.find();
    QCOMPARE(w.views().wrappedView.selStart(), 0);
    QCOMPARE(w.views().wrappedView.selLength(), 3);

    w.toggleWordWrap(); // the selection goes across with the text
    QVERIFY(!w.views().wrappedShown());
    w.search.findNext();
    QCOMPARE(w.views().unwrappedView.selStart(), 3);
    QCOMPARE(w.views().unwrappedView.selLength(), 3);

    w.toggleWordWrap();
    w.search.findNext();
    QCOMPARE(w.views().wrappedView.selStart(), 6);
    QCOMPARE(w.views().wrappedView.selLength(), 3);
    env.prompts.calls.clear();
}

QTEST_MAIN(TestFind)
#include "tst_find.moc"
