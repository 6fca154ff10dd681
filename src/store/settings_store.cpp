#include "store/settings_store.h"

#include "store/serial_worker.h"
#include "store/store_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QStandardPaths>

#include <cerrno>
#include <sqlite3.h>
#include <unistd.h>

namespace {

// Values at least this long are kept for reading back (setKeepLatest).
constexpr qsizetype KeptUnits = qsizetype(1) << 16;

} // namespace

SettingsStore::Failure SettingsStore::failureOf(int result, int systemError) {
    switch (result & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return Failure::None;
    case SQLITE_FULL:
        return Failure::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
        return Failure::ReadOnly;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Failure::Busy;
    case SQLITE_IOERR:
        break;
    default:
        return Failure::Io;
    }
    // A write cut short by the largest file allowed or by a quota is a full
    // disk to the user; a file system mounted read-only is no input error.
    switch (systemError) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return Failure::DiskFull;
    case EROFS:
    case EACCES:
    case EPERM:
        return Failure::ReadOnly;
    default:
        return Failure::Io;
    }
}

// The store's own thread: it takes the background writes one after the
// other, each in one transaction on a connection of its own.
struct SettingsStore::Background {
    struct Job {
        std::function<Values()> make;
        QObject* context;
        std::function<void(Failure)> done;
    };

    Background(const QString& path, const QString& app, const QString& section)
        : m_path(path), m_app(app), m_section(section) {}

    void post(Job job) {
        m_worker.post([this, job = std::move(job)] {
            const Failure failure = write(job.make());
            if (job.context && job.done)
                QMetaObject::invokeMethod(
                    job.context, [done = job.done, failure] { done(failure); },
                    Qt::QueuedConnection);
        });
    }

    void wait() { m_worker.wait(); }

private:
    // The connection is made on the first write, set up as the store's own.
    Failure write(const Values& values) {
        if (!m_conn.handle() && m_conn.open(m_path) != SQLITE_OK)
            return Failure::ReadOnly;
        int rc = m_conn.canWrite() ? SQLITE_OK : m_conn.prepareWrite();
        if (rc == SQLITE_OK)
            rc = m_conn.begin();
        for (auto it = values.begin(); rc == SQLITE_OK && it != values.end(); ++it)
            rc = m_conn.write(m_app, m_section, it->first, it->second);
        if (rc == SQLITE_OK)
            rc = m_conn.commit();
        if (rc == SQLITE_OK)
            return Failure::None;
        const Failure failure = failureOf(rc, m_conn.systemError());
        m_conn.rollback();
        return failure;
    }

    const QString m_path;
    const QString m_app;
    const QString m_section;
    StoreConnection m_conn;
    SerialWorker m_worker; // last: what is queued is written before the connection closes
};

SettingsStore::SettingsStore(const QString& path, const QString& app, const QString& section)
    : m_path(path), m_app(app), m_section(section) {
    if (!open()) {
        close();
        keepAside();
        if (!open())
            close();
    }
}

SettingsStore::~SettingsStore() {
    close();
}

QString SettingsStore::defaultPath() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/sorabun/store.sqlite");
}

