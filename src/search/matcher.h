#pragma once

#include <QString>
#include <QStringView>

// The matching rule shared by Find, Find next and the Replace dialog.
//
// Text is compared the way a Japanese desktop compares text for people, not
// unit for unit: letters that differ only in case are equal (Unicode simple
// case folding, Greek and Cyrillic included), full-width and half-width forms
// of one letter, digit, sign or katakana are equal (Ａ = A, ０ = 0, ｱ = ア,
// the ideographic space = the space), and hiragana equals katakana (あ = ア).
// Every equivalence maps one UTF-16 unit to one (a surrogate pair is folded
// as the one character it encodes), so a match is always exactly as long as
// the pattern.
//
// A match never begins or ends between the two units of a CR LF or of a
// surrogate pair: such a position is no caret position, and selecting from
// it would select something other than what was found.
namespace search {

// The unit c stands for under the comparison. Surrogates stand for
// themselves here; a pair is folded as a whole by the search.
char16_t foldUnit(char16_t c);

// The first position at or after `from` where `pattern` occurs in `text`, or
// -1. The match is pattern.size() units long. An empty pattern occurs at
// every position of a non-empty text, its end included, and nowhere in an
// empty text.
qsizetype find(QStringView text, QStringView pattern, qsizetype from);
// The same, counting only a match that starts before `startsBefore`: a long
// text searched a slice at a time, each slice going on where the last ended.
qsizetype find(QStringView text, QStringView pattern, qsizetype from, qsizetype startsBefore);

struct ReplaceAll {
    QString text;        // the text with every occurrence replaced
    qsizetype count = 0; // occurrences replaced
    qsizetype caret = 0; // right after the last inserted text (0 when none)
};

// Replaces every occurrence of `target` from the top, left to right, each
// search resuming after the previous occurrence, so inserted text is never
// searched again. One pass over the text. An empty target replaces nothing.
ReplaceAll replaceAll(QStringView text, QStringView target, QStringView replacement);

} // namespace search
