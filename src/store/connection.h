#pragma once

#include "store/store_file.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class StoreConnection;

// Why a write was refused, as the user is told it.
enum class Refusal {
    None,
    DiskFull,    // the disk (or the largest file allowed) is full
    ReadOnly,    // the file or its folder may not be written
    Busy,        // another program held the file past the waiting time
    TooLarge,    // the text is larger than a file of ours can hold
    OutOfMemory, // the program ran out of memory on the way
    Io,          // the system reported an input or output error, or the file is damaged
};
// The reason behind a SQLite result, with the system's error number of the
// connection where one is known (0 otherwise).
Refusal refusalOf(int sqliteResult, int systemError = 0);

// A prepared statement of one connection, finalized when it goes. A step
// that fails ends the rows and leaves its result in rc() until reset().
// Texts are bound as UTF-16 without a copy: a text must outlive the step.
class Statement {
public:
    Statement(); // ready for nothing: every use is refused
    // `kept`: prepared once and run many times, for the connection's life.
    Statement(StoreConnection& connection, const char* sql, bool kept = false);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;

    bool isReady() const { return m_st != nullptr; }
    int rc() const { return m_rc; }

    Statement& bind(int index, qint64 value);
    Statement& bind(int index, const QByteArray& value);
    // An empty text binds as "", never as NULL.
    Statement& bindText(int index, const QString& text);
    // True while there is a row; a failure ends the rows and stays in rc().
    bool row();
    // Runs it to its end: true when it ran through.
    bool run();
    // Ready to run again, with nothing bound and no failure noted.
    void reset();

    qint64 integer(int column) const;
    QByteArray bytes(int column) const;
    QString text(int column) const;

private:
    StoreConnection* m_connection = nullptr;
    sqlite3_stmt* m_st = nullptr;
    int m_rc = 0;
};

// What one of the program's SQLite files holds, for opening it.
struct FileForm {
    // Run on a new, empty file before anything is written to it.
    std::vector<const char*> fresh;
    // Whether a file that holds something is one of ours, looked at before
    // anything in the file is changed: SQLITE_OK when it is, SQLITE_NOTADB
    // when it is someone else's database (never written into), or what
    // stopped the look.
    std::function<int(StoreConnection&)> ours;
    // Make the tables where they are not yet.
    std::vector<const char*> tables;
    // Once the tables are there, what the file's owner makes ready (its
    // statements, what it reads at the start): an SQLite result.
    std::function<int(StoreConnection&)> ready;
};

// One connection to one of the program's SQLite files, set up the same way
// for the settings store and the page history, on every thread: it waits
// for another program that holds the file (one policy: SQLite's busy
// timeout), and a commit returns only once the values are on the disk.
// Results are SQLite result codes.
class StoreConnection {
public:
    // How long an operation waits for another program that holds the file.
    static constexpr int BusyTimeoutMs = 10000;

    enum class Opened { Yes, Damaged, Unavailable };

    StoreConnection() = default;
    ~StoreConnection() { close(); }
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    // Opens the file at `path`, which must exist; a link is not followed.
    int open(const QString& path);
    // Opens the file at `path` as a file of `form`, made (0600, in a 0700
    // folder) where there is none, and holds the file's claim while open.
    // Only SQLite judges damage, once the file is open with its log:
    // Damaged on SQLITE_CORRUPT or SQLITE_NOTADB, or a failed quick_check
    // where the header promises more than the file holds (a checkpoint cut
    // short passes it: SQLite recovers it from the log). A folder in its
    // place and someone else's database count as damage too. Unavailable
    // when it cannot be opened or made. Closed unless Yes.
    Opened open(const QString& path, const FileForm& form);
    // The same; a damaged file is set aside under a new name, never
    // deleted, and a new one made in its place. Returns where the damaged
    // file went, or empty.
    QString openOrStartAfresh(const QString& path, const FileForm& form);
    // Sets the file at `path` aside and opens a new one of `form` in its
    // place, when no other instance has the file open. Returns where the
    // file went, or empty when it was not moved (then nothing is open).
    QString startAfresh(const QString& path, const FileForm& form);
    void close();

    sqlite3* handle() const { return m_db; }
    bool isOpen() const { return m_db != nullptr; }
    // Whether SQLite opened the file for reading only (it does so silently
    // when the file may not be written).
    bool isReadOnly() const;
    int exec(const char* sql);
    // A statement that reads and then takes the write lock (a change of the
    // journal, the first write of a new file) can be refused at once when
    // another connection does the same, since waiting would hold both up
    // for good: the other goes on, and the next try waits for it like any
    // other statement.
    int execRetrying(const char* sql);
    // Runs a statement of this connection one step: SQLITE_OK at its end.
    int step(sqlite3_stmt* statement);

    // A transaction that takes the write lock at once, its end, and its
    // undoing (when a refused write has not already undone it).
    int begin();
    int commit();
    void rollback();

    qint64 lastInsertId() const;
    // How many rows the latest statement changed.
    int changes() const;

    // The system's error number behind the latest call here that failed (0
    // when none is known): what tells a full disk from other input or output
    // errors.
    int systemError() const { return m_systemError; }

private:
    friend class Statement;
    int noted(int result);
    Opened judged(int result);
    Opened setUp(const FileForm& form);
    int checkIfShort();
    void closeDatabase();

    sqlite3* m_db = nullptr;
    storefile::Claim m_claim;
    int m_systemError = 0;
    int m_recorded = 0; // what sqlite3_system_errno() said last
};