bool SettingsStore::open() {
    const QFileInfo info(m_path);
    if (info.exists() && !info.isFile())
        return false; // a folder or something else stands in its place
    if (info.exists() && storefile::looksTruncated(m_path))
        return false;
    if (!storefile::createPrivate(m_path))
        return true; // nowhere to keep anything: run without a store
    if (m_conn.open(m_path) != SQLITE_OK)
        return false;
    sqlite3_stmt* st = nullptr;
    int pages = -1;
    if (sqlite3_prepare_v2(m_conn.handle(), "PRAGMA page_count", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        pages = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (pages < 0)
        return false; // not a database
    if (pages == 0) {
        exec("PRAGMA encoding = 'UTF-16le'");
        exec("PRAGMA page_size = 65536");
    } else if (!ownsSchema()) {
        return false; // looked at before anything in the file is changed
    }
    // A second instance making the same new store holds it locked for a
    // moment: busy is no damage, so wait for it.
    if (!execWaiting("PRAGMA journal_mode = WAL"))
        return false;
    return exec("CREATE TABLE IF NOT EXISTS settings ("
                " app TEXT NOT NULL COLLATE NOCASE,"
                " section TEXT NOT NULL COLLATE NOCASE,"
                " key TEXT NOT NULL COLLATE NOCASE,"
                " value TEXT NOT NULL,"
                " UNIQUE (app, section, key))") &&
           prepare();
}

// True when the file holds our table, or no table at all.
// Someone else's database is never written into.
bool SettingsStore::ownsSchema() {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_conn.handle(),
                           "SELECT count(*), sum(name = 'settings') FROM sqlite_master "
                           "WHERE type = 'table'",
                           -1, &st, nullptr) != SQLITE_OK)
        return false;
    int tables = -1, ours = 0;
    if (sqlite3_step(st) == SQLITE_ROW) {
        tables = sqlite3_column_int(st, 0);
        ours = sqlite3_column_int(st, 1);
    }
    sqlite3_finalize(st);
    return tables >= 0 && (tables == 0 || ours == 1);
}

bool SettingsStore::prepare() {
    auto statement = [this](const char* sql, sqlite3_stmt** st) {
        return sqlite3_prepare_v3(m_conn.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, st,
                                  nullptr) == SQLITE_OK;
    };
    return m_conn.prepareWrite() == SQLITE_OK &&
           statement("SELECT value FROM settings WHERE app = ?1 AND section = ?2 AND key = ?3",
                     &m_read) &&
           statement("DELETE FROM settings WHERE app = ?1", &m_delete) &&
           statement("PRAGMA data_version", &m_version);
}

// Changes whenever another connection (another program, or the store's own
// thread) has written the file since this one last looked.
qint64 SettingsStore::dataVersion() const {
    if (!m_version)
        return -1;
    const qint64 v =
        sqlite3_step(m_version) == SQLITE_ROW ? sqlite3_column_int64(m_version, 0) : -1;
    sqlite3_reset(m_version);
    return v;
}

void SettingsStore::forgetLatest() const {
    m_latest = Latest();
}

void SettingsStore::setKeepLatest(bool on) {
    m_keepLatest = on;
    if (!on)
        forgetLatest();
}

void SettingsStore::close() {
    m_background.reset(); // what was handed to the store's thread is written first
    forgetLatest();
    for (sqlite3_stmt** st : {&m_read, &m_delete, &m_version}) {
        sqlite3_finalize(*st);
        *st = nullptr;
    }
    m_conn.close();
}

void SettingsStore::keepAside() {
    m_keptAside = storefile::keepAside(m_path);
}

