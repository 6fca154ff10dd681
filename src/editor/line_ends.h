#pragma once

#include <QString>
#include <QStringView>

// Line ends of a page, and the lengths of its lines as the text view breaks
// them into blocks.

// What the document's block breaks stand for: CR LF, or, in a text whose
// lines all end in a lone LF (or all in a lone CR), that line end.
enum class LineEnd { CrLf, Lf, Cr };

// The kind of line end a whole text's block breaks stand for: a text whose
// every line ends in a lone LF (or a lone CR) keeps them as block breaks.
LineEnd lineEndOf(QStringView text);

// The characters one line end of that kind is.
QStringView lineEndText(LineEnd lineEnd);

// The length of t's longest line as the view breaks t into blocks: a lone LF
// or CR in a page of CR LF lines stays inside its line, and the block a line
// makes is one unit longer (its break).
qsizetype longestLine(QStringView t, LineEnd lineEnd);

// p (0..length) moved off the middle of a CR LF, to before the CR.
qsizetype outOfCrLf(QStringView t, qsizetype p);
