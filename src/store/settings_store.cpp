#include "store/settings_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QStandardPaths>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Values at least this long are kept for reading back (setKeepLatest).
constexpr qsizetype KeptUnits = qsizetype(1) << 16;

const char* const UpsertSql = "INSERT INTO settings (app, section, key, value) "
                              "VALUES (?1, ?2, ?3, ?4) ON CONFLICT (app, section, key) "
                              "DO UPDATE SET value = excluded.value";

void bind16(sqlite3_stmt* st, int index, const QString& s) {
    // A null pointer would bind SQL NULL: an empty text binds as "".
    static const char16_t empty = 0;
    const void* data = s.isNull() ? static_cast<const void*>(&empty) : s.utf16();
    sqlite3_bind_text16(st, index, data, static_cast<int>(s.size() * sizeof(char16_t)),
                        SQLITE_STATIC);
}

// Reads the database header and tells whether the file is shorter than the
// header says: a truncated copy opens but fails on its first real read.
bool looksTruncated(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = f.size();
    if (size == 0)
        return false;
    const QByteArray h = f.read(100);
    if (h.size() < 100 || !h.startsWith("SQLite format 3"))
        return true;
    auto be32 = [&](int at) {
        return (quint32(quint8(h[at])) << 24) | (quint32(quint8(h[at + 1])) << 16) |
               (quint32(quint8(h[at + 2])) << 8) | quint32(quint8(h[at + 3]));
    };
    quint32 pageSize = (quint32(quint8(h[16])) << 8) | quint32(quint8(h[17]));
    if (pageSize == 1)
        pageSize = 65536;
    const quint32 pages = be32(28);
    if (pages == 0 || be32(24) != be32(92)) // the count is only valid when these agree
        return false;
    return qint64(pages) * pageSize > size;
}

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

    explicit Background(const QString& path) : m_path(path), m_thread([this] { run(); }) {}

    ~Background() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
        sqlite3_finalize(m_write);
        sqlite3_close_v2(m_db);
    }

    void post(Job job) {
        {
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(job));
        }
        m_wake.notify_all();
    }

    void wait() {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
    }

private:
    void run() {
        for (;;) {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return; // stopping, with nothing left to write
            Job job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_busy = true;
            lock.unlock();

            const Failure failure = write(job.make());
            if (job.context && job.done)
                QMetaObject::invokeMethod(
                    job.context, [done = std::move(job.done), failure] { done(failure); },
                    Qt::QueuedConnection);

            lock.lock();
            m_busy = false;
            lock.unlock();
            m_idle.notify_all();
        }
    }

    bool connect() {
        if (m_write)
            return true;
        if (!m_db &&
            sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK) {
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            return false;
        }
        sqlite3_busy_timeout(m_db, BusyTimeoutMs);
        // Per connection: this one waits for the disk as the other does.
        sqlite3_exec(m_db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
        return sqlite3_prepare_v3(m_db, UpsertSql, -1, SQLITE_PREPARE_PERSISTENT, &m_write,
                                  nullptr) == SQLITE_OK;
    }

    Failure write(const Values& values) {
        if (!connect())
            return m_db ? failureOf(sqlite3_errcode(m_db), errno) : Failure::ReadOnly;
        // Bound without a copy: the strings outlive every step.
        const QString app = QString::fromUtf16(App);
        const QString section = QString::fromUtf16(Section);
        int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (auto it = values.begin(); rc == SQLITE_OK && it != values.end(); ++it) {
            bind16(m_write, 1, app);
            bind16(m_write, 2, section);
            bind16(m_write, 3, it->first);
            bind16(m_write, 4, it->second);
            rc = sqlite3_step(m_write);
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
            const int systemError = errno;
            sqlite3_reset(m_write);
            sqlite3_clear_bindings(m_write);
            if (rc != SQLITE_OK) {
                sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
                return failureOf(rc, systemError);
            }
        }
        int systemError = errno;
        if (rc == SQLITE_OK) {
            rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
            systemError = errno;
        }
        if (rc == SQLITE_OK)
            return Failure::None;
        const Failure failure = failureOf(rc, systemError);
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return failure;
    }

    const QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_write = nullptr;
    std::thread m_thread;
};

