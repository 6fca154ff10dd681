#include "intake/argument_split.h"

ListedFile listedFile(const QString& name) {
    return {name.toLower(), name};
}

QList<ListedFile> splitArguments(const QString& argumentString) {
    QList<ListedFile> entries;
    for (const QString& name : argumentString.split(u' ', Qt::KeepEmptyParts))
        entries.append(listedFile(name));
    return entries;
}

QList<ListedFile> listArguments(const QStringList& arguments) {
    QList<ListedFile> entries;
    entries.reserve(arguments.size());
    for (const QString& name : arguments)
        entries.append(listedFile(name));
    return entries;
}
