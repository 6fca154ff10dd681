#include "files/text_file.h"

#include "platform/large_memory.h"
#include "platform/long_work.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace textfile {

namespace {

int failureFromErrno(int e) {
    switch (e) {
    case ENOENT:
        return FileNotFound;
    case ENOTDIR:
        return PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return PermissionDenied;
    case EISDIR:
        return PathFileAccess;
    case ENOMEM:
        return OutOfMemory;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DiskFull;
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return BadFileName;
    default:
        return DeviceIO;
    }
}

} // namespace

ReadResult ReadTextFile(const QString& path) {
    if (path.isEmpty())
        return {QString(), BadFileName};
    const QByteArray name = QFile::encodeName(path);
    if (name.contains('\0'))
        return {QString(), BadFileName};
    // Non-blocking, so opening a pipe or a device never holds the program.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {QString(), failureFromErrno(errno)};
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        return {QString(), failureFromErrno(errno)};
    // Only an ordinary file has a length to read; a folder, pipe, socket or
    // device is not a text file.
    if (!S_ISREG(st.st_mode))
        return {QString(), PathFileAccess};
    const qint64 n = qint64(st.st_size);
    if (n > MaxFileBytes)
        return {QString(), TooLarge};
    try {
        QByteArray bytes(n, Qt::Uninitialized);
        largememory::preferHugePages(bytes.data(), size_t(n));
        qint64 done = 0;
        while (done < n) {
            const ssize_t r = ::read(fd, bytes.data() + done, size_t(n - done));
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0)
                return {QString(), failureFromErrno(errno)};
            if (r == 0)
                break; // the file shrank meanwhile: take what is there
            done += r;
        }
        bytes.truncate(done);
        LongWork::progress(0, 1);
        QString text = decode(bytes);
        LongWork::progress(1, 1);
        return {std::move(text), None};
    } catch (const std::bad_alloc&) {
        return {QString(), OutOfMemory};
    }
}

int writeWhole(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty() || QFile::encodeName(path).contains('\0'))
        return BadFileName;
    const QFileInfo info(path);
    if (info.exists()) {
        // Only an ordinary file is replaced; a folder, pipe or device of
        // that name is left alone.
        if (info.isDir() || !info.isFile())
            return PathFileAccess;
        if (!info.isWritable())
            return PermissionDenied;
    }
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists() || !folder.isDir())
        return PathNotFound;
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        const int e = errno;
        if (!folder.isWritable() || file.error() == QFileDevice::PermissionsError)
            return PermissionDenied;
        return e ? failureFromErrno(e) : DeviceIO;
    }
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int e = errno;
        file.cancelWriting();
        return e ? failureFromErrno(e) : DeviceIO;
    }
    errno = 0;
    if (!file.commit()) {
        // The new content stays in its temporary file, which is removed; the
        // old file is still in place.
        const int e = errno;
        return e ? failureFromErrno(e) : DeviceIO;
    }
    return None;
}

QString failureMessage(int failure) {
    return QStringLiteral("予期せぬエラーが発生しました\r\ncode-") + QString::number(failure);
}

} // namespace textfile
