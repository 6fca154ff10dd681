#include "editor/grapheme_count.h"

#include <QString>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <array>

namespace graphemes {

namespace {

// Hangul jamo: a leading consonant joins what follows it, a vowel or a
// trailing consonant what precedes it. (Whole syllables join only jamo.)
bool isJamo(char16_t c) {
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0xA960 && c <= 0xA97F) ||
           (c >= 0xD7B0 && c <= 0xD7FF);
}

// Whether a unit may join a neighbour by its kind: marks, format characters
// (the zero-width joiner, prepended marks), halves of surrogate pairs (emoji,
// flags, modifiers), unassigned code points, jamo, CR (of a CR LF), and the
// Thai and Lao vowels SARA AM, letters that join the consonant before them.
bool mayJoinByKind(char16_t c) {
    if (c == u'\r' || isJamo(c) || c == 0x0E33 || c == 0x0EB3)
        return true;
    switch (QChar::category(char32_t(c))) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_NotAssigned:
        return true;
    default:
        return false;
    }
}

// One bit a unit: whether it joins neither the unit before it nor the one
// after it. (As bits the table stays in the processor's nearest cache.)
using AloneBits = std::array<quint64, 65536 / 64>;

AloneBits buildTable() {
    AloneBits table{};
    // A few characters join by a property of their own rather than by their
    // kind (the voiced sound marks of half-width katakana, a Lao vowel, marks
    // written before a letter): the finder is asked about each unit between
    // two letters that join nothing.
    QString probe;
    probe.reserve(2 * 65536 + 1);
    for (char32_t c = 0; c < 65536; ++c) {
        if (mayJoinByKind(char16_t(c)))
            continue;
        probe += u'a';
        probe += QChar(char16_t(c));
    }
    probe += u'a';
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, probe);
    for (qsizetype i = 1; i < probe.size(); i += 2) {
        finder.setPosition(i);
        const bool before = finder.isAtBoundary();
        finder.setPosition(i + 1);
        const char16_t c = probe[i].unicode();
        if (before && finder.isAtBoundary())
            table[c / 64] |= quint64(1) << (c % 64);
    }
    return table;
}

const quint64* table() {
    static const AloneBits built = buildTable();
    return built.data();
}

bool alone(const quint64* t, QChar c) {
    const char16_t u = c.unicode();
    return (t[u / 64] >> (u % 64)) & 1;
}

// The clusters of s as the boundary finder sees them.
qsizetype byFinder(QStringView s) {
    unsigned char buffer[1024]; // room for the finder's work on a short run
    const bool fits = s.size() < qsizetype(sizeof buffer) / 4;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s, fits ? buffer : nullptr,
                               fits ? qsizetype(sizeof buffer) : 0);
    qsizetype n = 0;
    while (finder.toNextBoundary() >= 0)
        ++n;
    return n;
}

} // namespace

qsizetype count(QStringView s) {
    const quint64* t = table();
    const QChar* u = s.data();
    const qsizetype n = s.size();
    qsizetype clusters = 0;
    qsizetype i = 0;
    while (i < n) {
        // A run of units that join nothing: a character each, but the last
        // one may begin a cluster with the unit after the run.
        qsizetype j = i;
        while (j < n && alone(t, u[j]))
            ++j;
        if (j == n)
            return clusters + (n - i);
        if (j > i) {
            clusters += j - 1 - i;
            i = j - 1;
        }
        // The finder takes what lies up to the next boundary that stands
        // whatever surrounds it.
        qsizetype end = j + 1;
        while (end < n && !(alone(t, u[end - 1]) && alone(t, u[end])))
            ++end;
        clusters += byFinder(s.sliced(i, end - i));
        i = end;
    }
    return clusters;
}

bool fixedBoundary(QStringView s, qsizetype i) {
    const quint64* t = table();
    return i > 0 && i < s.size() && alone(t, s[i - 1]) && alone(t, s[i]);
}

qsizetype nextFixedBoundary(QStringView s, qsizetype i) {
    for (i = std::max<qsizetype>(i, 1); i < s.size(); ++i) {
        if (fixedBoundary(s, i))
            return i;
    }
    return s.size();
}

bool holdsSpecial(QStringView s) {
    // A search for each (the toolkit's search for one unit is vectorised).
    for (const char16_t c : {u'\n', u'\r', char16_t(0x2028), char16_t(0x240D), char16_t(0xFFFD)}) {
        if (s.contains(QChar(c)))
            return true;
    }
    return false;
}

Tally tally(QStringView text) {
    Tally t;
    if (!holdsSpecial(text)) {
        t.chars = count(text);
        return t;
    }
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
            ++t.crLf;
            ++t.separators;
            ++i;
        } else if (c == u'\r') {
            ++t.cr;
        } else if (c == u'\n') {
            ++t.lf;
            ++t.separators;
        } else if (c == 0x2028) {
            ++t.separators;
        }
    }
    // Every line end is a cluster of its own.
    t.chars = count(text) - t.crLf - t.lf - t.cr;
    t.startsWithLf = text.startsWith(u'\n');
    t.endsWithCr = text.endsWith(u'\r');
    return t;
}

} // namespace graphemes
