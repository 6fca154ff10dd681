#include "editor/line_ends.h"

#include <algorithm>

// As stand-ins, lone line ends would make a whole text one block, which the
// toolkit lays out in one piece, far too slowly for a long file.
LineEnd lineEndOf(QStringView text) {
    const bool cr = text.contains(u'\r');
    const bool lf = text.contains(u'\n');
    if (lf && !cr)
        return LineEnd::Lf;
    if (cr && !lf)
        return LineEnd::Cr;
    return LineEnd::CrLf;
}

QStringView lineEndText(LineEnd lineEnd) {
    switch (lineEnd) {
    case LineEnd::Lf:
        return u"\n";
    case LineEnd::Cr:
        return u"\r";
    default:
        return u"\r\n";
    }
}

qsizetype longestLine(QStringView t, LineEnd lineEnd) {
    const QChar end(lineEnd == LineEnd::Cr ? u'\r' : u'\n');
    const bool crLf = lineEnd == LineEnd::CrLf;
    qsizetype longest = 0, lineStart = 0;
    for (qsizetype i = t.indexOf(end); i >= 0; i = t.indexOf(end, i + 1)) {
        if (crLf && (i == 0 || t[i - 1] != u'\r'))
            continue; // a lone LF stays inside its line
        longest = std::max(longest, i - lineStart - crLf);
        lineStart = i + 1;
    }
    return std::max(longest, t.size() - lineStart);
}

qsizetype outOfCrLf(QStringView t, qsizetype p) {
    if (p > 0 && p < t.size() && t[p - 1] == u'\r' && t[p] == u'\n')
        return p - 1;
    return p;
}
