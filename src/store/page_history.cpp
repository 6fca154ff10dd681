#include "store/page_history.h"

#include "store/connection.h"
#include "store/serial_worker.h"
#include "store/store_file.h"

#include <QByteArrayView>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

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

// Each page's snapshots ranked, 1 the newest.
#define RANKED                                                                                     \
    "WITH ranked AS (SELECT id, taken, row_number() OVER "                                         \
    "(PARTITION BY page ORDER BY taken DESC, id DESC) AS rank FROM snapshots) "

} // namespace

// The history's thread: its own connection, made on the first write.
struct PageHistory::Writer {
    Writer(const QString& path, const Limits& limits, std::shared_ptr<std::atomic<bool>> damaged)
        : m_path(path), m_limits(limits), m_damaged(std::move(damaged)) {}

    void write(int page, qint64 takenMs, const QString& text) {
        if (text.isEmpty())
            return;
        if (!m_conn.isOpen() && m_conn.open(m_path) != SQLITE_OK)
            return;
        const QByteArray hash = hashOf(text);
        int rc = m_conn.begin();
        bool thinned = false;
        if (rc == SQLITE_OK)
            rc = store(page, takenMs, text, hash, thinned);
        if (rc == SQLITE_OK)
            rc = m_conn.commit();
        if (rc != SQLITE_OK) {
            m_conn.rollback();
            if (isDamage(rc))
                *m_damaged = true;
            return;
        }
        if (thinned) // the space freed goes back to the system
            m_conn.exec("PRAGMA incremental_vacuum");
    }

private:
    int store(int page, qint64 takenMs, const QString& text, const QByteArray& hash,
              bool& thinned) {
        StoreConnection& db = m_conn;
        Statement latest(db, "SELECT t.hash FROM snapshots s JOIN texts t ON t.id = s.text "
                             "WHERE s.page = ?1 ORDER BY s.taken DESC, s.id DESC LIMIT 1");
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
        if (!add.bind(1, page).bind(2, takenMs).bind(3, textId).run())
            return add.rc();
        return thin(takenMs, thinned);
    }

    // Old snapshots beyond each page's latest go; then, while the texts take
    // more than allowed, the oldest snapshots, first those beyond a page's
    // latest, then any but a page's latest.
    int thin(qint64 nowMs, bool& thinned) {
        StoreConnection& db = m_conn;
        Statement aged(db, RANKED "DELETE FROM snapshots WHERE id IN "
                                  "(SELECT id FROM ranked WHERE rank > ?1 AND taken < ?2)");
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
                                            "ORDER BY taken, id LIMIT 1");
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
    m_worker = std::make_unique<SerialWorker>();
}

int PageHistory::loadLastTaken() {
    Statement last(m_db, "SELECT page, max(taken) FROM snapshots GROUP BY page");
    std::lock_guard lock(m_mutex);
    m_lastTaken.fill(0);
    while (last.row())
        if (last.integer(0) >= 0 && last.integer(0) < qint64(m_lastTaken.size()))
            m_lastTaken[last.integer(0)] = last.integer(1);
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

void PageHistory::setClock(Clock clock) {
    std::lock_guard lock(m_mutex);
    m_clock = std::move(clock);
}

qint64 PageHistory::now() const {
    std::lock_guard lock(m_mutex);
    return m_clock ? m_clock() : QDateTime::currentMSecsSinceEpoch();
}

void PageHistory::add(int page, qint64 takenMs, std::function<QString()> make) {
    std::lock_guard lock(m_mutex);
    if (!m_worker || page < 0 || page >= int(m_lastTaken.size()))
        return;
    m_lastTaken[page] = std::max(m_lastTaken[page], takenMs);
    m_worker->post([writer = m_writer.get(), page, takenMs, make = std::move(make)] {
        writer->write(page, takenMs, make());
    });
}

void PageHistory::add(int page, qint64 takenMs, const QString& text) {
    if (!text.isEmpty())
        add(page, takenMs, [text] { return text; });
}

qint64 PageHistory::lastTaken(int page) const {
    std::lock_guard lock(m_mutex);
    return page >= 0 && page < int(m_lastTaken.size()) ? m_lastTaken[page] : 0;
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
                         "ORDER BY s.taken DESC, s.id DESC");
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
