#pragma once

#include "store/connection.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class SerialWorker;

// How long the page history keeps snapshots, and how much of them.
struct HistoryLimits {
    qint64 keepMs = 14LL * 24 * 60 * 60 * 1000;
    int keepLatest = 20;                   // of each page, however old
    qint64 maxBytes = 256LL * 1024 * 1024; // of texts, two bytes a unit
};

// The past texts of the nine pages: snapshots kept beside the settings store
// in a SQLite file of their own (history.sqlite), so the settings rows keep
// their form.
//
// A text is kept once, however many snapshots hold it (by its SHA-256). A
// snapshot is kept for 14 days, and the latest 20 of each page however old;
// when the texts kept pass 256 MiB, the oldest snapshots go first, first
// those beyond a page's latest 20, and a page's latest one never.
//
// Texts are made, hashed and written on a thread of the history's own:
// handing one over costs the caller next to nothing. Reading waits for what
// was handed over first.
//
// Ages follow real time: a snapshot is old by the time the history has seen
// pass (the newest date it held at opening, moved on by the steady clock),
// never by a date later than that, so a clock put forward for a while makes
// no recent snapshot old, and a page's latest are the latest taken.
//
// A file that is not a readable history of ours is kept aside under a new
// name, never deleted, and the history starts empty; so is one found damaged
// while the program runs. No operation throws.
class PageHistory {
public:
    using Limits = HistoryLimits;
    // Why a snapshot could not be written.
    using Failure = Refusal;
    struct Entry {
        qint64 id = 0;
        qint64 takenMs = 0;  // milliseconds since 1970 (UTC)
        qsizetype units = 0; // the text's length in UTF-16 units, as page labels count
    };
    // Milliseconds: since 1970 (UTC) for the calendar; from any start for a
    // steady clock, which a clock put forward or back does not move.
    using Clock = std::function<qint64()>;

    explicit PageHistory(const QString& path, Limits limits = Limits());
    ~PageHistory();
    PageHistory(const PageHistory&) = delete;
    PageHistory& operator=(const PageHistory&) = delete;

    // history.sqlite in the folder of the store at `storePath`.
    static QString pathBeside(const QString& storePath);

    // The clocks snapshots are dated and timed by: the system's calendar and
    // its boot clock (which goes on while the machine sleeps) unless set.
    void setClock(Clock calendar, Clock steady = Clock());
    qint64 now() const;
    qint64 steadyNow() const;

    // Keeps the text `make` makes (on the history's thread) as a snapshot of
    // `page` taken at `takenMs`. An empty text, or the one the page's latest
    // snapshot holds, adds nothing. Returns at once; any thread may call it.
    //
    // A snapshot the file refuses stays queued and is tried again, before
    // anything newer, at the next add(). Snapshots taken before a change
    // all wait: each may be the only copy of the page as it was. Those taken
    // every few minutes (`periodic`) only stand for the page at some time:
    // while the file refuses, a page keeps its oldest waiting and its newest,
    // so that memory stays bounded however long the file refuses.
    void add(int page, qint64 takenMs, std::function<QString()> make, bool periodic = false);
    void add(int page, qint64 takenMs, const QString& text, bool periodic = false);
    // When the page's latest snapshot was taken (as dated), of those written
    // and those handed over and not refused; 0 when it has none.
    qint64 lastTaken(int page) const;
    // How long ago on the steady clock the page's latest snapshot, written or
    // handed over and not refused, was taken; none when the page has none,
    // or only one dated later than now (a clock put back). What the rule
    // "a snapshot every five minutes" needs: it moves on with real time
    // whatever the calendar clock does.
    std::optional<qint64> sinceLastTaken(int page) const;

    // Tells `told` (run on the thread of `context`) of a refused write,
    // once for each cause until a write succeeds again: the disk full, a
    // read-only file (found at opening too), another program holding the
    // file past the wait, a text too large, an input or output error, memory
    // run out. A text too large, or one that could not be made, is dropped
    // since no retry can help; the others stay queued.
    void setFailureHandler(QObject* context, std::function<void(Failure)> told);
    // The cause of the latest refused write; None once one succeeded.
    Failure failure() const;
    // Tries the snapshots the file refused again now, as the next add()
    // would (before an exit, say). Returns at once.
    void retryRefused();

    // The page's snapshots, the latest taken first (in the order they were
    // taken, whatever dates a moving clock gave them).
    std::vector<Entry> entries(int page);
    // A snapshot's text; none when it is gone or cannot be read.
    std::optional<QString> text(qint64 id);
    // A moment in the history's queue: ready once every snapshot handed over
    // before it is written, or refused. Any thread may wait for it, also
    // once the history has closed (what was handed over is written first).
    // What a text is written after, when the snapshot of the text it
    // replaces must reach the disk first.
    std::shared_future<void> handedOver();
    // Waits until everything handed over is written or refused.
    void waitForBackground();
    // The same, for at most `limit` (an exit that cannot wait for long; a
    // limit of 0 only looks): true when nothing is left to try.
    bool waitForBackground(std::chrono::milliseconds limit);

    // Closes the history and removes its file and every damaged copy kept
    // aside; returns those that could not be removed.
    QStringList erase();

    bool isOpen() const { return m_db.isOpen(); }
    QString path() const { return m_path; }
    // Where the latest damaged file was moved to, or empty.
    QString keptAsidePath() const { return m_keptAside; }
    static QStringList keptAsideCopies(const QString& path);

private:
    struct Writer;
    struct Pending;
    // When a page's latest snapshot was taken, on both clocks; one taken
    // before this run is known by its date only.
    struct Taken {
        qint64 calendar = 0;
        std::optional<qint64> steady;
    };

    FileForm form();
    void opened();
    void close();
    int loadLastTaken();
    void recoverIfDamaged();
    void drain();
    Failure writeOne(Pending& p);
    void refused(Failure failure);
    std::optional<Taken> latestTaken(int page) const;

    const QString m_path;
    const Limits m_limits;
    QString m_keptAside;
    StoreConnection m_db;
    // Guards everything below, which the history's thread reaches too (and
    // the store's: the idle save hands its text over from there).
    mutable std::mutex m_mutex;
    Clock m_calendar;
    Clock m_steady;
    std::array<Taken, 10> m_written{};
    // Handed over and not yet written, in the order taken.
    std::deque<Pending> m_pending;
    std::optional<std::pair<int, Taken>> m_inFlight; // the page being written
    // Real time as the history has seen it pass, for aging: a calendar date
    // and the steady time it was seen at; set at the first snapshot.
    std::optional<std::pair<qint64, qint64>> m_anchor;
    qint64 m_newestDate = 0; // the file's, when it was opened
    Failure m_failure = Failure::None;
    Failure m_told = Failure::None;
    QPointer<QObject> m_context;
    std::function<void(Failure)> m_handler;
    std::shared_ptr<std::atomic<bool>> m_damaged;
    std::unique_ptr<Writer> m_writer;
    std::unique_ptr<SerialWorker> m_worker;
};
