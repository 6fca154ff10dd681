// sorabun_bench: the performance figures of Sorabun, measured on data it
// makes itself, with the real main window on the offscreen platform.
//
//   sorabun_bench [--reps N] [--only NAME,...] [--data DIR] [--no-anchors]
//                 [--program PATH] [--platform NAME]
//
// Each figure runs in a process of its own (this program started again with
// --figure NAME), N times (default 5), and the median is printed as
//   figure <name> <median> <unit>
// followed by the anchors, ordinary tools doing comparable work on the same
// data in the same run:
//   anchor <name> <median> <unit>
// The figures named x11_* and the others beside them (typing, 100 MB, one
// long line, FeatherPad) run the real program under Xvfb with openbox; see
// x11_figures.h. startup_ms runs on the platform --platform names (xcb,
// wayland; default offscreen), on the display of the environment.
// Samples, targets and details go to standard error.

#include "bench_data.h"
#include "bench_platform.h"
#include "stats.h"
#include "x11_figures.h"

#include "app/main_window.h"
#include "app/program.h"
#include "dialogs/history_dialog.h"
#include "editor/text_measure.h"
#include "files/text_file.h"
#include "search/find_all_dialog.h"
#include "search/replace_dialog.h"
#include "store/keys.h"
#include "store/settings_store.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <unistd.h>

namespace {

using bench::Clock;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// ---- inside one figure's process ---------------------------------------------

// Counts the paints of one widget, to be sure a paint really happened.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Lets the window handle what the change left pending, then paints it now,
// children included, the way the first paint after a change happens.
void firstPaint(QWidget& window) {
    QCoreApplication::processEvents();
    window.repaint();
    QCoreApplication::processEvents();
}

double residentMiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

void detail(const QString& text) {
    std::fprintf(stderr, "  %s\n", qPrintable(text));
}

// The main window as the program composes it, on a store of its own, with
// every question answered at once.
struct Session {
    explicit Session(const QString& storePath)
        : store(storePath), platform{prompts, com, launcher, clipboard, [] {}},
          window(store, platform) {}
    SettingsStore store;
    bench::AnsweringPrompts prompts;
    bench::ChoosingDialog com;
    bench::NoLauncher launcher;
    MemoryClipboard clipboard;
    Platform platform;
    MainWindow window;

