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
//   text100.txt 100 MB, ending in needle()
//   line5.txt   4.7 MB in one line without a line end, ending in needle()
// and the UTF-8 forms text20.utf8.txt, text100.utf8.txt and line5.utf8.txt
// for a peer editor that reads only UTF-8.
struct Files {
    QString text5, text20, text10, store;
    QString text100, line5;
    // The UTF-8 form of a file above.
    static QString utf8(const QString& file);
};
Files make(const QString& dir);
Files locate(const QString& dir);

} // namespace benchdata
