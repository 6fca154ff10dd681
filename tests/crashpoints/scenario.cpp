// The program through a user's session, for the crash-point sweep: the real
// main window, offscreen, on a real store in the folder given, with answers
// scripted where a person would click.
//
//   crashpoints_scenario seed  DIR        the state a previous session left
//   crashpoints_scenario run   DIR FILE [idle|quit|switch]   the session, to its normal shut-down
//   crashpoints_scenario check DIR FILE   the next start-up: what it finds
//   crashpoints_scenario final DIR FILE   the same, after a session that ran through
//
// The session: type into page 1 (it holds a short memo), let the idle save
// write it, type more, open FILE (a few MB) into page 1, switch to page 2,
// type into it, let the idle save write it, go back to page 1, clear it,
// and let the idle save write it before quitting ("idle", the default),
// quit at once, the shut-down writing it ("quit"), or switch to page 3 at
// once, the page switch writing it ("switch"). The idle save runs where
// a pause in the typing would let it run (its own timers are put off), so
// that the session makes the same writes every time.
//
// check prints a line for each page ("page 1 state 2 of 3" or "page 1
// unknown ..."), each notice shown ("notice ..."), each damaged file set aside
// ("damaged ..."), each snapshot missing ("snapshot ...") and ends with
// "verdict ok" or "verdict fail" (exit 0 or 1). Every page must hold one of
// the texts the session gave it (the first the old one, the last the new
// one), and a page that holds a text a file or the clearing put there must
// have its text before that in the page history.

#include "files/text_file.h"
#include "session/edit_commands.h"
#include "store/keys.h"
#include "store/page_history.h"
#include "store/settings_store.h"
#include "support/scripted_platform.h"
#include "support/store_checks.h"

#include "app/main_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>

namespace {

// How long the user takes between two commands: the events of the moment
// (a snapshot taken during long work handed over, a slice of a text
// taken) have run, and not much more.
constexpr int UserPaceMs = 60;

const QString Memo = QStringLiteral("買い物メモ\r\n牛乳、卵、食パン\r\n");
const QString Typed1 = QStringLiteral("豆腐、ねぎ\r\n");
const QString Typed2 = QStringLiteral("醤油\r\n");
const QString Agenda = QStringLiteral("会議の議題\r\n1. 予算\r\n");
const QString Typed3 = QStringLiteral("2. 日程\r\n");
const QString Addresses = QStringLiteral("住所録\r\n東京都千代田区1-1\r\n");
const QString Poem = QStringLiteral("古池や\r\n蛙飛び込む\r\n水の音");

// The texts each page holds in turn during the session: the first is the
// old one, the last the new one.
struct Model {
    QList<QString> pages[10];
    QString beforeOpen; // page 1 as the file replaced it
    QString opened;     // page 1 as the clearing found it

    explicit Model(const QString& file) {
        opened = textfile::ReadTextFile(file).text;
        beforeOpen = Memo + Typed1 + Typed2;
        pages[1] = {Memo, Memo + Typed1, opened, QString()};
        pages[2] = {Agenda, Agenda + Typed3};
        pages[3] = {Addresses};
        pages[9] = {Poem};
        for (int p : {4, 5, 6, 7, 8})
            pages[p] = {QString()};
    }
};

// Answers Yes to the question before clearing a page and records every
// other message box: none is expected in the session or at the next start.
class RecordingPrompts : public Prompts {
public:
    Answer messageBox(const QString& text, const QString& title, Buttons buttons, Answer) override {
        if (text == EditCommands::ClearQuestion)
            return Answer::Yes;
        shown << QStringLiteral("[%1] %2").arg(title, text);
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    QString inputBox(const QString& prompt, const QString& title, const QString&) override {
        shown << QStringLiteral("[%1] %2").arg(title, prompt);
        return QString();
    }
    QStringList shown;
};

class NoLauncher : public Launcher {
public:
    bool start(const QString&, const QStringList&, WindowState) override { return false; }
};

struct Session {
    SettingsStore store;
    RecordingPrompts prompts;
    ScriptedCommonDialog com;
    NoLauncher launcher;
    QtClipboard clipboard;
    Platform platform{prompts, com, launcher, clipboard, [] { std::_Exit(0); }};
    std::unique_ptr<MainWindow> window;