    void start() {
        window.start();
        firstPaint(window);
    }
    TextView& shown() { return window.views().visible(); }
};

QString copyOfNinePages(const benchdata::Files& data, const QString& dir) {
    const QString path = dir + QStringLiteral("/store.sqlite");
    QFile::remove(path);
    if (!QFile::copy(data.store, path))
        qFatal("cannot copy the store");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

using Figure = std::function<std::optional<double>(const benchdata::Files&, const QString& tmp)>;

// Opens a file into the page with Ctrl+O, as a user does: read, convert, both
// views, first paint.
std::optional<double> openFile(const QString& file, const QString& tmp) {
    Session s(tmp + QStringLiteral("/store.sqlite"));
    s.start();
    PaintCounter paints(s.shown().viewport());
    s.com.files = {file};
    const auto t0 = Clock::now();
    s.window.files.openIntoPage();
    firstPaint(s.window);
    const auto t1 = Clock::now();
    if (s.prompts.messages || s.window.views().wrappedView.textLength() == 0 || paints.paints == 0)
        return std::nullopt;
    detail(QStringLiteral("%1 units in the page").arg(s.window.views().wrappedView.textLength()));
    return msBetween(t0, t1);
}

// The longest time the user-interface thread is held up while something runs:
// a timer ticks whenever the thread is free, and the longest gap between its
// ticks (or between start() and a tick) is the longest block.
class Heartbeat {
public:
    Heartbeat() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { beat(); });
        m_last = Clock::now();
        m_timer.start(0);
        QCoreApplication::processEvents();
        longest = 0;
        m_last = Clock::now();
    }
    // Counts the time since the last tick, as a call that blocks does.
    void beat() {
        const auto now = Clock::now();
        longest = std::max(longest, msBetween(m_last, now));
        m_last = now;
    }
    // Work of the measurement itself: not counted.
    void skip() { m_last = Clock::now(); }
    // Lets the thread run until `done` or a minute has passed; false then.
    bool runUntil(const std::function<bool()>& done) {
        QElapsedTimer limit;
        limit.start();
        while (!done() && limit.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        return done();
    }
    double longest = 0;

private:
    QTimer m_timer;
    Clock::time_point m_last;
};

// A large file opened into page 1 and one character added at its end; the
// idle save runs only when the figure starts it.
IdleSave& editLargePage(Session& s, const QString& file) {
    s.start();
    s.com.files = {file};
    s.window.files.openIntoPage();
    s.shown().setSelStart(s.shown().textLength());
    s.shown().replaceSelection(QStringLiteral("末"));
    firstPaint(s.window);
    IdleSave& saver = s.window.idleSave();
    saver.stop(); // no timer of its own
    saver.start();
    return saver;
}

// The idle save of a large page after one more character: the longest time
// the user-interface thread is held up from the moment the save begins until
// the store holds the page. A heartbeat timer ticks whenever the thread is
// free; the longest gap between its ticks is the longest block.
std::optional<double> idleSave(const QString& file, const QString& tmp) {
    const QString path = tmp + QStringLiteral("/store.sqlite");
    Session s(path);
    IdleSave& saver = editLargePage(s, file);

    Heartbeat heartbeat;
    saver.save();
    heartbeat.beat();
    const bool idle = heartbeat.runUntil([&] { return !s.window.views().pageChanged(); });
    SettingsStore check(path);
    if (!idle || s.window.views().pageChanged() ||
        check.ReadSetting(QStringLiteral("1")) != s.shown().text())
        return std::nullopt;
    detail(QStringLiteral("%1 units written").arg(s.shown().textLength()));
    return heartbeat.longest;
}

// Snapshots of a large page in the page history: the longest time the
// user-interface thread is held up, from the idle save with a snapshot due
// and from a change that replaces the whole page (kept first), until the
// history holds both.
std::optional<double> snapshot(const QString& file, const QString& tmp) {
    Session s(tmp + QStringLiteral("/store.sqlite"));
    IdleSave& saver = editLargePage(s, file);
    PageHistory& history = s.window.history();
    history.waitForBackground();

    Heartbeat heartbeat;
    saver.save(); // the first save of the page: a snapshot is due
    heartbeat.beat();
    bool idle = heartbeat.runUntil([&] {
        return !s.window.views().pageChanged() &&
               history.waitForBackground(std::chrono::milliseconds(0));
    });
    s.shown().replaceSelection(QStringLiteral("尾"));
    const QString before = s.shown().text();
    heartbeat.skip(); // the text taken for the check is no part of the figure
    s.window.workspace().snapshots.keepShown();
    heartbeat.beat();
    idle = idle && heartbeat.runUntil(
                       [&] { return history.waitForBackground(std::chrono::milliseconds(0)); });
    const std::vector<PageHistory::Entry> kept = history.entries(1);
    if (!idle || kept.size() != 2 || history.text(kept.front().id) != before)
        return std::nullopt;
    detail(QStringLiteral("%1 units kept twice").arg(before.size()));
    return heartbeat.longest;
}

// The history dialog of a page with 200 snapshots, the newest the 5 MB page:
// from the menu item to the dialog painted with its list and preview.
std::optional<double> historyOpen(const benchdata::Files& d, const QString& tmp) {
    Session s(copyOfNinePages(d, tmp));
    s.start();
    PageHistory& history = s.window.history();
    const QString page = s.shown().text();
    const qint64 now = history.now();
    for (int i = 0; i < 199; ++i)
        history.add(1, now - (200 - i) * 60000, QString::number(i) + page.mid(i * 20000, 50000));
    history.add(1, now, page);
    history.waitForBackground();
    const auto t0 = Clock::now();
    HistoryDialog dialog(s.window.workspace());
    dialog.listSnapshots();
    dialog.show();
    firstPaint(dialog);
    const auto t1 = Clock::now();
    if (dialog.controls().snapshotList->topLevelItemCount() != 200 ||
        dialog.controls().preview->textLength() == 0)
        return std::nullopt;
    detail(QStringLiteral("%1 snapshots listed")
               .arg(dialog.controls().snapshotList->topLevelItemCount()));
    return msBetween(t0, t1);
}

// Find in every page over the nine 5 MB pages, for a word the rule finds
// through kana folding (hiragana typed, katakana in the pages) in every page,
// more often than the list takes: from the command (the text entered) to the
// results window painted with its first rows (`first`), or with every row
// and the final count.
QString findAllWord() {
    return QStringLiteral("ぷろじぇくと");
}

// Times the results window: painted as it is first shown, then again once
// its search has ended (looked at between the slices of the search).
class FindAllWatch : public QObject {
public:
    FindAllWatch() {
        qApp->installEventFilter(this);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start(0);
    }
    std::optional<Clock::time_point> shown, whole;
    qsizetype total = 0, listed = 0;

    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* dialog = qobject_cast<FindAllDialog*>(watched);
        if (dialog && e->type() == QEvent::Show && !shown) {
            dialog->repaint();
            shown = Clock::now();
        }
        return false;
    }

private:
    void poll() {
        auto* dialog = qobject_cast<FindAllDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog->searching())
            return;
        dialog->repaint();
        whole = Clock::now();
        total = dialog->results().total();
        listed = dialog->results().listed();
        dialog->reject();
    }
    QTimer m_poll;
};

