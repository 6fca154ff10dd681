#pragma once

#include "store/connection.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QObject;

// Per-user string values of one application's section, addressed by key,
// kept in one SQLite file that may hold other applications' values too. Page
// texts are bound as UTF-16 and the database is UTF-16, so a page is never
// converted on its way in or out.
//
// A file that is not a readable database of ours is kept aside under a new
// name, never deleted, and the store starts empty. No operation throws. A
// value that cannot be read reads as its default; every write tells whether
// the store took it, and failure() tells why it did not.
//
// Writes can also be handed to a thread of the store's own, on a connection
// of its own (writeInBackground): the user-interface thread never waits for
// the disk there. Every other operation first waits for those writes to
// end, so the store's contents always follow the order of the calls.
class SettingsStore {
public:
    // Why a write was refused.
    enum class Failure {
        None,
        NoStore,  // no store could be opened or created
        DiskFull, // the disk (or the largest file allowed) is full
        ReadOnly, // the file or its folder may not be written
        Busy,     // another program held the store past the waiting time
        Io,       // the system reported an input or output error
    };
    // The reason behind a SQLite result, with the system's error number of
    // the connection where one is known (0 otherwise).
    static Failure failureOf(int sqliteResult, int systemError = 0);

    using Values = std::vector<std::pair<QString, QString>>;
    // The program's own application and section.
    static constexpr const char16_t* App = u"Orvanti";
    static constexpr const char16_t* Section = u"Note";

    // The values of `app`'s `section` in the file at `path`; the program
    // always uses its own.
    explicit SettingsStore(const QString& path, const QString& app = QString::fromUtf16(App),
                           const QString& section = QString::fromUtf16(Section));
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $XDG_CONFIG_HOME/sorabun/store.sqlite (created 0600 in a 0700 folder).
    static QString defaultPath();

    QString ReadSetting(const QString& key, const QString& defaultValue = QString()) const;
    // True when the store took the value (inside a batch: so far).
    bool WriteSetting(const QString& key, const QString& value);
    // Removes every value of the application, in every section; other
    // applications' values stay.
    bool DeleteAllSettings();

    // Writes inside one scope become one transaction: all or nothing. A
    // write refused inside it undoes the whole batch.
    class Batch {
    public:
        explicit Batch(SettingsStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Ends the transaction now; true when every write of it is stored.
        bool commit();

    private:
        SettingsStore& m_store;
        bool m_active = false;
        bool m_ended = false;
    };

    // Writes the values the function makes (it runs on the store's thread,
    // so it may do the slow part of making them), in one transaction, and
    // returns at once. `done` runs afterwards on the thread of `context`,
    // with the reason when the store refused the values.
    void writeInBackground(std::function<Values()> make, QObject* context,
                           std::function<void(Failure)> done);
    // Waits until every write handed to the store's thread has ended.
    void waitForBackground() const;
    // The same, for at most `limit` (an exit that cannot wait for long):
    // true when every write has ended.
    bool waitForBackground(std::chrono::milliseconds limit) const;

    // While on, the latest long value written (outside a batch) stays in
    // memory, so reading it straight back, as start-up does with a page just
    // filled from a file, costs no second copy out of the file. It is read
    // from the file again once anyone else may have written it. Turning this
    // off lets the value go.
    void setKeepLatest(bool on);

    // Closes the store and removes its files when nothing is left in it.
    // Returns whether the files were removed.
    bool removeIfEmpty();

    bool isOpen() const { return m_conn.handle() != nullptr; }
    QString path() const { return m_path; }
    // Where a damaged file found at opening was moved to, or empty.
    QString keptAsidePath() const { return m_keptAside; }
    // Every damaged file kept aside beside the store at `path`, by any run.
    static QStringList keptAsideCopies(const QString& path);
    // Why the latest write, delete or transaction that failed was refused.
    Failure failure() const { return isOpen() ? m_failure : Failure::NoStore; }

private:
    struct Background;

    FileForm form();
    int prepare();
    void close();
    bool fail(int result);
    qint64 dataVersion() const;
    void forgetLatest() const;

    QString m_path;
    const QString m_app;
    const QString m_section;
    QString m_keptAside;
    StoreConnection m_conn;
    Statement m_write;
    mutable Statement m_read;
    Statement m_delete;
    mutable Statement m_version;
    int m_batchDepth = 0;
    bool m_batchFailed = false;
    Failure m_failure = Failure::None;
    std::unique_ptr<Background> m_background;
    bool m_keepLatest = false;
    // The latest long value written and the store's data version after it.
    struct Latest {
        QString key, value;
        qint64 version = -1;
    };
    mutable Latest m_latest;
};