    explicit Session(const QString& dir) : store(dir + QStringLiteral("/store.sqlite")) {
        MainWindow::Settings settings;
        settings.idleSave = {.pauseMs = 3600 * 1000, .longestWaitMs = 3600 * 1000};
        window = std::make_unique<MainWindow>(store, platform, settings);
    }
};

void pace() {
    QTest::qWait(UserPaceMs);
}

void type(TextView& view, const QString& line) {
    // A line as an input method commits it, then Enter.
    QInputMethodEvent commit;
    commit.setCommitString(line.chopped(2));
    QCoreApplication::sendEvent(&view, &commit);
    QTest::keyClick(&view, Qt::Key_Return);
}

// The idle save, as a pause in the typing starts it; waits for its write.
void idleSave(MainWindow& w) {
    bool ended = false;
    const auto c = QObject::connect(&w.idleSave(), &IdleSave::writeEnded, [&] { ended = true; });
    if (w.idleSave().save()) {
        QElapsedTimer t;
        t.start();
        while (!ended && t.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QObject::disconnect(c);
}

int seed(const QString& dir) {
    QDir().mkpath(dir);
    SettingsStore store(dir + QStringLiteral("/store.sqlite"));
    SettingsStore::Batch batch(store);
    store.WriteSetting(keys::page(1), Memo);
    store.WriteSetting(keys::page(2), Agenda);
    store.WriteSetting(keys::page(3), Addresses);
    store.WriteSetting(keys::page(9), Poem);
    store.WriteSetting(keys::Page, QStringLiteral("1"));
    store.WriteSetting(keys::SelectionStart, QString::number(Memo.size()));
    if (!batch.commit())
        return 2;
    // The history of an earlier session: page 3 as it was a day ago.
    PageHistory history(PageHistory::pathBeside(store.path()));
    history.add(3, QDateTime::currentMSecsSinceEpoch() - 86400000, Addresses);
    history.waitForBackground();
    return history.failure() == PageHistory::Failure::None ? 0 : 2;
}

int run(const QString& dir, const QString& file, const QString& ending) {
    Session s(dir);
    MainWindow& w = *s.window;
    w.start();
    pace();
    TextView& view = w.views().visible();
    view.setSelStart(view.textLength());
    type(view, Typed1);
    idleSave(w);
    type(w.views().visible(), Typed2);
    pace();
    s.com.chooseFile(file);
    w.files.openIntoPage();
    pace();
    w.pages.switchToPage(2);
    pace();
    w.views().visible().setSelStart(w.views().visible().textLength());
    type(w.views().visible(), Typed3);
    idleSave(w);
    pace();
    w.pages.switchToPage(1);
    pace();
    w.edit.clearPage();
    if (ending == u"switch") {
        w.pages.switchToPage(3); // the page switch writes the cleared page
        pace();
    } else if (ending != u"quit") {
        idleSave(w);
        pace();
    }
    w.close();
    const bool ended = w.hasEnded();
    s.window.reset();
    for (const QString& p : s.prompts.shown)
        std::printf("notice %s\n", qPrintable(QString(p).replace(u'\n', u' ')));
    return ended && s.prompts.shown.isEmpty() ? 0 : 3;
}

QString describe(const QString& text) {
    QString head = text.left(24);
    head.replace(QStringLiteral("\r\n"), QStringLiteral("⏎"));
    return QStringLiteral("%1 units, \"%2\"").arg(text.size()).arg(head);
}

// Whether the page history holds `text` among the snapshots of `page`.
bool kept(PageHistory& history, int page, const QString& text) {
    for (const PageHistory::Entry& e : history.entries(page))
        if (e.units == text.size() && history.text(e.id) == text)
            return true;
    return false;
}

int check(const QString& dir, const QString& file, bool final) {
    const Model model(file);
    bool sound = true;
    auto fail = [&](const QString& line) {
        std::printf("%s\n", qPrintable(line));
        sound = false;
    };
    {
        Session s(dir);
        MainWindow& w = *s.window;
        w.start();
        QCoreApplication::processEvents();
        for (const QString& p : s.prompts.shown)
            fail(QStringLiteral("notice ") + QString(p).replace(u'\n', u' '));
        for (int page = 1; page <= 9; ++page) {
            const QString text = s.store.ReadSetting(keys::page(page), QString());
            const int state = int(model.pages[page].indexOf(text));
            const int last = int(model.pages[page].size()) - 1;
            if (state < 0 || (final && state != last))
                fail(QStringLiteral("page %1 unknown %2").arg(page).arg(describe(text)));
            else
                std::printf("page %d state %d of %d\n", page, state, last);
            // What a file or the clearing replaced is kept in the history.
            if (page == 1 && state >= 2 && !kept(w.history(), 1, model.beforeOpen))
                fail(QStringLiteral("snapshot page 1 holds the file's text, the page before "
                                    "the file is not in the history"));
            if (page == 1 && state == 3 && !kept(w.history(), 1, model.opened))
                fail(QStringLiteral("snapshot page 1 is cleared, the page before the clearing "
                                    "is not in the history"));
        }
        if (!kept(w.history(), 3, Addresses))
            fail(QStringLiteral("snapshot the history of an earlier session is gone"));
    }
    const QDir folder(dir);
    for (const QString& name : folder.entryList({QStringLiteral("*.damaged-*")}, QDir::AllEntries))
        fail(QStringLiteral("damaged ") + name);
    for (const char* name : {"store.sqlite", "history.sqlite"})
        if (const QString r = integrity(folder.filePath(QString::fromLatin1(name)));
            r != QStringLiteral("ok"))
            fail(QStringLiteral("integrity %1 %2").arg(QString::fromLatin1(name), r));
    std::printf("verdict %s\n", sound ? "ok" : "fail");
    return sound ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    const QString dir = args.value(2);
    const QString file = args.value(3);
    int status = 64;
    if (mode == u"seed" && !dir.isEmpty())
        status = seed(dir);
    else if (mode == u"run" && !file.isEmpty())
        status = run(dir, file, args.value(4));
    else if ((mode == u"check" || mode == u"final") && !file.isEmpty())
        status = check(dir, file, mode == u"final");
    else
        std::fprintf(
            stderr,
            "usage: crashpoints_scenario seed|run|check|final DIR [FILE [idle|quit|switch]]\n");
    std::fflush(stdout);
    return status;
}