std::optional<double> findAll(const benchdata::Files& d, const QString& tmp, bool first) {
    Session s(copyOfNinePages(d, tmp));
    s.start();
    s.window.workspace().state.searchText = findAllWord(); // the input box offers it
    FindAllWatch watch;
    const auto t0 = Clock::now();
    s.window.search.findInAllPages();
    if (!watch.shown || !watch.whole || watch.listed != search::AllPagesSearch::RowLimit ||
        watch.total <= watch.listed || s.prompts.messages)
        return std::nullopt;
    detail(QStringLiteral("%1 matches, %2 rows; first rows %3 ms, all %4 ms")
               .arg(watch.total)
               .arg(watch.listed)
               .arg(msBetween(t0, *watch.shown), 0, 'f', 1)
               .arg(msBetween(t0, *watch.whole), 0, 'f', 1));
    return msBetween(t0, first ? *watch.shown : *watch.whole);
}

// Opening a healthy 200 MB store, damage check included: the header is
// read through SQLite's handle, and a quick_check runs only when it
// promises more than the file holds. From the constructor to the store
// ready.
std::optional<double> storeOpen200(const QString& tmp) {
    const QString path = tmp + QStringLiteral("/store.sqlite");
    {
        SettingsStore make(path);
        QString page(2500000, u'a');
        for (int i = 0; i < 40; ++i) {
            page[0] = QChar(u'A' + i % 26);
            if (!make.WriteSetting(QStringLiteral("k%1").arg(i), page))
                return std::nullopt;
        }
    }
    if (QFileInfo(path).size() < 200LL * 1000 * 1000)
        return std::nullopt;
    const auto t0 = Clock::now();
    SettingsStore store(path);
    const auto t1 = Clock::now();
    if (!store.isOpen() || !store.keptAsidePath().isEmpty())
        return std::nullopt;
    return msBetween(t0, t1);
}

// The characters of a text as the boundary finder tells them one by one, line
// ends not counted: the slow way, to check the status bar's count.
qsizetype charsByFinder(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype n = 0;
    while (finder.toNextBoundary() >= 0)
        ++n;
    return n - (text.count(u'\r') + text.count(u'\n') - text.count(u"\r\n"));
}

// A large file opened into the page with Ctrl+O.
TextView& openLarge(Session& s, const QString& file) {
    s.start();
    s.com.files = {file};
    s.window.files.openIntoPage();
    firstPaint(s.window);
    return s.shown();
}

