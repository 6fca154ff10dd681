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
#include <unistd.h>

namespace {

bool isDamage(int rc) {
    return (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB;
}

QByteArray hashOf(const QString& text) {
    return QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(text.utf16()), text.size() * 2),
        QCryptographicHash::Sha256);
}

// A prepared statement, finalized when it goes; a step that fails leaves
// its result in `rc`.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        rc = db ? sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr) : SQLITE_MISUSE;
    }
    ~Statement() { sqlite3_finalize(m_st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int i, qint64 v) {
        sqlite3_bind_int64(m_st, i, v);
        return *this;
    }
    Statement& bind(int i, const QByteArray& v) {
        sqlite3_bind_blob(m_st, i, v.constData(), int(v.size()), SQLITE_STATIC);
        return *this;
    }
    Statement& bindText(int i, const QString& v) {
        ::bindText(m_st, i, v);
        return *this;
    }
    // True while there is a row; a failure ends the rows and stays in rc.
    bool row() {
        if (rc != SQLITE_OK && rc != SQLITE_ROW)
            return false;
        rc = sqlite3_step(m_st);
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
        return rc == SQLITE_ROW;
    }
    // Runs it to its end: true when it ran through.
    bool run() {
        while (row()) {
        }
        return rc == SQLITE_OK;
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_st, column); }
    QByteArray bytes(int column) const {
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_st, column)),
                          sqlite3_column_bytes(m_st, column));
    }
    QString text(int column) const {
        const void* data = sqlite3_column_text16(m_st, column);
        const int n = sqlite3_column_bytes16(m_st, column);
        return data ? QString(static_cast<const QChar*>(data), n / 2) : QStringLiteral("");
    }

    int rc = SQLITE_OK;

private:
    sqlite3_stmt* m_st = nullptr;
};

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
        if (!m_conn.handle() && m_conn.open(m_path) != SQLITE_OK)
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
        sqlite3* db = m_conn.handle();
        Statement latest(db, "SELECT t.hash FROM snapshots s JOIN texts t ON t.id = s.text "
                             "WHERE s.page = ?1 ORDER BY s.taken DESC, s.id DESC LIMIT 1");
        if (latest.bind(1, page).row() && latest.bytes(0) == hash)
            return SQLITE_OK; // the page has not changed since
        if (latest.rc != SQLITE_OK && latest.rc != SQLITE_ROW)
            return latest.rc;
        Statement known(db, "SELECT id FROM texts WHERE hash = ?1");
        qint64 textId = known.bind(1, hash).row() ? known.integer(0) : 0;
        if (!textId) {
            Statement insert(db, "INSERT INTO texts (hash, units, body) VALUES (?1, ?2, ?3)");
            if (!insert.bind(1, hash).bind(2, text.size()).bindText(3, text).run())
                return insert.rc;
            textId = sqlite3_last_insert_rowid(db);
        }
        Statement add(db, "INSERT INTO snapshots (page, taken, text) VALUES (?1, ?2, ?3)");
        if (!add.bind(1, page).bind(2, takenMs).bind(3, textId).run())
            return add.rc;
        return thin(takenMs, thinned);
    }

    // Old snapshots beyond each page's latest go; then, while the texts take
    // more than allowed, the oldest snapshots, first those beyond a page's
    // latest, then any but a page's latest.
    int thin(qint64 nowMs, bool& thinned) {
        sqlite3* db = m_conn.handle();
        Statement aged(db, RANKED "DELETE FROM snapshots WHERE id IN "
                                  "(SELECT id FROM ranked WHERE rank > ?1 AND taken < ?2)");
        if (!aged.bind(1, m_limits.keepLatest).bind(2, nowMs - m_limits.keepMs).run())
            return aged.rc;
        thinned = sqlite3_changes(db) > 0;
        for (const qint64 kept : {qint64(m_limits.keepLatest), qint64(1)}) {
            for (;;) {
                int rc = dropUnused();
                if (rc != SQLITE_OK)
                    return rc;
                Statement size(db, "SELECT coalesce(sum(units), 0) * 2 FROM texts");
                if (!size.row())
                    return size.rc;
                if (size.integer(0) <= m_limits.maxBytes)
                    return SQLITE_OK;
                Statement oldest(db, RANKED "SELECT id FROM ranked WHERE rank > ?1 "
                                            "ORDER BY taken, id LIMIT 1");
                if (!oldest.bind(1, kept).row()) {
                    if (oldest.rc != SQLITE_OK)
                        return oldest.rc;
                    break; // none left to thin at this rank
                }
                Statement drop(db, "DELETE FROM snapshots WHERE id = ?1");
                if (!drop.bind(1, oldest.integer(0)).run())
                    return drop.rc;
                thinned = true;
            }
        }
        return dropUnused();
    }

    // Texts no snapshot holds any more.
    int dropUnused() {
        Statement unused(m_conn.handle(), "DELETE FROM texts WHERE NOT EXISTS "
                                          "(SELECT 1 FROM snapshots s WHERE s.text = texts.id)");
        unused.run();
        return unused.rc;
    }

    const QString m_path;
    const Limits m_limits;
    std::shared_ptr<std::atomic<bool>> m_damaged;
    StoreConnection m_conn;
};

