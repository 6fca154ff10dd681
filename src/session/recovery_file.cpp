#include "session/recovery_file.h"

#include "platform/long_work.h"
#include "session/views.h"
#include "store/store_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>
#include <sys/stat.h>

namespace recovery {

namespace {

// A new file for page `page` in a folder of its own in `folder`; it does not
// exist yet.
QString newPath(const QString& folder, int page) {
    return storefile::timestampedName(folder + QStringLiteral("/saved")) +
           QStringLiteral("/page-%1.txt").arg(page);
}

// Makes the folders up to the file's, each private to the user, and writes
// the text whole; false when it could not be written whole.
bool write(const QString& path, const QString& text) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

QString recoveryFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/sorabun/recovery");
}

QString runtimeFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/sorabun/recovery");
}

bool isShortLived(const QString& path) {
    const QString folder = runtimeFolder();
    return !folder.isEmpty() && QDir::cleanPath(path).startsWith(folder + u'/');
}

QString keepUnsaved(Views& views, int page) {
    // A page half read or built is no page to keep.
    if (!views.pageChanged() || LongWork::running())
        return QString();
    const QString text = views.visible().text();
    for (const QString& folder : {recoveryFolder(), runtimeFolder()}) {
        if (folder.isEmpty())
            continue;
        const QString path = newPath(folder, page);
        if (write(path, text)) {
            std::fprintf(stderr,
                         "sorabun: the store refused the page on show; it was written to %s\n",
                         QFile::encodeName(QDir::toNativeSeparators(path)).constData());
            return path;
        }
        QFile::remove(path);
        QDir().rmdir(QFileInfo(path).absolutePath());
    }
    std::fprintf(stderr,
                 "sorabun: the store refused the page on show, and no file could be "
                 "written in %s or %s\n",
                 QFile::encodeName(recoveryFolder()).constData(),
                 QFile::encodeName(runtimeFolder()).constData());
    return QString();
}

} // namespace recovery
