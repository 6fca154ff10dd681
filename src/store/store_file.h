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

// Whether the database header promises more than the file holds: a
// truncated copy opens but fails on its first real read.
bool looksTruncated(const QString& path);

// A name <base>-<yyyyMMdd-HHmmss>[-n] that no file or folder has yet: the
// local time now, with -2, -3, ... added when that name is taken already.
QString timestampedName(const QString& base);

// Moves the file, with its -wal and -shm files, to
// timestampedName(<path>.damaged); returns where it went, or empty.
QString keepAside(const QString& path);

// Every damaged file kept aside beside `path`, by any run.
QStringList keptAsideCopies(const QString& path);

// Removes the file and its -wal and -shm files; true when none is left.
bool removeWithJournal(const QString& path);

} // namespace storefile
