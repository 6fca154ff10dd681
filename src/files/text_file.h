#pragma once

#include "files/text_codec.h"

#include <QByteArray>
#include <QString>

// Text files, read and written whole: opening, reading, writing and what
// fails on the way. What bytes read as and what a text is written as is
// text_codec.h's, included here so that a caller has both.
namespace textfile {

// Failure numbers shown after "code-" in the error message. One table, fixed
// forever: users quote these numbers.
enum Failure : int {
    None = 0,
    OutOfMemory = 7,
    BadFileName = 52,
    FileNotFound = 53,
    DeviceIO = 57, // a read or write error of the device
    DiskFull = 61, // no room left, or the file would exceed what the system allows
    PermissionDenied = 70,
    PathFileAccess = 75, // a folder, or something else that is not a file (pipe, device)
    PathNotFound = 76,   // the folder does not exist, or a part of the path is a file
    TooLarge = 1001,     // larger than the views take
    Unrepresentable = 1002,
};

struct ReadResult {
    QString text;
    int failure = None;
    bool ok() const { return failure == None; }
};

// The largest file the views take (bytes). A shown page costs about four
// times its file size in memory and its layout time grows with the number of
// lines (a 20 MB file of 420,000 lines: about a second; 100 MB: 410 MiB and
// some 5.5 s), so a larger file is offered to the system's text editor
// instead.
constexpr qint64 MaxFileBytes = qint64(128) * 1024 * 1024;

// The whole file in one read of its exact length, then decoded by the one
// reading rule (decode()). Line ends untouched; an empty file gives the empty
// text. Only ordinary files are read: a folder, a pipe or a device gives
// PathFileAccess at once and never blocks.
ReadResult ReadTextFile(const QString& path);

// Writes bytes so that a failure never leaves a half-written file in place
// of an existing one. Returns a failure number or None. Only an ordinary file
// (or a new name) is written: a folder, pipe or device is a PathFileAccess
// failure.
int writeWhole(const QString& path, const QByteArray& bytes);

// "予期せぬエラーが発生しました" CR LF "code-" n
QString failureMessage(int failure);

} // namespace textfile
