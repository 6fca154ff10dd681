#include "search/matcher.h"

#include <QChar>
#include <QVarLengthArray>

#include <algorithm>
#include <array>

namespace search {

namespace {

using FoldTable = std::array<char16_t, 0x10000>;

// Full-width and half-width forms, and the ideographic space, carry a
// one-character <wide> or <narrow> compatibility mapping to their usual form.
char16_t widthFolded(char16_t c) {
    const QChar::Decomposition tag = QChar::decompositionTag(char32_t(c));
    if (tag != QChar::Wide && tag != QChar::Narrow)
        return c;
    const QString d = QChar::decomposition(char32_t(c));
    return d.size() == 1 ? d[0].unicode() : c;
}

// Hiragana and the hiragana iteration marks stand for their katakana.
char16_t kanaFolded(char16_t c) {
    if ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E)
        return char16_t(c + 0x60);
    return c;
}

char16_t caseFolded(char16_t c) {
    const char32_t f = QChar::toCaseFolded(char32_t(c));
    return f <= 0xFFFF ? char16_t(f) : c;
}

FoldTable buildTable() {
    FoldTable t{};
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const auto u = char16_t(c);
        t[c] = QChar::isSurrogate(c) ? u : caseFolded(kanaFolded(widthFolded(u)));
    }
    return t;
}

const FoldTable& table() {
    static const FoldTable t = buildTable();
    return t;
}

bool isSurrogateUnit(char16_t c) {
    return (c & 0xF800) == 0xD800;
}

// The folded unit at i when text[i] is a surrogate: a whole pair folds as the
// character it encodes; a lone surrogate stands for itself.
char16_t foldedSurrogateAt(const char16_t* s, qsizetype n, qsizetype i) {
    const char16_t c = s[i];
    char16_t high = 0;
    char16_t low = 0;
    bool first = false;
    if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
        high = c;
        low = s[i + 1];
        first = true;
    } else if (QChar::isLowSurrogate(c) && i > 0 && QChar::isHighSurrogate(s[i - 1])) {
        high = s[i - 1];
        low = c;
    } else {
        return c;
    }
    const char32_t f = QChar::toCaseFolded(QChar::surrogateToUcs4(high, low));
    if (!QChar::requiresSurrogates(f))
        return c;
    return first ? QChar::highSurrogate(f) : QChar::lowSurrogate(f);
}

inline char16_t foldedAt(const FoldTable& t, const char16_t* s, qsizetype n, qsizetype i) {
    const char16_t c = s[i];
    return isSurrogateUnit(c) ? foldedSurrogateAt(s, n, i) : t[c];
}

// A caret position: not between CR and LF, nor inside a surrogate pair.
bool isBoundary(const char16_t* s, qsizetype n, qsizetype p) {
    if (p <= 0 || p >= n)
        return true;
    const char16_t a = s[p - 1];
    const char16_t b = s[p];
    if (a == u'\r' && b == u'\n')
        return false;
    return !(QChar::isHighSurrogate(a) && QChar::isLowSurrogate(b));
}

} // namespace

char16_t foldUnit(char16_t c) {
    return table()[c];
}

qsizetype find(QStringView text, QStringView pattern, qsizetype from) {
    return find(text, pattern, from, text.size() + 1);
}

qsizetype find(QStringView text, QStringView pattern, qsizetype from, qsizetype startsBefore) {
    const auto* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    const qsizetype m = pattern.size();
    from = std::max<qsizetype>(from, 0);
    if (n == 0 || from > n || m > n - from)
        return -1;
    // The last position a match can start at.
    const qsizetype last = std::min(n - m, startsBefore - 1);
    if (m == 0) {
        for (qsizetype p = from; p <= last; ++p) {
            if (isBoundary(s, n, p))
                return p;
        }
        return -1;
    }

    const FoldTable& t = table();
    const auto* ps = reinterpret_cast<const char16_t*>(pattern.utf16());
    QVarLengthArray<char16_t, 256> folded(m);
    for (qsizetype k = 0; k < m; ++k)
        folded[k] = foldedAt(t, ps, m, k);
    const char16_t* pf = folded.constData();
    const char16_t first = pf[0];

    for (qsizetype i = from; i <= last; ++i) {
        const char16_t c = s[i];
        if ((isSurrogateUnit(c) ? foldedSurrogateAt(s, n, i) : t[c]) != first)
            continue;
        qsizetype k = 1;
        while (k < m && foldedAt(t, s, n, i + k) == pf[k])
            ++k;
        if (k == m && isBoundary(s, n, i) && isBoundary(s, n, i + m))
            return i;
    }
    return -1;
}

ReplaceAll replaceAll(QStringView text, QStringView target, QStringView replacement) {
    ReplaceAll r;
    if (target.isEmpty()) {
        r.text = text.toString();
        return r;
    }
    qsizetype done = 0; // text before this is already in r.text
    for (qsizetype p = find(text, target, 0); p >= 0; p = find(text, target, done)) {
        if (r.count == 0)
            r.text.reserve(text.size() +
                           std::max<qsizetype>(0, replacement.size() - target.size()));
        r.text.append(text.mid(done, p - done));
        r.text.append(replacement);
        r.caret = r.text.size();
        done = p + target.size();
        ++r.count;
    }
    if (r.count == 0) {
        r.text = text.toString();
        return r;
    }
    r.text.append(text.mid(done));
    return r;
}

} // namespace search
