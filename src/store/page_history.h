#pragma once

#include "store/connection.h"

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
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
// A file that is not a readable history of ours is kept aside under a new
// name, never deleted, and the history starts empty; so is one found damaged
// while the program runs. No operation throws.
class PageHistory {
public:
    using Limits = HistoryLimits;
    struct Entry {
        qint64 id = 0;
        qint64 takenMs = 0;  // milliseconds since 1970 (UTC)
        qsizetype units = 0; // the text's length in UTF-16 units, as page labels count
    };
    // Milliseconds since 1970 (UTC).
    using Clock = std::function<qint64()>;

    explicit PageHistory(const QString& path, Limits limits = Limits());
    ~PageHistory();
    PageHistory(const PageHistory&) = delete;
    PageHistory& operator=(const PageHistory&) = delete;

    // history.sqlite in the folder of the store at `storePath`.
    static QString pathBeside(const QString& storePath);

    // The clock snapshots are taken and aged by: the system's unless set.
    void setClock(Clock clock);
    qint64 now() const;

    // Keeps the text `make` makes (on the history's thread) as a snapshot of
    // `page` taken at `takenMs`. An empty text, or the one the page's latest
    // snapshot holds, adds nothing. Returns at once; any thread may call it.
    void add(int page, qint64 takenMs, std::function<QString()> make);
    void add(int page, qint64 takenMs, const QString& text);
    // When the page's latest snapshot was taken, those handed over and not
    // yet written included; 0 when it has none.
    qint64 lastTaken(int page) const;

    // The page's snapshots, newest first.
    std::vector<Entry> entries(int page);
    // A snapshot's text; none when it is gone or cannot be read.
    std::optional<QString> text(qint64 id);
    // Waits until everything handed over is written.
    void waitForBackground();
    // The same, for at most `limit`: true when everything handed over is
    // written (a limit of 0 only looks).
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

    FileForm form();
    void opened();
    void close();
    int loadLastTaken();
    void recoverIfDamaged();

    const QString m_path;
    const Limits m_limits;
    QString m_keptAside;
    StoreConnection m_db;
    // Guards the clock, the times below and the worker, which the store's
    // thread reaches too (the idle save hands its text over from there).
    mutable std::mutex m_mutex;
    Clock m_clock;
    std::array<qint64, 10> m_lastTaken{};
    std::shared_ptr<std::atomic<bool>> m_damaged;
    std::unique_ptr<Writer> m_writer;
    std::unique_ptr<SerialWorker> m_worker;
};
