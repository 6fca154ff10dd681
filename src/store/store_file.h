#pragma once

#include <QString>
#include <QStringList>

// What the program's SQLite files share on the disk: a private file in a
// private folder, and a damaged file moved aside under a new name, never
// deleted, so that whatever it still holds can be rescued.
namespace storefile {

// Makes the folder (0700) and an empty file (0600) where none is. False when
// the file cannot be made.
bool createPrivate(const QString& path);

// Whether a database file's first 100 bytes promise more pages than the
// `size` bytes it has: a copy cut short, or a checkpoint cut short (SQLite
// writes the header's new page count before it extends the file, and
// recovers from the log what is missing). Only a hint that the file is
// worth checking.
bool headerLooksShort(const QByteArray& header, qint64 size);

// A claim on the database at `path`, held by every instance that has it
// open: a shared flock() on <path>-lock, a file of its own (SQLite's own
// locks are fcntl() locks on the database, which closing any other handle
// on it in the same process would drop). A file is set aside only by an
// instance that holds the claim alone, so no instance renames a file
// another has open. flock() claims are per open file, so two stores in one
// process see each other too.
class Claim {
public:
    Claim() = default;
    ~Claim() { release(); }
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;

    // Shares the claim on `path`, waiting while someone sets the file aside.
    // False when the lock file cannot be made: then the file is never set
    // aside from here.
    bool share(const QString& path);
    // Holds the claim on `path` alone, when no one else holds it; never
    // waits.
    bool holdAlone(const QString& path);
    void release();

private:
    bool lock(const QString& path, int operation);

    QString m_path;
    int m_fd = -1;
};

// A name <base>-<yyyyMMdd-HHmmss>[-n] that no file or folder has yet: the
// local time now, with -2, -3, ... added when that name is taken already.
QString timestampedName(const QString& base);

// Moves the file, with its -wal and -shm files, to
// timestampedName(<path>.damaged); returns where it went, or empty.
QString keepAside(const QString& path);

// Every damaged file kept aside beside `path`, by any run.
QStringList keptAsideCopies(const QString& path);

// Removes the file and its -wal and -shm files, and its lock file unless
// someone holds a claim on it; true when the file and its log are gone.
bool removeWithJournal(const QString& path);

} // namespace storefile
