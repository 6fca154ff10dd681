#include "store/page_history.h"

#include "store/connection.h"
#include "store/serial_worker.h"
#include "store/store_file.h"

#include <QByteArrayView>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <ctime>
#include <new>
#include <sqlite3.h>

namespace {

bool isDamage(int rc) {
    return (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB;
}

QByteArray hashOf(const QString& text) {
    return QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(text.utf16()), text.size() * 2),
        QCryptographicHash::Sha256);
}

// Each page's snapshots ranked in the order taken, 1 the latest, with the
// date each is aged by: its own, or an earlier one of a snapshot taken after
// it (a date in the future is put right by the snapshots that follow).
#define RANKED                                                                                     \
    "WITH ranked AS (SELECT id, row_number() OVER later AS rank, min(taken) OVER later AS aged "   \
    "FROM snapshots WINDOW later AS (PARTITION BY page ORDER BY id DESC)) "

// The boot clock in milliseconds: steady, and going on while the machine
// sleeps, as the calendar does.
qint64 bootClockMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_BOOTTIME, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

// The history's thread: its own connection, made on the first write.
struct PageHistory::Writer {
    Writer(const QString& path, const Limits& limits, std::shared_ptr<std::atomic<bool>> damaged)
        : m_path(path), m_limits(limits), m_damaged(std::move(damaged)) {}

    // Writes one snapshot, aged against `realMs`: the real time it was
    // taken at, as far as the history can tell.
    Failure write(int page, qint64 takenMs, qint64 realMs, const QString& text) {
        if (text.isEmpty())
            return Failure::None;
        if (!m_conn.isOpen())
            if (const int rc = m_conn.open(m_path); rc != SQLITE_OK)
                return refusalOf(rc, m_conn.systemError());
        const QByteArray hash = hashOf(text);
        int rc = m_conn.begin();
        bool thinned = false;
        try {
            if (rc == SQLITE_OK)
                rc = store(page, takenMs, text, hash);
            if (rc == SQLITE_OK)
                rc = thin(realMs, thinned);
            if (rc == SQLITE_OK)
                rc = m_conn.commit();
        } catch (...) {
            m_conn.rollback();
            throw;
        }
        if (rc != SQLITE_OK) {
            const Failure failure = refusalOf(rc, m_conn.systemError());
            m_conn.rollback();
            if (isDamage(rc))
                *m_damaged = true;
            return failure;
        }
        if (thinned) // the space freed goes back to the system
            m_conn.exec("PRAGMA incremental_vacuum");
        return Failure::None;
    }

private:
    int store(int page, qint64 takenMs, const QString& text, const QByteArray& hash) {
        StoreConnection& db = m_conn;
        Statement latest(db, "SELECT t.hash FROM snapshots s JOIN texts t ON t.id = s.text "
                             "WHERE s.page = ?1 ORDER BY s.id DESC LIMIT 1");
        if (latest.bind(1, page).row() && latest.bytes(0) == hash)
            return SQLITE_OK; // the page has not changed since
        if (latest.rc() != SQLITE_OK && latest.rc() != SQLITE_ROW)
            return latest.rc();
        Statement known(db, "SELECT id FROM texts WHERE hash = ?1");
        qint64 textId = known.bind(1, hash).row() ? known.integer(0) : 0;
        if (!textId) {
            Statement insert(db, "INSERT INTO texts (hash, units, body) VALUES (?1, ?2, ?3)");
            if (!insert.bind(1, hash).bind(2, text.size()).bindText(3, text).run())
                return insert.rc();
            textId = db.lastInsertId();
        }
        Statement add(db, "INSERT INTO snapshots (page, taken, text) VALUES (?1, ?2, ?3)");
        add.bind(1, page).bind(2, takenMs).bind(3, textId).run();
        return add.rc();
    }

    // Old snapshots beyond each page's latest go; then, while the texts take
    // more than allowed, the oldest snapshots, first those beyond a page's
    // latest, then any but a page's latest.
    int thin(qint64 nowMs, bool& thinned) {
        StoreConnection& db = m_conn;
        Statement aged(db, RANKED "DELETE FROM snapshots WHERE id IN "
                                  "(SELECT id FROM ranked WHERE rank > ?1 AND aged < ?2)");
        if (!aged.bind(1, m_limits.keepLatest).bind(2, nowMs - m_limits.keepMs).run())
            return aged.rc();
        thinned = db.changes() > 0;
        for (const qint64 kept : {qint64(m_limits.keepLatest), qint64(1)}) {
            for (;;) {
                int rc = dropUnused();
                if (rc != SQLITE_OK)
                    return rc;
                Statement size(db, "SELECT coalesce(sum(units), 0) * 2 FROM texts");
                if (!size.row())
                    return size.rc();
                if (size.integer(0) <= m_limits.maxBytes)
                    return SQLITE_OK;
                Statement oldest(db, RANKED "SELECT id FROM ranked WHERE rank > ?1 "
                                            "ORDER BY id LIMIT 1");
                if (!oldest.bind(1, kept).row()) {
                    if (oldest.rc() != SQLITE_OK)
                        return oldest.rc();
                    break; // none left to thin at this rank
                }
                Statement drop(db, "DELETE FROM snapshots WHERE id = ?1");
                if (!drop.bind(1, oldest.integer(0)).run())
                    return drop.rc();
                thinned = true;
            }
        }
        return dropUnused();
    }

