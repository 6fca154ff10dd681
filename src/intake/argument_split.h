#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One entry of the file list: the name as the list shows it (lower case) and
// the name as it was given, under which the file is opened. A file system that
// tells capitals apart would not find "A.TXT" under "a.txt".
struct ListedFile {
    QString shown;
    QString name;
    bool operator==(const ListedFile&) const = default;
};

// The entry for one file name.
ListedFile listedFile(const QString& name);

// Entries for arguments the system has already split: one entry per argument,
// so a name with a space in it stays one name.
QList<ListedFile> listArguments(const QStringList& arguments);
