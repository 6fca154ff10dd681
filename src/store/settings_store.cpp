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

namespace {

// Values at least this long are kept for reading back (setKeepLatest).
constexpr qsizetype KeptUnits = qsizetype(1) << 16;

const char* const WriteSql = "INSERT INTO settings (app, section, key, value) "
                             "VALUES (?1, ?2, ?3, ?4) ON CONFLICT (app, section, key) "
                             "DO UPDATE SET value = excluded.value";

// Stores one value, replacing the one the key had; both threads write alike.
int writeValue(Statement& write, const QString& app, const QString& section, const QString& key,
               const QString& value) {
    write.bindText(1, app).bindText(2, section).bindText(3, key).bindText(4, value).run();
    const int rc = write.isReady() ? write.rc() : SQLITE_MISUSE;
    write.reset();
    return rc;
}

} // namespace

SettingsStore::Failure SettingsStore::failureOf(int result, int systemError) {
    switch (refusalOf(result, systemError)) {
    case Refusal::None:
        return Failure::None;
    case Refusal::DiskFull:
        return Failure::DiskFull;
    case Refusal::ReadOnly:
        return Failure::ReadOnly;
    case Refusal::Busy:
        return Failure::Busy;
    case Refusal::TooLarge:
    case Refusal::OutOfMemory:
    case Refusal::Io:
        break;
    }
    return Failure::Io;
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
            Failure failure = Failure::Io;
            try {
                failure = write(job.make());
            } catch (...) {
                // Out of memory making or writing the values: refused, and
                // the store's thread goes on.
                m_conn.rollback();
            }
            if (job.context && job.done)
                QMetaObject::invokeMethod(
                    job.context, [done = job.done, failure] { done(failure); },
                    Qt::QueuedConnection);
        });
    }

    void wait() { m_worker.wait(); }
    bool wait(std::chrono::milliseconds limit) { return m_worker.wait(limit); }

private:
    // The connection is made on the first write, set up as the store's own.
    Failure write(const Values& values) {
        if (!m_conn.isOpen() && m_conn.open(m_path) != SQLITE_OK)
            return Failure::ReadOnly;
        if (!m_write.isReady())
            m_write = Statement(m_conn, WriteSql, true);
        int rc = m_write.isReady() ? m_conn.begin() : m_write.rc();
        for (auto it = values.begin(); rc == SQLITE_OK && it != values.end(); ++it)
            rc = writeValue(m_write, m_app, m_section, it->first, it->second);
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
    Statement m_write;     // before the worker: it goes after the last write
    SerialWorker m_worker; // last: what is queued is written before the connection closes
};

SettingsStore::SettingsStore(const QString& path, const QString& app, const QString& section)
    : m_path(path), m_app(app), m_section(section) {
    m_keptAside = m_conn.openOrStartAfresh(m_path, form());
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

// The settings rows: a file that holds our table (among others, perhaps) or
// no table at all is ours.
FileForm SettingsStore::form() {
    FileForm form;
    form.fresh = {"PRAGMA encoding = 'UTF-16le'", "PRAGMA page_size = 65536"};
    form.ours = [](StoreConnection& conn) {
        Statement tables(conn, "SELECT count(*), sum(name = 'settings') FROM sqlite_master "
                               "WHERE type = 'table'");
        if (!tables.row())
            return tables.rc();
        return tables.integer(0) == 0 || tables.integer(1) == 1 ? SQLITE_OK : SQLITE_NOTADB;
    };
    form.tables = {"CREATE TABLE IF NOT EXISTS settings ("
                   " app TEXT NOT NULL COLLATE NOCASE,"
                   " section TEXT NOT NULL COLLATE NOCASE,"
                   " key TEXT NOT NULL COLLATE NOCASE,"
                   " value TEXT NOT NULL,"
                   " UNIQUE (app, section, key))"};
    form.ready = [this](StoreConnection&) { return prepare(); };
    return form;
}

int SettingsStore::prepare() {
    m_write = Statement(m_conn, WriteSql, true);
    m_read = Statement(
        m_conn, "SELECT value FROM settings WHERE app = ?1 AND section = ?2 AND key = ?3", true);
    m_delete = Statement(m_conn, "DELETE FROM settings WHERE app = ?1", true);
    m_version = Statement(m_conn, "PRAGMA data_version", true);
    for (const Statement* st : {&m_write, &m_read, &m_delete, &m_version}) {
        if (!st->isReady()) {
            const int rc = st->rc();
            close(); // nothing half made stays
            return rc;
        }
    }
    return SQLITE_OK;
}

// Changes whenever another connection (another program, or the store's own
// thread) has written the file since this one last looked.
qint64 SettingsStore::dataVersion() const {
    const qint64 v = m_version.row() ? m_version.integer(0) : -1;
    m_version.reset();
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
    for (Statement* st : {&m_write, &m_read, &m_delete, &m_version})
        *st = Statement();
    m_conn.close();
}

QString SettingsStore::ReadSetting(const QString& key, const QString& defaultValue) const {
    waitForBackground();
    if (!m_read.isReady())
        return defaultValue;
    if (m_latest.version >= 0 && m_latest.key == key) {
        const bool unchanged = dataVersion() == m_latest.version;
        const QString kept = std::exchange(m_latest, Latest()).value;
        if (unchanged)
            return kept;
    }
    m_read.bindText(1, m_app).bindText(2, m_section).bindText(3, key);
    const QString result = m_read.row() ? m_read.text(0) : defaultValue;
    m_read.reset();
    return result;
}

// Records a refused operation; inside a batch it spoils the whole batch. The
// connection's system error number tells a full disk from other input or
// output errors.
bool SettingsStore::fail(int result) {
    m_failure = failureOf(result, m_conn.systemError());
    if (m_batchDepth > 0)
        m_batchFailed = true;
    return false;
}

bool SettingsStore::WriteSetting(const QString& key, const QString& value) {
    waitForBackground();
    if (!m_write.isReady())
        return false;
    if (m_batchDepth > 0 && m_batchFailed)
        return false; // the batch is lost already: nothing more goes into it
    forgetLatest();
    const int rc = writeValue(m_write, m_app, m_section, key, value);
    const bool ok = rc == SQLITE_OK || fail(rc);
    if (ok && m_keepLatest && m_batchDepth == 0 && value.size() >= KeptUnits)
        m_latest = {key, value, dataVersion()};
    return ok;
}

bool SettingsStore::DeleteAllSettings() {
    waitForBackground();
    if (!m_delete.isReady())
        return false;
    forgetLatest();
    m_delete.bindText(1, m_app).run();
    const int rc = m_delete.rc();
    m_delete.reset();
    return rc == SQLITE_OK || fail(rc);
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

bool SettingsStore::waitForBackground(std::chrono::milliseconds limit) const {
    return !m_background || m_background->wait(limit);
}

QStringList SettingsStore::keptAsideCopies(const QString& path) {
    return storefile::keptAsideCopies(path);
}

bool SettingsStore::removeIfEmpty() {
    waitForBackground();
    if (!isOpen())
        return false;
    Statement count(m_conn, "SELECT count(*) FROM settings");
    const qint64 rows = count.row() ? count.integer(0) : -1;
    count = Statement();
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