// The first count of a 20 MB page for the status bar: from the page opened
// (Ctrl+O) into the view it follows until every character is counted, a
// slice an event-loop turn, the first paint of the page in between.
std::optional<double> statusCount(const QString& file, const QString& tmp) {
    Session s(tmp + QStringLiteral("/store.sqlite"));
    s.start();
    TextMeasure measure;
    measure.follow(&s.shown());
    Heartbeat heartbeat;
    s.com.files = {file};
    s.window.files.openIntoPage();
    heartbeat.skip();
    heartbeat.longest = 0; // the window waits for the file itself
    const auto t0 = Clock::now();
    if (!heartbeat.runUntil([&] { return measure.status().counted; }))
        return std::nullopt;
    const auto t1 = Clock::now();
    if (measure.status().chars != charsByFinder(s.shown().text()))
        return std::nullopt;
    detail(QStringLiteral("%1 characters; the window waited at most %2 ms")
               .arg(measure.status().chars)
               .arg(heartbeat.longest, 0, 'f', 1));
    return msBetween(t0, t1);
}

// What the status bar adds to a key typed into the middle of a 20 MB page:
// its count of what changed, as the document tells the change, and the
// status read afterwards. Per key, over 100 keys, in microseconds.
std::optional<double> statusKey(const QString& file, const QString& tmp) {
    Session s(tmp + QStringLiteral("/store.sqlite"));
    TextView& view = openLarge(s, file);
    TextMeasure measure;
    // Around the measure's own handling of each change.
    Clock::time_point before;
    double spent = 0;
    QObject::connect(view.document(), &QTextDocument::contentsChange,
                     [&] { before = Clock::now(); });
    measure.follow(&view);
    QObject::connect(view.document(), &QTextDocument::contentsChange,
                     [&] { spent += msBetween(before, Clock::now()); });
    while (!measure.status().counted)
        QCoreApplication::processEvents();
    const qsizetype chars = measure.status().chars;
    view.setSelStart(view.textLength() / 2);
    constexpr int Keys = 100;
    for (int i = 0; i < Keys; ++i) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("あ"));
        QCoreApplication::sendEvent(&view, &key);
        const auto t0 = Clock::now();
        const TextStatus status = measure.status();
        spent += msBetween(t0, Clock::now());
        if (status.chars != chars + i + 1)
            return std::nullopt;
    }
    return spent / Keys * 1000;
}

