#pragma once

#include <QByteArray>
#include <QString>

// Text files are plain text in code page 932 (Shift-JIS, Microsoft's table),
// read and written whole.
namespace textfile {

// Failure numbers shown after "code-" in the error message. One table, fixed
// forever: users quote these numbers.
enum Failure : int {
    None = 0,
    OutOfMemory = 7,
    BadFileName = 52,
    FileNotFound = 53,
    DeviceIO = 57,
    DiskFull = 61,
    PermissionDenied = 70,
    PathFileAccess = 75, // a folder, or something else that is not a file
    PathNotFound = 76,
    TooLarge = 1001,     // larger than the views take
    Unrepresentable = 1002,
};

struct ReadResult {
    QString text;
    int failure = None;
    bool ok() const { return failure == None; }
};

// The largest file the views take (bytes).
constexpr qint64 MaxFileBytes = qint64(512) * 1024 * 1024;

// The whole file in one read of its exact length, then one conversion from
// code page 932. No byte-order mark detection; line ends untouched; an empty
// file gives the empty text. Never blocks on a pipe or device.
ReadResult ReadTextFile(const QString& path);

QString decode(const QByteArray& bytes);
QByteArray encode(const QString& text);
// Whether every character of the text has a place in code page 932.
bool representable(const QString& text);

// Writes bytes so that a failure never leaves a half-written file in place
// of an existing one. Returns a failure number or None.
int writeWhole(const QString& path, const QByteArray& bytes);

// "予期せぬエラーが発生しました" CR LF "code-" n
QString failureMessage(int failure);

} // namespace textfile