    // Texts no snapshot holds any more.
    int dropUnused() {
        Statement unused(m_conn, "DELETE FROM texts WHERE NOT EXISTS "
                                 "(SELECT 1 FROM snapshots s WHERE s.text = texts.id)");
        unused.run();
        return unused.rc();
    }

    const QString m_path;
    const Limits m_limits;
    std::shared_ptr<std::atomic<bool>> m_damaged;
    StoreConnection m_conn;
};

PageHistory::PageHistory(const QString& path, Limits limits)
    : m_path(path), m_limits(limits), m_damaged(std::make_shared<std::atomic<bool>>(false)) {
    m_keptAside = m_db.openOrStartAfresh(m_path, form());
    opened();
}

PageHistory::~PageHistory() {
    close();
}

QString PageHistory::pathBeside(const QString& storePath) {
    return QFileInfo(storePath).absoluteDir().filePath(QStringLiteral("history.sqlite"));
}

// The history's form: our two tables and no others, or no table at all.
FileForm PageHistory::form() {
    FileForm form;
    // Set before the first table: pages large enough for long texts, and the
    // space of texts thinned out given back.
    form.fresh = {"PRAGMA encoding = 'UTF-16le'", "PRAGMA page_size = 65536",
                  "PRAGMA auto_vacuum = INCREMENTAL"};
    form.ours = [](StoreConnection& conn) {
        Statement tables(conn, "SELECT count(*), sum(name IN ('texts', 'snapshots')) "
                               "FROM sqlite_master WHERE type = 'table'");
        if (!tables.row())
            return tables.rc();
        return tables.integer(0) == tables.integer(1) ? SQLITE_OK : SQLITE_NOTADB;
    };
    form.tables = {"CREATE TABLE IF NOT EXISTS texts (id INTEGER PRIMARY KEY,"
                   " hash BLOB NOT NULL UNIQUE, units INTEGER NOT NULL, body TEXT NOT NULL)",
                   "CREATE TABLE IF NOT EXISTS snapshots (id INTEGER PRIMARY KEY,"
                   " page INTEGER NOT NULL, taken INTEGER NOT NULL, text INTEGER NOT NULL)",
                   "CREATE INDEX IF NOT EXISTS snapshots_page ON snapshots (page, taken)",
                   "CREATE INDEX IF NOT EXISTS snapshots_text ON snapshots (text)"};
    form.ready = [this](StoreConnection&) { return loadLastTaken(); };
    return form;
}

void PageHistory::opened() {
    if (!m_db.isOpen())
        return;
    m_writer = std::make_unique<Writer>(m_path, m_limits, m_damaged);
    std::lock_guard lock(m_mutex);
    // Opened read-only by SQLite when the file may not be written: told,
    // never used so silently. What it holds can still be read.
    if (m_db.isReadOnly())
        refused(Failure::ReadOnly);
    m_worker = std::make_unique<SerialWorker>();
    if (!m_pending.empty()) // what the damaged file refused goes to the new one
        m_worker->post([this] { drain(); });
}

// Each page's latest snapshot, by the order taken; and the latest of all,
// from which the history's sense of real time starts.
int PageHistory::loadLastTaken() {
    Statement last(m_db, "SELECT page, taken, id FROM snapshots WHERE id IN "
                         "(SELECT max(id) FROM snapshots GROUP BY page) ORDER BY id");
    std::lock_guard lock(m_mutex);
    m_written.fill(Taken());
    m_newestDate = 0;
    m_anchor.reset();
    while (last.row()) {
        const qint64 page = last.integer(0), taken = last.integer(1);
        m_newestDate = taken;
        if (page >= 0 && page < qint64(m_written.size()))
            m_written[page] = {taken, std::nullopt};
    }
    return last.rc();
}

void PageHistory::close() {
    std::unique_ptr<SerialWorker> worker;
    {
        std::lock_guard lock(m_mutex);
        worker = std::move(m_worker);
    }
    worker.reset(); // what was handed over is written first
    m_writer.reset();
    m_db.close();
}