const std::map<QString, Figure>& figures() {
    static const std::map<QString, Figure> all = {
        {QStringLiteral("open_20mb_ms"),
         [](const benchdata::Files& d, const QString& tmp) { return openFile(d.text20, tmp); }},
        // The same text as a Linux tool writes it: UTF-8, told apart from
        // code page 932 while it is read.
        {QStringLiteral("open_20mb_utf8_ms"),
         [](const benchdata::Files& d, const QString& tmp) {
             return openFile(benchdata::Files::utf8(d.text20), tmp);
         }},
        {QStringLiteral("open_5mb_ms"),
         [](const benchdata::Files& d, const QString& tmp) { return openFile(d.text5, tmp); }},
        {QStringLiteral("idle_save_20mb_ms"),
         [](const benchdata::Files& d, const QString& tmp) { return idleSave(d.text20, tmp); }},
        {QStringLiteral("idle_save_5mb_ms"),
         [](const benchdata::Files& d, const QString& tmp) { return idleSave(d.text5, tmp); }},
        {QStringLiteral("snapshot_20mb_ms"),
         [](const benchdata::Files& d, const QString& tmp) { return snapshot(d.text20, tmp); }},
        {QStringLiteral("history_open_ms"), historyOpen},
        {QStringLiteral("switch_ms"),
         [](const benchdata::Files& d, const QString& tmp) -> std::optional<double> {
             Session s(copyOfNinePages(d, tmp));
             s.start();
             s.shown().replaceSelection(QStringLiteral("追記"));
             PaintCounter paints(s.window.views().wrappedView.viewport());
             const auto t0 = Clock::now();
             s.window.pages.switchToPage(2);
             firstPaint(s.window);
             const auto t1 = Clock::now();
             if (s.window.windowTitle() != u"Sorabun - 2" || paints.paints == 0 ||
                 !s.store.ReadSetting(QStringLiteral("1")).startsWith(u"追記"))
                 return std::nullopt;
             return msBetween(t0, t1);
         }},
        {QStringLiteral("shutdown_ms"),
         [](const benchdata::Files& d, const QString& tmp) -> std::optional<double> {
             const QString path = copyOfNinePages(d, tmp);
             Session s(path);
             s.start();
             s.shown().setSelStart(1000);
             s.shown().replaceSelection(QStringLiteral("変更"));
             const QString expected = s.shown().text();
             const QString caret = QString::number(s.shown().selStart());
             const auto t0 = Clock::now();
             s.window.close(); // the whole shut-down, as the close button runs it
             const auto t1 = Clock::now();
             // What a next start reads: the changed page and its caret.
             SettingsStore check(path);
             if (check.ReadSetting(QStringLiteral("1")) != expected ||
                 check.ReadSetting(QStringLiteral("SelStart")) != caret)
                 return std::nullopt;
             return msBetween(t0, t1);
         }},
        {QStringLiteral("findnext_20mb_ms"),
         [](const benchdata::Files& d, const QString& tmp) -> std::optional<double> {
             Session s(tmp + QStringLiteral("/store.sqlite"));
             s.start();
             s.com.files = {d.text20};
             s.window.files.openIntoPage();
             firstPaint(s.window);
             s.window.workspace().state.searchText = benchdata::needle();
             const qsizetype end = s.shown().textLength();
             const auto t0 = Clock::now();
             s.window.search.findNext();
             firstPaint(s.window);
             const auto t1 = Clock::now();
             const qsizetype n = benchdata::needle().size();
             if (s.prompts.messages || s.shown().selStart() != end - n ||
                 s.shown().selLength() != n)
                 return std::nullopt;
             return msBetween(t0, t1);
         }},
        {QStringLiteral("replaceall_100k_ms"),
         [](const benchdata::Files& d, const QString& tmp) -> std::optional<double> {
             Session s(tmp + QStringLiteral("/store.sqlite"));
             s.start();
             s.com.files = {d.text10};
             s.window.files.openIntoPage();
             ReplaceDialog dialog(s.window.workspace(), &s.window);
             dialog.takeOverSelection();
             dialog.show();
             dialog.controls().targetEdit->setText(benchdata::target());
             dialog.controls().replacementEdit->setText(benchdata::replacement());
             firstPaint(s.window);
             const auto t0 = Clock::now();
             dialog.replaceAll();
             const auto t1 = s.prompts.lastMessageAt;
             if (s.prompts.lastMessage != u"完了" ||
                 s.shown().text().count(benchdata::replacement()) != benchdata::TargetOccurrences)
                 return std::nullopt;
             return msBetween(t0, t1);
         }},
        {QStringLiteral("findall_9x5mb_first_ms"),
         [](const benchdata::Files& d, const QString& tmp) { return findAll(d, tmp, true); }},
        {QStringLiteral("findall_9x5mb_ms"),
         [](const benchdata::Files& d, const QString& tmp) { return findAll(d, tmp, false); }},
        {QStringLiteral("store_open_200mb_ms"),
         [](const benchdata::Files&, const QString& tmp) { return storeOpen200(tmp); }},
        {QStringLiteral("rss_20mb_mib"),
         [](const benchdata::Files& d, const QString& tmp) -> std::optional<double> {
             Session s(tmp + QStringLiteral("/store.sqlite"));
             s.start();
             s.com.files = {d.text20};
             s.window.files.openIntoPage();
             firstPaint(s.window);
             if (s.window.views().unwrappedView.textLength() !=
                 s.window.views().wrappedView.textLength())
                 return std::nullopt;
             return residentMiB();
         }},
        {QStringLiteral("status_count_20mb_ms"),
         [](const benchdata::Files& d, const QString& tmp) { return statusCount(d.text20, tmp); }},
        {QStringLiteral("status_key_20mb_us"),
         [](const benchdata::Files& d, const QString& tmp) { return statusKey(d.text20, tmp); }},
        {QStringLiteral("rss_9x5mb_mib"),
         [](const benchdata::Files& d, const QString& tmp) -> std::optional<double> {
             Session s(copyOfNinePages(d, tmp));
             s.start();
             if (s.shown().textLength() < 1000000)
                 return std::nullopt;
             return residentMiB();
         }},
    };
    return all;
}

