#include "files/text_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace textfile {

namespace {

constexpr const char* Codec = "windows-31j";

int failureFromErrno(int e) {
    switch (e) {
    case ENOENT:
        return FileNotFound;
    case ENOTDIR:
        return PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return PermissionDenied;
    case EISDIR:
        return PathFileAccess;
    case ENOMEM:
        return OutOfMemory;
    case ENOSPC:
    case EDQUOT:
        return DiskFull;
    case ENAMETOOLONG:
    case ELOOP:
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
    // Non-blocking, so a pipe or a device never holds the program.
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
    if (S_ISDIR(st.st_mode))
        return {QString(), PathFileAccess};
    // Only regular files have a length; anything else holds no bytes.
    const qint64 n = S_ISREG(st.st_mode) ? qint64(st.st_size) : 0;
    if (n > MaxFileBytes)
        return {QString(), TooLarge};
    try {
        QByteArray bytes(n, Qt::Uninitialized);
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
        return {decode(bytes), None};
    } catch (const std::bad_alloc&) {
        return {QString(), OutOfMemory};
    }
}

QString decode(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return QString();
    QStringDecoder decoder(Codec);
    return decoder.decode(bytes);
}

QByteArray encode(const QString& text) {
    QStringEncoder encoder(Codec);
    return encoder.encode(text);
}

bool representable(const QString& text) {
    // Round trip each run that is not plain ASCII: what comes back differently
    // had no place in the code page.
    QStringEncoder encoder(Codec);
    QStringDecoder decoder(Codec);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return false;
    return decoder.decode(bytes) == text;
}

int writeWhole(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (info.isDir())
        return PathFileAccess;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (!QFileInfo(info.absolutePath()).isDir())
            return PathNotFound;
        return file.error() == QFileDevice::PermissionsError ? PermissionDenied
                                                             : failureFromErrno(errno);
    }
    if (file.write(bytes) != bytes.size()) {
        const int e = errno;
        file.cancelWriting();
        return e == ENOSPC ? DiskFull : DeviceIO;
    }
    if (!file.commit())
        return failureFromErrno(errno);
    return None;
}

QString failureMessage(int failure) {
    return QStringLiteral("予期せぬエラーが発生しました\r\ncode-") + QString::number(failure);
}

} // namespace textfile
