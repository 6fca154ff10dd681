#pragma once

#include <QByteArray>
#include <QString>

// The benchmark's own data: Japanese text with CR LF lines, written in code
// page 932, the same on every run.
namespace benchdata {

// The word Find next looks for; it stands only at the very end of the 20 MB file.
QString needle();
// The word Replace all replaces, and what it becomes.
QString target();
QString replacement();
constexpr int TargetOccurrences = 100000;

// Japanese lines of 10 to 70 characters with CR LF ends, about `bytes` long in
// code page 932, never holding needle() or target(); seed makes them differ.
QString filler(qsizetype bytes, quint32 seed);

// The files and the store of one benchmark run, made in `dir`:
//   text5.txt   5 MB
//   text20.txt  20 MB, ending in needle()
//   text10.txt  10 MB holding target() exactly TargetOccurrences times
//   nine.sqlite a store with nine 5 MB pages, page 1 on show
struct Files {
    QString text5, text20, text10, store;
};
Files make(const QString& dir);
Files locate(const QString& dir);

} // namespace benchdata
