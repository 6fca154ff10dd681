#include "store/settings_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int BusyTimeoutMs = 10000;

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
           sqlite3_prepare_v3(m_db,
                              "INSERT INTO settings (app, section, key, value) "
                              "VALUES (?1, ?2, ?3, ?4) ON CONFLICT (app, section, key) "
                              "DO UPDATE SET value = excluded.value",
                              -1, SQLITE_PREPARE_PERSISTENT, &m_write, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v3(m_db, "DELETE FROM settings WHERE app = ?1", -1,
                              SQLITE_PREPARE_PERSISTENT, &m_delete, nullptr) == SQLITE_OK;
}

void SettingsStore::close() {
    for (sqlite3_stmt** st : {&m_read, &m_write, &m_delete}) {
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
    if (!m_read)
        return defaultValue;
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

void SettingsStore::WriteSetting(const QString& app, const QString& section, const QString& key,
                                 const QString& value) {
    if (!m_write)
        return;
    bind16(m_write, 1, app);
    bind16(m_write, 2, section);
    bind16(m_write, 3, key);
    bind16(m_write, 4, value);
    if (const int rc = sqlite3_step(m_write); rc != SQLITE_DONE)
        m_lastResult = rc;
    sqlite3_reset(m_write);
    sqlite3_clear_bindings(m_write);
}

void SettingsStore::DeleteAllSettings(const QString& app) {
    if (!m_delete)
        return;
    bind16(m_delete, 1, app);
    if (const int rc = sqlite3_step(m_delete); rc != SQLITE_DONE)
        m_lastResult = rc;
    sqlite3_reset(m_delete);
    sqlite3_clear_bindings(m_delete);
}

bool SettingsStore::removeIfEmpty() {
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
    if (m_store.m_batchDepth++ == 0) {
        m_active = m_store.exec("BEGIN IMMEDIATE");
        if (!m_active && m_store.m_db)
            m_store.m_lastResult = sqlite3_errcode(m_store.m_db);
    }
}

SettingsStore::Batch::~Batch() {
    if (--m_store.m_batchDepth == 0 && m_active && !m_store.exec("COMMIT")) {
        m_store.m_lastResult = sqlite3_errcode(m_store.m_db);
        m_store.exec("ROLLBACK");
    }
}
