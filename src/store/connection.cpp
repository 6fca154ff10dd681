#include "store/connection.h"

#include <QFile>

#include <cerrno>
#include <sqlite3.h>

void bindText(sqlite3_stmt* statement, int index, const QString& text) {
    static const char16_t empty = 0;
    const void* data = text.isNull() ? static_cast<const void*>(&empty) : text.utf16();
    sqlite3_bind_text16(statement, index, data, static_cast<int>(text.size() * sizeof(char16_t)),
                        SQLITE_STATIC);
}

int StoreConnection::open(const QString& path) {
    close();
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(m_db, BusyTimeoutMs);
        // Per connection: every commit waits until the disk has it.
        rc = exec("PRAGMA synchronous = FULL");
    }
    if (rc != SQLITE_OK)
        close();
    return rc;
}

int StoreConnection::prepareWrite() {
    return sqlite3_prepare_v3(m_db,
                              "INSERT INTO settings (app, section, key, value) "
                              "VALUES (?1, ?2, ?3, ?4) ON CONFLICT (app, section, key) "
                              "DO UPDATE SET value = excluded.value",
                              -1, SQLITE_PREPARE_PERSISTENT, &m_write, nullptr);
}

void StoreConnection::close() {
    sqlite3_finalize(m_write);
    m_write = nullptr;
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

// The connection's own answer where SQLite recorded one for this failure.
// SQLite 3.40 records none for a write the system cut short in a WAL file
// (past the largest file allowed, or over a quota): the error number the
// failed system call left on this thread tells it then. Read at once, before
// any other call can change it.
int StoreConnection::noted(int result) {
    if (result == SQLITE_OK || result == SQLITE_ROW || result == SQLITE_DONE)
        return result;
    const int thread = errno;
    const int recorded = m_db ? sqlite3_system_errno(m_db) : 0;
    m_systemError = recorded != m_recorded ? recorded : thread;
    m_recorded = recorded;
    return result;
}

int StoreConnection::exec(const char* sql) {
    if (!m_db)
        return SQLITE_MISUSE;
    errno = 0;
    return noted(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
}

int StoreConnection::step(sqlite3_stmt* statement) {
    errno = 0;
    const int rc = noted(sqlite3_step(statement));
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int StoreConnection::write(const QString& app, const QString& section, const QString& key,
                           const QString& value) {
    if (!m_write)
        return SQLITE_MISUSE;
    bindText(m_write, 1, app);
    bindText(m_write, 2, section);
    bindText(m_write, 3, key);
    bindText(m_write, 4, value);
    const int rc = step(m_write);
    sqlite3_reset(m_write);
    sqlite3_clear_bindings(m_write);
    return rc;
}

int StoreConnection::begin() {
    return exec("BEGIN IMMEDIATE");
}

int StoreConnection::commit() {
    return exec("COMMIT");
}

void StoreConnection::rollback() {
    if (m_db && !sqlite3_get_autocommit(m_db))
        exec("ROLLBACK");
}
