#include "store/connection.h"

#include "store/store_file.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sqlite3.h>
#include <utility>

namespace {

bool isDamage(int rc) {
    return (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB;
}

bool isBusy(int rc) {
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}

} // namespace

Refusal refusalOf(int result, int systemError) {
    switch (result & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return Refusal::None;
    case SQLITE_FULL:
        return Refusal::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
        return Refusal::ReadOnly;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Refusal::Busy;
    case SQLITE_TOOBIG:
        return Refusal::TooLarge;
    case SQLITE_NOMEM:
        return Refusal::OutOfMemory;
    case SQLITE_IOERR:
        break;
    default:
        return Refusal::Io;
    }
    // A write cut short by the largest file allowed or by a quota is a full
    // disk to the user; a file system mounted read-only is no input error.
    switch (systemError) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return Refusal::DiskFull;
    case EROFS:
    case EACCES:
    case EPERM:
        return Refusal::ReadOnly;
    default:
        return (result & 0xffff) == SQLITE_IOERR_NOMEM ? Refusal::OutOfMemory : Refusal::Io;
    }
}

// ---- Statement ---------------------------------------------------------------------

Statement::Statement() : m_rc(SQLITE_MISUSE) {}

Statement::Statement(StoreConnection& connection, const char* sql, bool kept)
    : m_connection(&connection) {
    if (!connection.handle()) {
        m_rc = SQLITE_MISUSE;
        return;
    }
    m_rc = connection.noted(sqlite3_prepare_v3(
        connection.handle(), sql, -1, kept ? SQLITE_PREPARE_PERSISTENT : 0, &m_st, nullptr));
}

Statement::~Statement() {
    sqlite3_finalize(m_st);
}

Statement::Statement(Statement&& other) noexcept
    : m_connection(other.m_connection), m_st(std::exchange(other.m_st, nullptr)), m_rc(other.m_rc) {
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_st);
        m_connection = other.m_connection;
        m_st = std::exchange(other.m_st, nullptr);
        m_rc = other.m_rc;
    }
    return *this;
}

Statement& Statement::bind(int index, qint64 value) {
    sqlite3_bind_int64(m_st, index, value);
    return *this;
}

Statement& Statement::bind(int index, const QByteArray& value) {
    sqlite3_bind_blob(m_st, index, value.constData(), int(value.size()), SQLITE_STATIC);
    return *this;
}

Statement& Statement::bindText(int index, const QString& text) {
    static const char16_t empty = 0;
    const void* data = text.isNull() ? static_cast<const void*>(&empty) : text.utf16();
    sqlite3_bind_text16(m_st, index, data, static_cast<int>(text.size() * sizeof(char16_t)),
                        SQLITE_STATIC);
    return *this;
}

bool Statement::row() {
    if (!m_st || (m_rc != SQLITE_OK && m_rc != SQLITE_ROW))
        return false;
    m_rc = m_connection->step(m_st);
    return m_rc == SQLITE_ROW;
}

bool Statement::run() {
    while (row()) {
    }
    return m_rc == SQLITE_OK;
}

void Statement::reset() {
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
    if (m_st)
        m_rc = SQLITE_OK;
}

qint64 Statement::integer(int column) const {
    return sqlite3_column_int64(m_st, column);
}

QByteArray Statement::bytes(int column) const {
    return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_st, column)),
                      sqlite3_column_bytes(m_st, column));
}

QString Statement::text(int column) const {
    const void* data = sqlite3_column_text16(m_st, column);
    const int bytes = sqlite3_column_bytes16(m_st, column);
    return data ? QString(static_cast<const QChar*>(data), bytes / 2) : QStringLiteral("");
}

// ---- StoreConnection ---------------------------------------------------------------

