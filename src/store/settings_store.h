#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// Per-user string values addressed by application, section and key, kept in
// one SQLite file. Page texts are bound as UTF-16 and the database is UTF-16,
// so a page is never converted on its way in or out.
//
// A file that is not a readable database of ours is kept aside under a new
// name, never deleted, and the store starts empty. No operation throws and
// none reports failure to the caller: a value that cannot be read reads as
// its default.
class SettingsStore {
public:
    static constexpr const char16_t* App = u"Orvanti";
    static constexpr const char16_t* Section = u"Note";

    explicit SettingsStore(const QString& path);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $XDG_CONFIG_HOME/sorabun/store.sqlite (created 0600 in a 0700 folder).
    static QString defaultPath();

    QString ReadSetting(const QString& app, const QString& section, const QString& key,
                        const QString& defaultValue = QString()) const;
    void WriteSetting(const QString& app, const QString& section, const QString& key,
                      const QString& value);
    void DeleteAllSettings(const QString& app);

    // The program's own application and section.
    QString read(const QString& key, const QString& defaultValue = QString()) const {
        return ReadSetting(QString::fromUtf16(App), QString::fromUtf16(Section), key, defaultValue);
    }
    void write(const QString& key, const QString& value) {
        WriteSetting(QString::fromUtf16(App), QString::fromUtf16(Section), key, value);
    }

    // Writes inside one scope become one transaction: all or nothing.
    class Batch {
    public:
        explicit Batch(SettingsStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        SettingsStore& m_store;
        bool m_active = false;
    };

    // Closes the store and removes its files when nothing is left in it.
    // Returns whether the files were removed.
    bool removeIfEmpty();

    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }
    // Where a damaged file found at opening was moved to, or empty.
    QString keptAsidePath() const { return m_keptAside; }
    // 0 (SQLITE_OK) while every write, delete and transaction since opening
    // succeeded; otherwise the SQLite result code of the latest that failed.
    int lastResult() const { return m_lastResult; }

private:
    bool open();
    void close();
    void keepAside();
    bool exec(const char* sql);
    bool execWaiting(const char* sql);
    bool prepare();
    bool ownsSchema();

    QString m_path;
    QString m_keptAside;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_read = nullptr;
    sqlite3_stmt* m_write = nullptr;
    sqlite3_stmt* m_delete = nullptr;
    int m_batchDepth = 0;
    int m_lastResult = 0;
};
