#include "intake/argument_split.h"

ListedFile listedFile(const QString& name) {
    return {name.toLower(), name};
}

QList<ListedFile> listArguments(const QStringList& arguments) {
    QList<ListedFile> entries;
    entries.reserve(arguments.size());
    for (const QString& name : arguments)
        entries.append(listedFile(name));
    return entries;
}