int StoreConnection::open(const QString& path) {
    closeDatabase();
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

StoreConnection::Opened StoreConnection::open(const QString& path, const FileForm& form) {
    const QFileInfo info(path);
    Opened opened = Opened::Unavailable; // nowhere to keep anything, unless made below
    if (info.exists() && !info.isFile()) {
        opened = Opened::Damaged; // a folder or something else in its place
    } else if (storefile::createPrivate(path)) {
        // Without a claim (no lock file can be made) the file is never set aside.
        m_claim.share(path);
        const int rc = open(path);
        opened = rc == SQLITE_OK ? setUp(form) : judged(rc);
    }
    if (opened != Opened::Yes)
        close();
    return opened;
}

StoreConnection::Opened StoreConnection::setUp(const FileForm& form) {
    qint64 pages = -1;
    if (Statement count(*this, "PRAGMA page_count"); count.row())
        pages = count.integer(0);
    else
        return judged(count.rc());
    if (pages == 0) {
        for (const char* sql : form.fresh)
            exec(sql);
    } else if (const int rc = checkIfShort(); rc != SQLITE_OK) {
        return judged(rc);
    } else if (const int ours = form.ours ? form.ours(*this) : SQLITE_OK; ours != SQLITE_OK) {
        return judged(ours);
    }
    // A second instance making the same new file holds it a moment.
    if (const int rc = execRetrying("PRAGMA journal_mode = WAL"); rc != SQLITE_OK)
        return judged(rc);
    for (const char* sql : form.tables)
        if (const int rc = exec(sql); rc != SQLITE_OK)
            return judged(rc);
    if (form.ready)
        if (const int rc = form.ready(*this); rc != SQLITE_OK)
            return judged(rc);
    return Opened::Yes;
}

StoreConnection::Opened StoreConnection::judged(int result) {
    return isDamage(result) ? Opened::Damaged : Opened::Unavailable;
}

QString StoreConnection::openOrStartAfresh(const QString& path, const FileForm& form) {
    if (open(path, form) != Opened::Damaged)
        return QString();
    return startAfresh(path, form);
}

// The header read as it is on the disk, through SQLite's own handle on the
// file: opening the file apart from SQLite, and closing it, would drop the
// locks SQLite holds on it in this process. SQLITE_CORRUPT when the header
// promises more than the file holds and SQLite finds the file damaged.
int StoreConnection::checkIfShort() {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        !file || !file->pMethods)
        return SQLITE_OK;
    sqlite3_int64 size = 0;
    QByteArray header(100, '\0');
    if (file->pMethods->xFileSize(file, &size) != SQLITE_OK)
        return SQLITE_OK;
    // A file shorter than the header reads as zeros past its end.
    const int read = file->pMethods->xRead(file, header.data(), int(header.size()), 0);
    if ((read != SQLITE_OK && read != SQLITE_IOERR_SHORT_READ) ||
        !storefile::headerLooksShort(header, size))
        return SQLITE_OK;
    Statement check(*this, "PRAGMA quick_check(1)");
    if (!check.row())
        return check.rc();
    return check.text(0) == QStringLiteral("ok") ? SQLITE_OK : SQLITE_CORRUPT;
}

QString StoreConnection::startAfresh(const QString& path, const FileForm& form) {
    close();
    // Only while no other instance has the file open: they would write on
    // into the copy set aside.
    if (!m_claim.holdAlone(path))
        return QString();
    const QString keptAside = storefile::keepAside(path);
    if (keptAside.isEmpty() || open(path, form) != Opened::Yes)
        close();
    return keptAside;
}

void StoreConnection::closeDatabase() {
    // Statements still about keep the connection until they go.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void StoreConnection::close() {
    closeDatabase();
    m_claim.release();
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

int StoreConnection::execRetrying(const char* sql) {
    QElapsedTimer waited;
    waited.start();
    int rc = exec(sql);
    while (isBusy(rc) && waited.elapsed() < BusyTimeoutMs)
        rc = exec(sql);
    return rc;
}

int StoreConnection::step(sqlite3_stmt* statement) {
    errno = 0;
    const int rc = noted(sqlite3_step(statement));
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
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

bool StoreConnection::isReadOnly() const {
    return m_db && sqlite3_db_readonly(m_db, "main") == 1;
}

qint64 StoreConnection::lastInsertId() const {
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int StoreConnection::changes() const {
    return m_db ? sqlite3_changes(m_db) : 0;
}