// Process start to first paint on screen: this process was started by the
// parent at `t0` (the same monotonic clock); from here on it does what the
// program's main() does, on the store prepared under XDG_CONFIG_HOME, and
// waits until the window system shows the window (at once offscreen).
std::optional<double> startup(Clock::time_point t0) {
    Program program;
    MainWindow& window = program.window();
    PaintCounter paints(window.views().wrappedView.viewport());
    window.start({});
    const QDeadlineTimer limit(10000);
    while (!window.windowHandle()->isExposed() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    firstPaint(window);
    const auto t1 = Clock::now();
    if (window.views().wrappedView.textLength() < 1000000 || paints.paints == 0)
        return std::nullopt;
    return msBetween(t0, t1);
}

int runFigure(int argc, char* argv[], const QString& name, const QString& dataDir, qint64 t0ns) {
    QApplication app(argc, argv);
    std::optional<double> value;
    if (name == u"startup_ms") {
        value = startup(Clock::time_point(Clock::duration(t0ns)));
    } else {
        const auto it = figures().find(name);
        if (it == figures().end()) {
            std::fprintf(stderr, "no figure %s\n", qPrintable(name));
            return 2;
        }
        QTemporaryDir tmp;
        value = it->second(benchdata::locate(dataDir), tmp.path());
    }
    if (!value) {
        std::fprintf(stderr, "figure %s: the program did not do what was measured\n",
                     qPrintable(name));
        return 1;
    }
    std::printf("value %.3f\n", *value);
    std::fflush(stdout);
    ::_exit(0); // as the program ends: no tear-down to wait for
}

// ---- the parent: data, repetitions, anchors -----------------------------------

struct Target {
    const char* name;
    const char* unit;
    double limit;
};
const Target Targets[] = {
    {"open_20mb_ms", "ms", 1000},
    {"open_20mb_utf8_ms", "ms", 1000},
    {"open_5mb_ms", "ms", 250},
    {"switch_ms", "ms", 200},
    {"startup_ms", "ms", 400},
    {"shutdown_ms", "ms", 150},
    {"findnext_20mb_ms", "ms", 100},
    {"replaceall_100k_ms", "ms", 500},
    {"findall_9x5mb_first_ms", "ms", 300},
    {"findall_9x5mb_ms", "ms", 1000},
    {"rss_20mb_mib", "MiB", 250},
    {"rss_9x5mb_mib", "MiB", 120},
    {"idle_save_20mb_ms", "ms", 50},
    {"idle_save_5mb_ms", "ms", 16},
    {"snapshot_20mb_ms", "ms", 50},
    {"history_open_ms", "ms", 200},
    {"store_open_200mb_ms", "ms", 50},
    {"status_count_20mb_ms", "ms", 100},
    {"status_key_20mb_us", "us", 5000},
};

using bench::median;
using bench::samples;

std::optional<double> runChild(const QString& name, const QString& dataDir,
                               const QString& startupPlatform) {
    QTemporaryDir tmp;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (name == u"startup_ms") {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), startupPlatform);
        const QString config = tmp.filePath(QStringLiteral("config"));
        QDir().mkpath(config + QStringLiteral("/sorabun"));
        QFile::copy(benchdata::locate(dataDir).store,
                    config + QStringLiteral("/sorabun/store.sqlite"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    }
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    const qint64 t0 = Clock::now().time_since_epoch().count();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--figure"), name, QStringLiteral("--data"), dataDir,
                 QStringLiteral("--t0"), QString::number(t0)});
    if (!child.waitForFinished(600000)) {
        child.kill();
        child.waitForFinished();
    }
    const QByteArray err = child.readAllStandardError();
    for (const QByteArray& line : err.split('\n'))
        if (line.startsWith("  ") || line.contains("figure"))
            std::fprintf(stderr, "%s\n", line.constData());
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith("value "))
            return line.mid(6).toDouble();
    std::fprintf(stderr, "%s failed (exit %d):\n%s\n", qPrintable(name), child.exitCode(),
                 err.right(2000).constData());
    return std::nullopt;
}

