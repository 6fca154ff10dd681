#pragma once

// A database file left as a process ends while SQLite copies its log into
// it (a checkpoint): the header already names the new page count, the file
// is not yet extended, and the log still holds every page.

#include <QFile>
#include <QString>

namespace cutcheckpoint {

inline quint32 be32(const QByteArray& b, qsizetype at) {
    return (quint32(quint8(b[at])) << 24) | (quint32(quint8(b[at + 1])) << 16) |
           (quint32(quint8(b[at + 2])) << 8) | quint32(quint8(b[at + 3]));
}

// Copies the database at `live` with its log, as they are while a
// connection has them open and every transaction is in the log, to `to`;
// then writes the log's latest first page over the copy's, as a checkpoint
// does first. False when there is no log to copy or no first page in it.
inline bool make(const QString& live, const QString& to) {
    QFile::remove(to);
    QFile::remove(to + QStringLiteral("-wal"));
    if (!QFile::copy(live, to) ||
        !QFile::copy(live + QStringLiteral("-wal"), to + QStringLiteral("-wal")))
        return false;
    QFile wal(to + QStringLiteral("-wal"));
    if (!wal.open(QIODevice::ReadOnly))
        return false;
    const QByteArray log = wal.readAll();
    if (log.size() < 32)
        return false;
    const qsizetype pageSize = be32(log, 8);
    const QByteArray salts = log.mid(16, 8);
    QByteArray firstPage;
    // Frames: 24 bytes of header (page number, ..., the log's salts), then the page.
    for (qsizetype at = 32; at + 24 + pageSize <= log.size(); at += 24 + pageSize)
        if (be32(log, at) == 1 && log.mid(at + 8, 8) == salts)
            firstPage = log.mid(at + 24, pageSize);
    QFile db(to);
    if (firstPage.isEmpty() || !db.open(QIODevice::ReadWrite))
        return false;
    return db.write(firstPage) == firstPage.size();
}

// The page count the header of the file at `path` names, times its page
// size, against the file's size: what a copy cut short looks like.
inline bool headerPromisesMore(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray h = f.read(100);
    if (h.size() < 100)
        return false;
    qint64 pageSize = (quint32(quint8(h[16])) << 8) | quint32(quint8(h[17]));
    if (pageSize == 1)
        pageSize = 65536;
    return qint64(be32(h, 28)) * pageSize > f.size();
}

} // namespace cutcheckpoint