void PageHistory::setClock(Clock calendar, Clock steady) {
    std::lock_guard lock(m_mutex);
    m_calendar = std::move(calendar);
    m_steady = std::move(steady);
    m_anchor.reset();
}

qint64 PageHistory::now() const {
    std::lock_guard lock(m_mutex);
    return m_calendar ? m_calendar() : QDateTime::currentMSecsSinceEpoch();
}

qint64 PageHistory::steadyNow() const {
    std::lock_guard lock(m_mutex);
    return m_steady ? m_steady() : bootClockMs();
}

struct PageHistory::Pending {
    int page = 0;
    Taken taken;
    qint64 realMs = 0; // when it was taken, in real time as far as seen
    std::function<QString()> make;
    QString text;
    bool made = false;
    bool refused = false;
    bool periodic = false;
};

void PageHistory::add(int page, qint64 takenMs, std::function<QString()> make, bool periodic) {
    std::lock_guard lock(m_mutex);
    if (!m_worker || page < 0 || page >= int(m_written.size()))
        return;
    const qint64 steady = m_steady ? m_steady() : bootClockMs();
    if (!m_anchor) {
        // Real time starts from the latest date the file holds, unless the
        // clock is behind it: a clock ahead now ages nothing by its date.
        const qint64 calendar = m_calendar ? m_calendar() : QDateTime::currentMSecsSinceEpoch();
        m_anchor = {m_newestDate ? std::min(calendar, m_newestDate) : calendar, steady};
    }
    const qint64 real = std::min(takenMs, m_anchor->first + (steady - m_anchor->second));
    // While the file refuses, a page keeps its oldest periodic snapshot
    // waiting and its newest: memory stays bounded, and the retry brings no
    // burst. Those taken before a change all wait.
    if (periodic && m_failure != Failure::None) {
        auto oldest = m_pending.end(), newest = m_pending.end();
        for (auto it = m_pending.begin(); it != m_pending.end(); ++it)
            if (it->page == page && it->periodic)
                (oldest == m_pending.end() ? oldest : newest) = it;
        if (newest != m_pending.end())
            m_pending.erase(newest);
    }
    Pending p;
    p.periodic = periodic;
    p.page = page;
    p.taken = {takenMs, steady};
    p.realMs = real;
    p.make = std::move(make);
    m_pending.push_back(std::move(p));
    m_worker->post([this] { drain(); });
}

void PageHistory::add(int page, qint64 takenMs, const QString& text, bool periodic) {
    if (!text.isEmpty())
        add(
            page, takenMs, [text] { return text; }, periodic);
}

// The latest of a page's snapshots handed over and not refused, of the one
// being written, and of those written.
std::optional<PageHistory::Taken> PageHistory::latestTaken(int page) const {
    for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it)
        if (it->page == page && !it->refused)
            return it->taken;
    if (m_inFlight && m_inFlight->first == page)
        return m_inFlight->second;
    if (page >= 0 && page < int(m_written.size()) && m_written[page].calendar != 0)
        return m_written[page];
    return std::nullopt;
}

qint64 PageHistory::lastTaken(int page) const {
    std::lock_guard lock(m_mutex);
    const std::optional<Taken> taken = latestTaken(page);
    return taken ? taken->calendar : 0;
}

std::optional<qint64> PageHistory::sinceLastTaken(int page) const {
    std::lock_guard lock(m_mutex);
    const std::optional<Taken> taken = latestTaken(page);
    if (!taken)
        return std::nullopt;
    if (taken->steady)
        return (m_steady ? m_steady() : bootClockMs()) - *taken->steady;
    // Taken before this run: as long ago as its date says, unless that is
    // later than now (taken with the clock ahead, at some unknown time).
    const qint64 since =
        (m_calendar ? m_calendar() : QDateTime::currentMSecsSinceEpoch()) - taken->calendar;
    return since >= 0 ? std::optional(since) : std::nullopt;
}

// On the history's thread: the snapshots waiting, in the order taken, until
// the file refuses one; the rest wait for the next add().
void PageHistory::drain() {
    for (;;) {
        Pending p;
        {
            std::lock_guard lock(m_mutex);
            if (m_pending.empty())
                return;
            p = std::move(m_pending.front());
            m_pending.pop_front();
            m_inFlight = {p.page, p.taken};
        }
        const Failure failure = writeOne(p);
        std::lock_guard lock(m_mutex);
        m_inFlight.reset();
        if (failure == Failure::None) {
            if (!p.text.isEmpty())
                m_written[p.page] = p.taken;
            m_failure = m_told = Failure::None;
            continue;
        }
        // No retry makes a text smaller, or makes one that could not be made.
        if (failure != Failure::TooLarge && p.made)
            m_pending.push_front(std::move(p));
        for (Pending& q : m_pending)
            q.refused = true;
        refused(failure);
        return;
    }
}

