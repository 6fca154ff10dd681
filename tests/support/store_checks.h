#pragma once

#include <QFile>
#include <QString>

#include <sqlite3.h>
#include <sys/fsuid.h>
#include <unistd.h>

// What SQLite's own full check says of the database file at path: "ok" for a
// sound file, else its first finding or why it could not be opened.
inline QString integrity(const QString& path) {
    sqlite3* db = nullptr;
    QString result = QStringLiteral("cannot open");
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        else
            result = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

// Permission bits as an ordinary user sees them, also when the tests run as
// root (for whom they do not count): the file-system user of the calling
// thread and the threads it starts. Linux only.
class AsOrdinaryUser {
public:
    AsOrdinaryUser() : m_root(::geteuid() == 0) {
        if (m_root)
            ::setfsuid(65534);
    }
    ~AsOrdinaryUser() {
        if (m_root)
            ::setfsuid(0);
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

private:
    bool m_root;
};
