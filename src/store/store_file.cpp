#include "store/store_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace storefile {

bool createPrivate(const QString& path) {
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    if (!QDir(dir).exists()) {
        QDir().mkpath(dir);
        ::chmod(QFile::encodeName(dir).constData(), 0700);
    }
    if (info.exists())
        return true;
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool headerLooksShort(const QByteArray& h, qint64 size) {
    if (size == 0)
        return false;
    if (h.size() < 100 || !h.startsWith("SQLite format 3"))
        return true;
    auto be32 = [&](int at) {
        return (quint32(quint8(h[at])) << 24) | (quint32(quint8(h[at + 1])) << 16) |
               (quint32(quint8(h[at + 2])) << 8) | quint32(quint8(h[at + 3]));
    };
    quint32 pageSize = (quint32(quint8(h[16])) << 8) | quint32(quint8(h[17]));
    if (pageSize == 1)
        pageSize = 65536;
    const quint32 pages = be32(28);
    if (pages == 0 || be32(24) != be32(92)) // the count is only valid when these agree
        return false;
    return qint64(pages) * pageSize > size;
}

bool Claim::lock(const QString& path, int operation) {
    if (m_fd >= 0 && m_path != path)
        release();
    if (m_fd < 0) {
        const QByteArray name = QFile::encodeName(path) + "-lock";
        m_fd = ::open(name.constData(), O_CREAT | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0)
            return false;
        m_path = path;
    }
    int rc;
    do
        rc = ::flock(m_fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool Claim::share(const QString& path) {
    return lock(path, LOCK_SH);
}

bool Claim::holdAlone(const QString& path) {
    if (lock(path, LOCK_EX | LOCK_NB))
        return true;
    release(); // a shared claim changed into a whole one is gone when that fails
    return false;
}

void Claim::release() {
    if (m_fd >= 0)
        ::close(m_fd); // the claim goes with the last handle on it
    m_fd = -1;
    m_path.clear();
}

QString timestampedName(const QString& base) {
    const QString stamped =
        base + u'-' + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stamped;
    // exists() follows links: a dangling link holds its name all the same.
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = stamped + u'-' + QString::number(n);
    return name;
}

QString keepAside(const QString& path) {
    const QString target = timestampedName(path + QStringLiteral(".damaged"));
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0)
        return QString();
    for (const char* suffix : {"-wal", "-shm"}) {
        const QByteArray from = QFile::encodeName(path) + suffix;
        const QByteArray to = QFile::encodeName(target) + suffix;
        ::rename(from.constData(), to.constData());
    }
    return target;
}

QStringList keptAsideCopies(const QString& path) {
    const QFileInfo file(path);
    QStringList copies;
    const QDir dir = file.absoluteDir();
    for (const QString& name :
         dir.entryList({file.fileName() + QStringLiteral(".damaged-*")},
                       QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name))
        copies << dir.filePath(name);
    return copies;
}

bool removeWithJournal(const QString& path) {
    bool gone = true;
    for (const QString& f : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")})
        if (QFileInfo::exists(f) && !QFile::remove(f))
            gone = false;
    // Removed only while no one holds it: an instance holding it keeps it.
    Claim alone;
    if (alone.holdAlone(path))
        QFile::remove(path + QStringLiteral("-lock"));
    return gone;
}

} // namespace storefile