bool SettingsStore::execWaiting(const char* sql) {
    for (int waited = 0;; waited += 10) {
        const int rc = m_conn.exec(sql);
        if ((rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED)
            return rc == SQLITE_OK;
        if (waited >= StoreConnection::BusyTimeoutMs)
            return false;
        ::usleep(10000);
    }
}

bool SettingsStore::exec(const char* sql) {
    return m_conn.exec(sql) == SQLITE_OK;
}

QString SettingsStore::ReadSetting(const QString& key, const QString& defaultValue) const {
    waitForBackground();
    if (!m_read)
        return defaultValue;
    if (m_latest.version >= 0 && m_latest.key == key) {
        const bool unchanged = dataVersion() == m_latest.version;
        const QString kept = std::exchange(m_latest, Latest()).value;
        if (unchanged)
            return kept;
    }
    bindText(m_read, 1, m_app);
    bindText(m_read, 2, m_section);
    bindText(m_read, 3, key);
    QString result = defaultValue;
    if (sqlite3_step(m_read) == SQLITE_ROW) {
        const void* data = sqlite3_column_text16(m_read, 0);
        const int bytes = sqlite3_column_bytes16(m_read, 0);
        result = data ? QString(static_cast<const QChar*>(data), bytes / 2) : QStringLiteral("");
    }
    sqlite3_reset(m_read);
    sqlite3_clear_bindings(m_read);
    return result;
}

// Records a refused operation; inside a batch it spoils the whole batch. The
// connection's system error number tells a full disk from other input or
// output errors.
bool SettingsStore::fail(int result) {
    m_lastResult = result;
    m_failure = failureOf(result, m_conn.systemError());
    if (m_batchDepth > 0)
        m_batchFailed = true;
    return false;
}

bool SettingsStore::WriteSetting(const QString& key, const QString& value) {
    waitForBackground();
    if (!m_conn.canWrite())
        return false;
    if (m_batchDepth > 0 && m_batchFailed)
        return false; // the batch is lost already: nothing more goes into it
    forgetLatest();
    const int rc = m_conn.write(m_app, m_section, key, value);
    const bool ok = rc == SQLITE_OK || fail(rc);
    if (ok && m_keepLatest && m_batchDepth == 0 && value.size() >= KeptUnits)
        m_latest = {key, value, dataVersion()};
    return ok;
}

bool SettingsStore::DeleteAllSettings() {
    waitForBackground();
    if (!m_delete)
        return false;
    forgetLatest();
    bindText(m_delete, 1, m_app);
    const int rc = m_conn.step(m_delete);
    const bool ok = rc == SQLITE_OK || fail(rc);
    sqlite3_reset(m_delete);
    sqlite3_clear_bindings(m_delete);
    return ok;
}

void SettingsStore::writeInBackground(std::function<Values()> make, QObject* context,
                                      std::function<void(Failure)> done) {
    if (!isOpen()) {
        if (context && done)
            QMetaObject::invokeMethod(
                context, [done = std::move(done)] { done(Failure::NoStore); },
                Qt::QueuedConnection);
        return;
    }
    forgetLatest();
    if (!m_background)
        m_background = std::make_unique<Background>(m_path, m_app, m_section);
    m_background->post({std::move(make), context, std::move(done)});
}

void SettingsStore::waitForBackground() const {
    if (m_background)
        m_background->wait();
}

QStringList SettingsStore::keptAsideCopies(const QString& path) {
    return storefile::keptAsideCopies(path);
}

bool SettingsStore::removeIfEmpty() {
    waitForBackground();
    if (!isOpen())
        return false;
    sqlite3_stmt* st = nullptr;
    int rows = -1;
    if (sqlite3_prepare_v2(m_conn.handle(), "SELECT count(*) FROM settings", -1, &st, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        rows = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (rows != 0)
        return false;
    close();
    return storefile::removeWithJournal(m_path);
}

SettingsStore::Batch::Batch(SettingsStore& store) : m_store(store) {
    m_store.waitForBackground();
    m_store.forgetLatest();
    if (m_store.m_batchDepth++ == 0) {
        m_store.m_batchFailed = false;
        const int rc = m_store.m_conn.begin();
        m_active = rc == SQLITE_OK;
        if (!m_active && m_store.isOpen())
            m_store.fail(rc);
    }
}

SettingsStore::Batch::~Batch() {
    commit();
}

bool SettingsStore::Batch::commit() {
    if (m_ended)
        return !m_store.m_batchFailed && m_active;
    m_ended = true;
    if (--m_store.m_batchDepth > 0)
        return !m_store.m_batchFailed;
    bool ok = m_active && !m_store.m_batchFailed;
    if (ok) {
        const int rc = m_store.m_conn.commit();
        ok = rc == SQLITE_OK || m_store.fail(rc);
    }
    // A refused write may have ended the transaction already.
    if (!ok && m_active)
        m_store.m_conn.rollback();
    return ok;
}