struct Anchor {
    QString name;
    QString program;
    QStringList arguments;
    QString outputFile; // standard output goes here; empty: discarded
};

std::optional<double> runAnchor(const Anchor& a) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C")); // bytes, like the files
    p.setProcessEnvironment(env);
    if (a.outputFile.isEmpty())
        p.setStandardOutputFile(QProcess::nullDevice());
    else
        p.setStandardOutputFile(a.outputFile);
    QElapsedTimer t;
    t.start();
    p.start(a.program, a.arguments);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "anchor %s failed: %s\n", qPrintable(a.name),
                     p.readAllStandardError().constData());
        return std::nullopt;
    }
    return double(t.nsecsElapsed()) / 1e6;
}

// The nine pages of the store as UTF-8 files, for the tools to read.
QStringList ninePageFiles(const benchdata::Files& d, const QString& dir) {
    const SettingsStore store(d.store);
    QStringList files;
    for (int n = 1; n <= 9; ++n) {
        QFile f(dir + QStringLiteral("/page%1.txt").arg(n));
        if (f.open(QIODevice::WriteOnly))
            f.write(store.ReadSetting(keys::page(n)).toUtf8());
        files << f.fileName();
    }
    return files;
}

QList<Anchor> anchors(const benchdata::Files& d, const QString& dir) {
    // The search word and the replacement as bytes in the files' code page.
    QFile pattern(dir + QStringLiteral("/needle.grep"));
    if (pattern.open(QIODevice::WriteOnly))
        pattern.write(textfile::encode(benchdata::needle()) + '\n');
    // The word of the search in every page, as the pages hold it.
    QFile word(dir + QStringLiteral("/findall.grep"));
    if (word.open(QIODevice::WriteOnly))
        word.write(QStringLiteral("プロジェクト\n").toUtf8());
    QFile script(dir + QStringLiteral("/replace.sed"));
    if (script.open(QIODevice::WriteOnly))
        script.write("s/" + textfile::encode(benchdata::target()) + '/' +
                     textfile::encode(benchdata::replacement()) + "/g\n");
    return {
        {QStringLiteral("iconv_cp932_20mb_ms"),
         QStringLiteral("iconv"),
         {QStringLiteral("-f"), QStringLiteral("CP932"), QStringLiteral("-t"),
          QStringLiteral("UTF-8"), QStringLiteral("-o"), QProcess::nullDevice(), d.text20},
         {}},
        {QStringLiteral("grep_ci_20mb_ms"),
         QStringLiteral("grep"),
         {QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("-F"), QStringLiteral("-f"),
          pattern.fileName(), d.text20},
         {}},
        {QStringLiteral("grep_c_9x5mb_ms"),
         QStringLiteral("grep"),
         QStringList{QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("-F"),
                     QStringLiteral("-f"), word.fileName()} +
             ninePageFiles(d, dir),
         {}},
        {QStringLiteral("sed_replace_10mb_ms"),
         QStringLiteral("sed"),
         {QStringLiteral("-f"), script.fileName(), d.text10},
         dir + QStringLiteral("/replaced.txt")},
        {QStringLiteral("dd_fdatasync_5mb_ms"),
         QStringLiteral("dd"),
         {QStringLiteral("if=") + d.text5,
          QStringLiteral("of=") + dir + QStringLiteral("/copy.txt"), QStringLiteral("bs=1M"),
          QStringLiteral("conv=fdatasync"), QStringLiteral("status=none")},
         {}},
    };
}