PageHistory::PageHistory(const QString& path, Limits limits)
    : m_path(path), m_limits(limits), m_damaged(std::make_shared<std::atomic<bool>>(false)) {
    openOrStartAfresh();
}

PageHistory::~PageHistory() {
    close();
}

QString PageHistory::pathBeside(const QString& storePath) {
    return QFileInfo(storePath).absoluteDir().filePath(QStringLiteral("history.sqlite"));
}

void PageHistory::openOrStartAfresh() {
    const Opened opened = open();
    if (opened == Opened::Yes)
        return;
    close();
    if (opened == Opened::Unavailable)
        return; // no history this time; the file stays as it is
    m_keptAside = storefile::keepAside(m_path);
    if (open() != Opened::Yes)
        close();
}

PageHistory::Opened PageHistory::open() {
    const QFileInfo info(m_path);
    if (info.exists() && (!info.isFile() || storefile::looksTruncated(m_path)))
        return Opened::Damaged;
    if (!storefile::createPrivate(m_path) ||
        sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK)
        return Opened::Unavailable; // nowhere to keep anything
    sqlite3_busy_timeout(m_db, StoreConnection::BusyTimeoutMs);
    qint64 pages = -1;
    if (Statement count(m_db, "PRAGMA page_count"); count.row())
        pages = count.integer(0);
    else
        return isDamage(count.rc) ? Opened::Damaged : Opened::Unavailable;
    if (pages == 0) {
        // Set before the first table: pages large enough for long texts, and
        // the space of texts thinned out given back.
        exec("PRAGMA encoding = 'UTF-16le'");
        exec("PRAGMA page_size = 65536");
        exec("PRAGMA auto_vacuum = INCREMENTAL");
    } else if (!ownsSchema()) {
        return Opened::Damaged; // looked at before anything in the file is changed
    }
    // A second instance making the same new file holds it a moment.
    int rc = SQLITE_BUSY;
    for (int tries = 0; (rc & 0xff) == SQLITE_BUSY && tries < 200; ++tries) {
        rc = sqlite3_exec(m_db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        if ((rc & 0xff) == SQLITE_BUSY)
            ::usleep(10000);
    }
    if (rc != SQLITE_OK)
        return isDamage(rc) ? Opened::Damaged : Opened::Unavailable;
    if (!exec("CREATE TABLE IF NOT EXISTS texts (id INTEGER PRIMARY KEY,"
              " hash BLOB NOT NULL UNIQUE, units INTEGER NOT NULL, body TEXT NOT NULL)") ||
        !exec("CREATE TABLE IF NOT EXISTS snapshots (id INTEGER PRIMARY KEY,"
              " page INTEGER NOT NULL, taken INTEGER NOT NULL, text INTEGER NOT NULL)") ||
        !exec("CREATE INDEX IF NOT EXISTS snapshots_page ON snapshots (page, taken)") ||
        !exec("CREATE INDEX IF NOT EXISTS snapshots_text ON snapshots (text)"))
        return isDamage(sqlite3_errcode(m_db)) ? Opened::Damaged : Opened::Unavailable;
    if (!loadLastTaken())
        return Opened::Damaged;
    m_writer = std::make_unique<Writer>(m_path, m_limits, m_damaged);
    std::lock_guard lock(m_mutex);
    m_worker = std::make_unique<SerialWorker>();
    return Opened::Yes;
}

// True when the file holds our tables and no others, or no table at all.
bool PageHistory::ownsSchema() {
    Statement tables(m_db, "SELECT count(*), sum(name IN ('texts', 'snapshots')) "
                           "FROM sqlite_master WHERE type = 'table'");
    return tables.row() && tables.integer(0) == tables.integer(1);
}

bool PageHistory::loadLastTaken() {
    Statement last(m_db, "SELECT page, max(taken) FROM snapshots GROUP BY page");
    std::lock_guard lock(m_mutex);
    m_lastTaken.fill(0);
    while (last.row())
        if (last.integer(0) >= 0 && last.integer(0) < qint64(m_lastTaken.size()))
            m_lastTaken[last.integer(0)] = last.integer(1);
    return last.rc == SQLITE_OK;
}

void PageHistory::close() {
    std::unique_ptr<SerialWorker> worker;
    {
        std::lock_guard lock(m_mutex);
        worker = std::move(m_worker);
    }
    worker.reset(); // what was handed over is written first
    m_writer.reset();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool PageHistory::exec(const char* sql) {
    return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
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

bool PageHistory::isIdle() const {
    std::lock_guard lock(m_mutex);
    return !m_worker || m_worker->idle();
}

// A file found damaged while the program runs is kept aside, and the
// history starts afresh in its place.
void PageHistory::recoverIfDamaged() {
    if (!m_damaged->exchange(false))
        return;
    close();
    m_keptAside = storefile::keepAside(m_path);
    if (open() != Opened::Yes)
        close();
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
    if (isDamage(list.rc)) {
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
    if (isDamage(body.rc))
        *m_damaged = true;
    return std::nullopt;
}

qint64 PageHistory::bytesKept() {
    waitForBackground();
    Statement size(m_db, "SELECT coalesce(sum(units), 0) * 2 FROM texts");
    return size.row() ? size.integer(0) : 0;
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