PageHistory::Failure PageHistory::writeOne(Pending& p) {
    try {
        if (!p.made) {
            p.text = p.make ? p.make() : QString();
            p.made = true;
            p.make = nullptr;
        }
        return m_writer->write(p.page, p.taken.calendar, p.realMs, p.text);
    } catch (const std::bad_alloc&) {
        return Failure::OutOfMemory;
    } catch (...) {
        return Failure::Io;
    }
}

// Called with the lock held.
void PageHistory::refused(Failure failure) {
    m_failure = failure;
    if (failure == m_told)
        return; // said already, and nothing was written since
    m_told = failure;
    if (m_context && m_handler)
        QMetaObject::invokeMethod(
            m_context.data(), [told = m_handler, failure] { told(failure); }, Qt::QueuedConnection);
}

void PageHistory::setFailureHandler(QObject* context, std::function<void(Failure)> told) {
    std::lock_guard lock(m_mutex);
    m_context = context;
    m_handler = std::move(told);
    // What was found before anyone listened is told now.
    if (m_failure != Failure::None && m_context && m_handler)
        QMetaObject::invokeMethod(
            m_context.data(), [told = m_handler, failure = m_failure] { told(failure); },
            Qt::QueuedConnection);
    m_told = m_failure;
}

void PageHistory::retryRefused() {
    std::lock_guard lock(m_mutex);
    if (m_worker && !m_pending.empty())
        m_worker->post([this] { drain(); });
}

PageHistory::Failure PageHistory::failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

std::shared_future<void> PageHistory::handedOver() {
    auto reached = std::make_shared<std::promise<void>>();
    std::shared_future<void> moment = reached->get_future().share();
    std::lock_guard lock(m_mutex);
    // The worker runs its jobs in order, and what is queued before it ends.
    if (m_worker)
        m_worker->post([reached] { reached->set_value(); });
    else
        reached->set_value();
    return moment;
}

// Only the thread that made the history ends its worker: it may be waited
// for outside the lock, so handing texts over meanwhile never stalls.
void PageHistory::waitForBackground() {
    SerialWorker* worker = nullptr;
    {
        std::lock_guard lock(m_mutex);
        worker = m_worker.get();
    }
    if (worker)
        worker->wait();
}

bool PageHistory::waitForBackground(std::chrono::milliseconds limit) {
    SerialWorker* worker = nullptr;
    {
        std::lock_guard lock(m_mutex);
        worker = m_worker.get();
    }
    return !worker || worker->wait(limit);
}

// A file found damaged while the program runs is kept aside, and the
// history starts afresh in its place.
void PageHistory::recoverIfDamaged() {
    if (!m_damaged->exchange(false))
        return;
    close();
    m_keptAside = m_db.startAfresh(m_path, form());
    opened();
}

std::vector<PageHistory::Entry> PageHistory::entries(int page) {
    waitForBackground();
    recoverIfDamaged();
    std::vector<Entry> found;
    Statement list(m_db, "SELECT s.id, s.taken, t.units FROM snapshots s "
                         "JOIN texts t ON t.id = s.text WHERE s.page = ?1 "
                         "ORDER BY s.id DESC");
    list.bind(1, page);
    while (list.row())
        found.push_back({list.integer(0), list.integer(1), qsizetype(list.integer(2))});
    if (isDamage(list.rc())) {
        *m_damaged = true;
        recoverIfDamaged();
        return {};
    }
    return found;
}

std::optional<QString> PageHistory::text(qint64 id) {
    waitForBackground();
    Statement body(m_db, "SELECT t.body FROM snapshots s JOIN texts t ON t.id = s.text "
                         "WHERE s.id = ?1");
    if (body.bind(1, id).row())
        return body.text(0);
    if (isDamage(body.rc()))
        *m_damaged = true;
    return std::nullopt;
}

QStringList PageHistory::erase() {
    close();
    {
        std::lock_guard lock(m_mutex);
        m_pending.clear(); // erased with everything else
    }
    QStringList staying;
    for (const QString& file : QStringList{m_path} + keptAsideCopies(m_path)) {
        const QFileInfo info(file);
        // A folder in the file's place is nobody's history: it stays.
        const bool removed = info.isDir() ? false : storefile::removeWithJournal(file);
        if (!removed)
            staying << file;
    }
    return staying;
}

QStringList PageHistory::keptAsideCopies(const QString& path) {
    QStringList copies;
    for (const QString& f : storefile::keptAsideCopies(path))
        if (!f.endsWith(QStringLiteral("-wal")) && !f.endsWith(QStringLiteral("-shm")))
            copies << f;
    return copies;
}
