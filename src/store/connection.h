#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// Binds a text as UTF-16 without a copy: the text must outlive the step. An
// empty text binds as "", never as NULL.
void bindText(sqlite3_stmt* statement, int index, const QString& text);

// One connection to the store's file, set up the same way on the
// user-interface thread and on the store's own thread: it waits for another
// program that holds the file, and a commit returns only once the values are
// on the disk. Writing a value and the transaction around it go through here,
// so both threads write alike. Results are SQLite result codes.
class StoreConnection {
public:
    // How long an operation waits for another program that holds the file.
    static constexpr int BusyTimeoutMs = 10000;

    StoreConnection() = default;
    ~StoreConnection() { close(); }
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    // Opens the file at `path`, which must exist; a link is not followed.
    int open(const QString& path);
    // Once the file holds the table: makes ready the statement that writes.
    int prepareWrite();
    void close();

    sqlite3* handle() const { return m_db; }
    bool canWrite() const { return m_write != nullptr; }
    int exec(const char* sql);
    // Runs a statement of this connection to its end: SQLITE_OK when it ran
    // through. The statement stays to be reset.
    int step(sqlite3_stmt* statement);

    // Stores one value, replacing the one the key had.
    int write(const QString& app, const QString& section, const QString& key, const QString& value);
    // A transaction that takes the write lock at once, its end, and its
    // undoing (when a refused write has not already undone it).
    int begin();
    int commit();
    void rollback();

    // The system's error number behind the latest call here that failed (0
    // when none is known): what tells a full disk from other input or output
    // errors.
    int systemError() const { return m_systemError; }

private:
    int noted(int result);

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_write = nullptr;
    int m_systemError = 0;
    int m_recorded = 0; // what sqlite3_system_errno() said last
};