int runAll(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&](const char* name) -> QString {
        const qsizetype i = args.indexOf(QString::fromLatin1(name));
        return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
    };
    const int reps = std::max(1, option("--reps").isEmpty() ? 5 : option("--reps").toInt());
    const QStringList only = option("--only").split(u',', Qt::SkipEmptyParts);
    const QString startupPlatform =
        option("--platform").isEmpty() ? QStringLiteral("offscreen") : option("--platform");

    QTemporaryDir tmp;
    QString dataDir = option("--data");
    if (dataDir.isEmpty())
        dataDir = tmp.path();
    QDir().mkpath(dataDir);
    benchdata::Files data = benchdata::locate(dataDir);
    // A folder from an older run may lack the files added since.
    const QStringList needed = {data.text5,
                                data.text20,
                                data.text10,
                                data.store,
                                data.text100,
                                data.line5,
                                benchdata::Files::utf8(data.text20),
                                benchdata::Files::utf8(data.text100),
                                benchdata::Files::utf8(data.line5)};
    if (!std::all_of(needed.begin(), needed.end(),
                     [](const QString& f) { return QFile::exists(f); })) {
        std::fprintf(stderr, "making the data in %s\n", qPrintable(dataDir));
        data = benchdata::make(dataDir);
    }

    int missed = 0, failed = 0;
    std::map<QString, double> medians;
    for (const Target& t : Targets) {
        const QString name = QString::fromLatin1(t.name);
        if (!only.isEmpty() && !only.contains(name))
            continue;
        QList<double> values;
        for (int r = 0; r < reps; ++r) {
            if (const auto v = runChild(name, dataDir, startupPlatform))
                values << *v;
        }
        if (values.size() < reps) {
            ++failed;
            std::fprintf(stderr, "%s: %lld of %d runs failed\n", t.name,
                         static_cast<long long>(reps - values.size()), reps);
            continue;
        }
        const double m = median(values);
        medians[name] = m;
        std::printf("figure %s %.1f %s\n", t.name, m, t.unit);
        std::fflush(stdout);
        const bool met = m <= t.limit;
        missed += !met;
        std::fprintf(stderr, "  %s target <= %g %s: %s (samples %s)\n", t.name, t.limit, t.unit,
                     met ? "met" : "MISSED", qPrintable(samples(values)));
    }

    // Telling UTF-8 apart costs a UTF-8 file at most a tenth more time.
    const auto utf8 = medians.find(QStringLiteral("open_20mb_utf8_ms"));
    const auto cp932 = medians.find(QStringLiteral("open_20mb_ms"));
    if (utf8 != medians.end() && cp932 != medians.end() && cp932->second > 0) {
        const double v = utf8->second / cp932->second;
        std::printf("figure open_20mb_utf8_vs_cp932 %.2f\n", v);
        std::fflush(stdout);
        missed += v > 1.1;
        std::fprintf(stderr, "  open_20mb_utf8_vs_cp932 target <= 1.1: %s\n",
                     v <= 1.1 ? "met" : "MISSED");
    }

    // The whole program under X11 with a window manager, beside FeatherPad.
    // --program: the program of another build, for before-and-after runs.
    const QString program =
        option("--program").isEmpty() ? QStringLiteral(SORABUN_PROGRAM) : option("--program");
    const x11figures::Outcome x11 = x11figures::run(data, program, reps, only);
    missed += x11.missed;
    failed += x11.failed;

    if (!args.contains(QStringLiteral("--no-anchors"))) {
        for (const Anchor& a : anchors(data, tmp.path())) {
            if (QStandardPaths::findExecutable(a.program).isEmpty()) {
                std::fprintf(stderr, "anchor %s: no %s here\n", qPrintable(a.name),
                             qPrintable(a.program));
                continue;
            }
            QList<double> values;
            for (int r = 0; r < reps; ++r)
                if (const auto v = runAnchor(a))
                    values << *v;
            if (values.isEmpty())
                continue;
            std::printf("anchor %s %.1f ms\n", qPrintable(a.name), median(values));
            std::fflush(stdout);
            std::fprintf(stderr, "  samples %s\n", qPrintable(samples(values)));
        }
    }
    std::fprintf(stderr, "%d figure(s) missed the target, %d could not be measured\n", missed,
                 failed);
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string_view(argv[i]) != "--figure")
            continue;
        QString data;
        qint64 t0 = 0;
        for (int j = 1; j + 1 < argc; ++j) {
            if (std::string_view(argv[j]) == "--data")
                data = QString::fromLocal8Bit(argv[j + 1]);
            if (std::string_view(argv[j]) == "--t0")
                t0 = std::atoll(argv[j + 1]);
        }
        return runFigure(argc, argv, QString::fromLocal8Bit(argv[i + 1]), data, t0);
    }
    return runAll(argc, argv);
}
