#pragma once

#include <QStringView>
#include <QtGlobal>

// Characters as a person counts them: a surrogate pair is one, a base
// character with its combining marks is one, an emoji sequence or a flag is
// one (grapheme clusters). The toolkit's boundary finder decides each
// cluster, but it takes about 80 ns a unit, far too slow for a long page: the
// counting here takes runs of units that can join no neighbour a unit at a
// time and asks the finder only about what lies between them.
namespace graphemes {

// The characters of s, as the boundary finder counts its clusters. (Asked
// about a whole line, the finder of Qt 6.4 is swayed by Indic letters
// anywhere in it: it splits emoji, and parts marks from the space they follow
// in Devanagari; here it sees no more than what lies between two characters
// that join nothing.)
qsizetype count(QStringView s);

// Whether a cluster boundary at i (0 < i < s.size()) stands whatever text
// comes before or after: neither unit beside it can ever join the other.
// Text split at such places counts the same in parts as whole.
bool fixedBoundary(QStringView s, qsizetype i);

// The first fixed boundary at or after i, or s.size().
qsizetype nextFixedBoundary(QStringView s, qsizetype i);

// Whether s holds a unit that may need more than counting: a line end, a
// line separator, or a character the view shows in place of another.
bool holdsSpecial(QStringView s);

// What a line of text holds, line ends inside it included (a lone LF or CR,
// or a CR LF, that the view keeps within a line).
struct Tally {
    qsizetype chars = 0;      // characters, line ends not counted
    qsizetype separators = 0; // LF and U+2028: the view starts a new row there
    qsizetype crLf = 0, lf = 0, cr = 0;
    bool startsWithLf = false;
    bool endsWithCr = false;
};

// The tally of text as it is (not as the view holds it).
Tally tally(QStringView text);

} // namespace graphemes