SettingsStore::SettingsStore(const QString& path) : m_path(path) {
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
    const QString dir = info.absolutePath();
    if (!QDir(dir).exists()) {
        QDir().mkpath(dir);
        ::chmod(QFile::encodeName(dir).constData(), 0700);
    }
    if (info.exists() && !info.isFile())
        return false; // a folder or something else stands in its place
    if (info.exists() && looksTruncated(m_path))
        return false;
    if (!info.exists()) {
        const int fd =
            ::open(QFile::encodeName(m_path).constData(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0)
            return true; // nowhere to keep anything: run without a store
        ::close(fd);
    }
    if (sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    sqlite3_stmt* st = nullptr;
    int pages = -1;
    if (sqlite3_prepare_v2(m_db, "PRAGMA page_count", -1, &st, nullptr) == SQLITE_OK &&
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
    if (!execWaiting("PRAGMA journal_mode = WAL") || !exec("PRAGMA synchronous = FULL"))
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
    if (sqlite3_prepare_v2(m_db,
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
    return sqlite3_prepare_v3(m_db,
                              "SELECT value FROM settings WHERE app = ?1 AND section = ?2 "
                              "AND key = ?3",
                              -1, SQLITE_PREPARE_PERSISTENT, &m_read, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v3(m_db, UpsertSql, -1, SQLITE_PREPARE_PERSISTENT, &m_write, nullptr) ==
               SQLITE_OK &&
           sqlite3_prepare_v3(m_db, "DELETE FROM settings WHERE app = ?1", -1,
                              SQLITE_PREPARE_PERSISTENT, &m_delete, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v3(m_db, "PRAGMA data_version", -1, SQLITE_PREPARE_PERSISTENT,
                              &m_version, nullptr) == SQLITE_OK;
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
    for (sqlite3_stmt** st : {&m_read, &m_write, &m_delete, &m_version}) {
        sqlite3_finalize(*st);
        *st = nullptr;
    }
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void SettingsStore::keepAside() {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = m_path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = m_path + QStringLiteral(".damaged-") + stamp + u'-' + QString::number(n);
    if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(target).constData()) ==
        0) {
        m_keptAside = target;
        for (const char* suffix : {"-wal", "-shm"}) {
            const QByteArray from = QFile::encodeName(m_path) + suffix;
            const QByteArray to = QFile::encodeName(target) + suffix;
            ::rename(from.constData(), to.constData());
        }
    }
}

bool SettingsStore::execWaiting(const char* sql) {
    for (int waited = 0;; waited += 10) {
        const int rc = m_db ? sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
        if ((rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED)
            return rc == SQLITE_OK;
        if (waited >= BusyTimeoutMs)
            return false;
        ::usleep(10000);
    }
}

bool SettingsStore::exec(const char* sql) {
    return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString SettingsStore::ReadSetting(const QString& app, const QString& section, const QString& key,
                                   const QString& defaultValue) const {
    waitForBackground();
    if (!m_read)
        return defaultValue;
    if (m_latest.version >= 0 && m_latest.key == key && m_latest.section == section &&
        m_latest.app == app) {
        const bool unchanged = dataVersion() == m_latest.version;
        const QString kept = std::exchange(m_latest, Latest()).value;
        if (unchanged)
            return kept;
    }
    bind16(m_read, 1, app);
    bind16(m_read, 2, section);
    bind16(m_read, 3, key);
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
// system's error number tells a full disk from other input or output errors:
// it is read at once, before anything else can change it.
bool SettingsStore::fail(int result, int systemError) {
    m_lastResult = result;
    m_failure = failureOf(result, systemError);
    if (m_batchDepth > 0)
        m_batchFailed = true;
    return false;
}

bool SettingsStore::WriteSetting(const QString& app, const QString& section, const QString& key,
                                 const QString& value) {
    waitForBackground();
    if (!m_write)
        return false;
    if (m_batchDepth > 0 && m_batchFailed)
        return false; // the batch is lost already: nothing more goes into it
    bind16(m_write, 1, app);
    bind16(m_write, 2, section);
    bind16(m_write, 3, key);
    bind16(m_write, 4, value);
    forgetLatest();
    const int rc = sqlite3_step(m_write);
    const bool ok = rc == SQLITE_DONE || fail(rc, errno);
    sqlite3_reset(m_write);
    sqlite3_clear_bindings(m_write);
    if (ok && m_keepLatest && m_batchDepth == 0 && value.size() >= KeptUnits)
        m_latest = {app, section, key, value, dataVersion()};
    return ok;
}

bool SettingsStore::DeleteAllSettings(const QString& app) {
    waitForBackground();
    if (!m_delete)
        return false;
    forgetLatest();
    bind16(m_delete, 1, app);
    const int rc = sqlite3_step(m_delete);
    const bool ok = rc == SQLITE_DONE || fail(rc, errno);
    sqlite3_reset(m_delete);
    sqlite3_clear_bindings(m_delete);
    return ok;
}

void SettingsStore::writeInBackground(std::function<Values()> make, QObject* context,
                                      std::function<void(Failure)> done) {
    if (!m_db) {
        if (context && done)
            QMetaObject::invokeMethod(
                context, [done = std::move(done)] { done(Failure::NoStore); },
                Qt::QueuedConnection);
        return;
    }
    forgetLatest();
    if (!m_background)
        m_background = std::make_unique<Background>(m_path);
    m_background->post({std::move(make), context, std::move(done)});
}

void SettingsStore::waitForBackground() const {
    if (m_background)
        m_background->wait();
}

QStringList SettingsStore::keptAsideCopies(const QString& path) {
    const QFileInfo store(path);
    QStringList copies;
    const QDir dir = store.absoluteDir();
    for (const QString& name :
         dir.entryList({store.fileName() + QStringLiteral(".damaged-*")},
                       QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name))
        copies << dir.filePath(name);
    return copies;
}

bool SettingsStore::removeIfEmpty() {
    waitForBackground();
    if (!m_db)
        return false;
    sqlite3_stmt* st = nullptr;
    int rows = -1;
    if (sqlite3_prepare_v2(m_db, "SELECT count(*) FROM settings", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        rows = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (rows != 0)
        return false;
    close();
    bool removed = QFile::remove(m_path);
    QFile::remove(m_path + QStringLiteral("-wal"));
    QFile::remove(m_path + QStringLiteral("-shm"));
    return removed;
}

SettingsStore::Batch::Batch(SettingsStore& store) : m_store(store) {
    m_store.waitForBackground();
    m_store.forgetLatest();
    if (m_store.m_batchDepth++ == 0) {
        m_store.m_batchFailed = false;
        m_active = m_store.exec("BEGIN IMMEDIATE");
        if (!m_active && m_store.m_db)
            m_store.fail(sqlite3_errcode(m_store.m_db), errno);
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
    if (ok && !m_store.exec("COMMIT"))
        ok = m_store.fail(sqlite3_errcode(m_store.m_db), errno);
    // A refused write may have ended the transaction already.
    if (!ok && m_active && m_store.m_db && !sqlite3_get_autocommit(m_store.m_db))
        m_store.exec("ROLLBACK");
    return ok;
}
