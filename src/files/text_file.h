#pragma once

#include <QByteArray>
#include <QString>

// Text files, read and written whole. Reading takes code page 932
// (Shift-JIS, Microsoft's table), UTF-8 and UTF-16 by one rule (decode());
// writing is code page 932 unless the user chooses UTF-8.
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

// What a file's bytes were read as.
enum class Encoding { CodePage932, Utf8, Utf8Marked, Utf16LE, Utf16BE };

// The reading rule for every text file:
//   - a UTF-8 byte-order mark: UTF-8, the mark not part of the text;
//   - a UTF-16 mark (FF FE or FE FF): UTF-16 of that order, without the mark;
//   - otherwise bytes that are valid UTF-8 throughout and hold at least one
//     character beyond ASCII: UTF-8;
//   - everything else: code page 932 (decodeCodePage()).
// Nothing vanishes: a byte that makes no character after a mark reads as
// U+FFFD, and so does an odd last byte of UTF-16. At most one pass over the
// bytes goes to deciding.
QString decode(const QByteArray& bytes, Encoding* readAs = nullptr);
// The bytes as code page 932, whatever they look like. A byte that makes no
// character reads as the converter's substitute; a lead byte cut off at the
// end reads as a character of its own.
QString decodeCodePage(const QByteArray& bytes);
// Seven symbols in their JIS forms (〜 − ‖ ¢ £ ¬ —, as Japanese input methods
// type them) are written as the bytes of the forms code page 932 reads them
// as (～ － ∥ ￠ ￡ ￢ ―); everything else that has a place keeps it.
QByteArray encode(const QString& text);
// The text in UTF-8 without a byte-order mark, every character as it is.
QByteArray encodeUtf8(const QString& text);

// Whether every character of the text has a place in code page 932, that is,
// comes back unchanged after encoding and decoding, or is one of the seven
// JIS forms above.
bool representable(const QString& text);
// How many characters (code points; a lone surrogate counts as one) have no
// place in code page 932.
qsizetype countUnrepresentable(const QString& text);
// The text with each character that has no place in code page 932 replaced by
// one "?" (a surrogate pair gives one "?").
QString replaceUnrepresentable(const QString& text);

// Writes bytes so that a failure never leaves a half-written file in place
// of an existing one. Returns a failure number or None. Only an ordinary file
// (or a new name) is written: a folder, pipe or device is a PathFileAccess
// failure.
int writeWhole(const QString& path, const QByteArray& bytes);

// "予期せぬエラーが発生しました" CR LF "code-" n
QString failureMessage(int failure);

} // namespace textfile
