// The matching rule of Find and Replace: a match lies inside the text, never
// starts or ends inside a CR LF or a surrogate pair, is the first one at or
// after the start, and replacing all of them changes exactly those places.

#include "fuzz_common.h"
#include "search/matcher.h"

namespace {

// Units the input picks from: case pairs, width pairs, kana pairs, line ends
// and surrogates, where the rule has most to decide.
constexpr char16_t Alphabet[] = {u'a',   u'A',   u'b',   u'B',   u'\r',
                                 u'\n',  u' ',   0x3000, 0xFF21, 0xFF41, // Ａ ａ
                                 u'0',   0xFF10, 0x3042, 0x30A2, 0xFF71,
                                 0x03A3, 0x03C3, 0x03C2, 0x0130, 0x0131, // ０ あ ア ｱ Σ σ ς İ ı
                                 0xD801, 0xDC00, 0xDC28, 0xD83D, 0xDE00,
                                 0x0000, 0x00DF, 0x1E9E, 0x212A, u'k'}; // 𐐀 𐐨 😀 ß ẞ K

QString pick(Bytes& in, int count) {
    QString s;
    for (int i = 0; i < count; ++i)
        s += QChar(Alphabet[in.next() % std::size(Alphabet)]);
    return s;
}

bool isBoundary(const QString& t, qsizetype p) {
    if (p <= 0 || p >= t.size())
        return true;
    if (t[p - 1] == u'\r' && t[p] == u'\n')
        return false;
    return !(t[p - 1].isHighSurrogate() && t[p].isLowSurrogate());
}

bool hasSurrogate(const QString& s) {
    for (QChar c : s)
        if (c.isSurrogate())
            return true;
    return false;
}

// Unit-by-unit folding: the whole rule where no surrogate is involved.
qsizetype naiveFind(const QString& text, const QString& pattern, qsizetype from) {
    const qsizetype n = text.size(), m = pattern.size();
    if (n == 0)
        return -1;
    for (qsizetype p = std::max<qsizetype>(from, 0); p + m <= n; ++p) {
        if (!isBoundary(text, p) || !isBoundary(text, p + m))
            continue;
        qsizetype k = 0;
        while (k < m &&
               search::foldUnit(text[p + k].unicode()) == search::foldUnit(pattern[k].unicode()))
            ++k;
        if (k == m)
            return p;
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in{data, size};
    const int textLength = in.next() % 48;
    const int patternLength = in.next() % 6;
    const qsizetype from = qsizetype(in.next() % 56) - 4;
    const QString text = pick(in, textLength);
    const QString pattern = pick(in, patternLength);
    const QString replacement = pick(in, in.next() % 4);

    for (QChar c : text + pattern) {
        const char16_t f = search::foldUnit(c.unicode());
        FUZZ_CHECK(search::foldUnit(f) == f); // folding twice changes nothing
    }

    const qsizetype p = search::find(text, pattern, from);
    if (p >= 0) {
        FUZZ_CHECK(p >= std::max<qsizetype>(from, 0));
        FUZZ_CHECK(p + pattern.size() <= text.size());
        FUZZ_CHECK(isBoundary(text, p) && isBoundary(text, p + pattern.size()));
    }
    // A search in slices finds the same: a slice that ends before p finds
    // nothing, one that takes in p finds p.
    const qsizetype until = qsizetype(in.next() % 56) - 4;
    FUZZ_CHECK(search::find(text, pattern, from, until) == (p >= 0 && p < until ? p : -1));
    if (!hasSurrogate(text) && !hasSurrogate(pattern)) {
        FUZZ_CHECK(p == naiveFind(text, pattern, from));
    } else if (!pattern.isEmpty()) {
        // The same units at a caret position are always found, there or before.
        const qsizetype exact = text.indexOf(pattern, std::max<qsizetype>(from, 0));
        if (exact >= 0 && isBoundary(text, exact) && isBoundary(text, exact + pattern.size()))
            FUZZ_CHECK(p >= 0 && p <= exact);
    }

    const search::ReplaceAll r = search::replaceAll(text, pattern, replacement);
    FUZZ_CHECK(r.count >= 0);
    FUZZ_CHECK(r.text.size() == text.size() + r.count * (replacement.size() - pattern.size()));
    if (r.count == 0) {
        FUZZ_CHECK(r.text == text);
        FUZZ_CHECK(r.caret == 0);
    } else {
        FUZZ_CHECK(r.caret >= replacement.size() && r.caret <= r.text.size());
        FUZZ_CHECK(r.text.mid(r.caret - replacement.size(), replacement.size()) == replacement);
        const qsizetype first = search::find(text, pattern, 0);
        FUZZ_CHECK(first >= 0 && r.text.left(first) == text.left(first)); // untouched before it
    }
    if (pattern.isEmpty())
        FUZZ_CHECK(r.count == 0);
    return 0;
}
