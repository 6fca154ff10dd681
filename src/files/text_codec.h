#pragma once

#include <QByteArray>
#include <QString>

// Text as bytes and bytes as text, apart from any file. Reading takes code
// page 932 (Shift-JIS, Microsoft's table), UTF-8 and UTF-16 by one rule
// (detectEncoding(), decode()); writing is code page 932 (encode()) unless the
// user chooses UTF-8 (encodeUtf8()).
namespace textfile {

// What a file's bytes are read as.
enum class Encoding { CodePage932, Utf8, Utf8Marked, Utf16LE, Utf16BE };

// The reading rule for every text file:
//   - a UTF-8 byte-order mark: UTF-8 (Utf8Marked);
//   - a UTF-16 mark (FF FE or FE FF): UTF-16 of that order;
//   - otherwise bytes that are valid UTF-8 throughout and hold at least one
//     character beyond ASCII: UTF-8;
//   - everything else, ASCII alone included: code page 932.
// One pass over the bytes at most.
Encoding detectEncoding(const QByteArray& bytes);

// The bytes as text, read as detectEncoding() says: a mark is not part of
// the text. Nothing vanishes: a byte that makes no character after a mark
// reads as U+FFFD, and so does an odd last byte of UTF-16; code page 932 reads
// as decodeCodePage() does. At most one pass over the bytes goes to deciding.
QString decode(const QByteArray& bytes);
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

} // namespace textfile
