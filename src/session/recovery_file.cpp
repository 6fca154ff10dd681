#include "session/recovery_file.h"

#include "platform/long_work.h"
#include "session/views.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

namespace recovery {

QString recoveryFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/sorabun/recovery");
}

QString recoveryPath(int page) {
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString base = recoveryFolder() + u'/' + stamp;
    QString folder = base;
    for (int n = 2; QFileInfo::exists(folder); ++n)
        folder = base + u'-' + QString::number(n);
    return folder + QStringLiteral("/page-%1.txt").arg(page);
}

bool writeRecovery(const QString& path, const QString& text) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

void keepUnsaved(Views& views, const QString& path) {
    // A page half read or built is no page to keep.
    if (!views.pageChanged() || LongWork::running())
        return;
    const QByteArray where = QFile::encodeName(QDir::toNativeSeparators(path));
    if (writeRecovery(path, views.visible().text()))
        std::fprintf(stderr, "sorabun: the store refused the page on show; it was written to %s\n",
                     where.constData());
    else
        std::fprintf(stderr,
                     "sorabun: the store refused the page on show, and %s could not be written\n",
                     where.constData());
}

} // namespace recovery
