#include "files/text_codec.h"

#include "platform/large_memory.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstdint>
#include <cstring>
#include <vector>

namespace textfile {

namespace {

constexpr const char* Codec = "windows-31j";

// The JIS forms of seven symbols that code page 932 holds under other names:
// input methods and other systems write 〜 − ‖ ¢ £ ¬ — where Microsoft's
// table has ～ － ∥ ￠ ￡ ￢ ―. They are written as those characters' bytes.
char16_t microsoftForm(char16_t c) {
    switch (c) {
    case 0x301C: // WAVE DASH
        return 0xFF5E;
    case 0x2212: // MINUS SIGN
        return 0xFF0D;
    case 0x2016: // DOUBLE VERTICAL LINE
        return 0x2225;
    case 0x00A2: // CENT SIGN
        return 0xFFE0;
    case 0x00A3: // POUND SIGN
        return 0xFFE1;
    case 0x00AC: // NOT SIGN
        return 0xFFE2;
    case 0x2014: // EM DASH
        return 0x2015;
    default:
        return c;
    }
}

// The text with the seven JIS forms in their Microsoft forms; untouched (and
// not copied) when it has none.
QString withMicrosoftForms(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && microsoftForm(text[i].unicode()) == text[i].unicode())
        ++i;
    if (i == n)
        return text;
    QString out = text;
    QChar* d = out.data();
    for (; i < n; ++i)
        d[i] = QChar(microsoftForm(d[i].unicode()));
    return out;
}

// Decides, one code point at a time, whether a character survives the trip
// through code page 932. Answers are remembered: a text repeats its
// characters far more often than it has different ones.
class Fitting {
public:
    bool fits(char32_t cp) {
        if (cp < 0x80)
            return true; // the ASCII half is the same in code page 932
        if (m_known.empty())
            m_known.assign(0x110000, Unknown);
        std::uint8_t& k = m_known[cp];
        if (k == Unknown)
            k = roundTrips(cp) ? Fits : DoesNotFit;
        return k == Fits;
    }

private:
    enum : std::uint8_t { Unknown, Fits, DoesNotFit };

    static bool roundTrips(char32_t cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            return false;
        if (cp <= 0xFFFF && microsoftForm(char16_t(cp)) != cp)
            return true; // written as its Microsoft form's bytes
        // Built by hand: the conversions from UTF-32 drop a leading U+FEFF.
        QString one;
        if (QChar::requiresSurrogates(cp))
            one = QString(QChar(QChar::highSurrogate(cp))) + QChar(QChar::lowSurrogate(cp));
        else
            one = QString(QChar(char16_t(cp)));
        QStringEncoder encoder(Codec);
        const QByteArray bytes = encoder.encode(one);
        // Characters without a place come out as a substitute, a best-fit
        // neighbour or nothing at all; only a true round trip counts.
        if (encoder.hasError() || bytes.isEmpty())
            return false;
        QStringDecoder decoder(Codec);
        const QString back = decoder.decode(bytes);
        return !decoder.hasError() && back == one;
    }

    std::vector<std::uint8_t> m_known;
};

// Calls f(position, length, fits) for each code point of the text.
template <typename F> void forEachCodePoint(const QString& text, F&& f) {
    Fitting fitting;
    const qsizetype n = text.size();
    const QChar* s = text.constData();
    for (qsizetype i = 0; i < n;) {
        const char16_t u = s[i].unicode();
        if (u < 0x80) {
            if (!f(i, 1, true))
                return;
            ++i;
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
            const char32_t cp = QChar::surrogateToUcs4(u, s[i + 1].unicode());
            if (!f(i, 2, fitting.fits(cp)))
                return;
            i += 2;
            continue;
        }
        if (!f(i, 1, fitting.fits(u)))
            return;
        ++i;
    }
}

// The code page's own table, taken once from the converter: what each byte
// and each pair of bytes reads as. Reading a file is then one pass through
// the table, about twice as fast as the converter; a byte or pair the table
// has no clean answer for (a substitute) leaves the rest of the text to the
// converter, which says what becomes of it.
class CodePageTable {
public:
    static const CodePageTable& instance() {
        static const CodePageTable table;
        return table;
    }

    // Reads bytes into `out` while the table knows them; returns how many
    // bytes it read, and in `written` how many units it wrote.
    qsizetype read(QByteArrayView bytes, char16_t* out, qsizetype& written) const {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const qsizetype n = bytes.size();
        qsizetype i = 0;
        qsizetype k = 0;
        while (i < n) {
            const unsigned c = p[i];
            if (!m_lead[c]) {
                const char16_t u = m_single[c];
                if (u == NoAnswer)
                    break;
                out[k++] = u;
                ++i;
                continue;
            }
            if (i + 1 >= n)
                break;
            const char16_t u = m_pair[(c << 8) | p[i + 1]];
            if (u == NoAnswer)
                break;
            out[k++] = u;
            i += 2;
        }
        written = k;
        return i;
    }

private:
    // No code page character reads as U+FFFF.
    static constexpr char16_t NoAnswer = 0xFFFF;

    CodePageTable() : m_pair(65536, NoAnswer) {
        QStringDecoder decoder(Codec);
        const auto answer = [&](const char* b, qsizetype n, char16_t& into) {
            decoder.resetState();
            const QString s = decoder.decode(QByteArrayView(b, n));
            if (s.isEmpty())
                return false; // waits for a second byte
            // A clean answer: one character, not a substitute.
            const char16_t u = s.size() == 1 ? s[0].unicode() : NoAnswer;
            const bool substitute = u == 0xFFFD || (u == 0x1A && !(n == 1 && b[0] == 0x1A));
            into = substitute ? NoAnswer : u;
            return true;
        };
        for (int c = 0; c < 256; ++c) {
            const char one = char(c);
            m_single[c] = NoAnswer;
            m_lead[c] = !answer(&one, 1, m_single[c]);
            if (!m_lead[c])
                continue;
            // A pair that still waits for more keeps no answer.
            for (int t = 0; t < 256; ++t) {
                const char two[2] = {one, char(t)};
                answer(two, 2, m_pair[(c << 8) | t]);
            }
        }
    }

    char16_t m_single[256];
    bool m_lead[256];
    std::vector<char16_t> m_pair;
};

using Flag = QStringConverter::Flag;
// Each call on its own, so a character cut off at the very end reads as
// U+FFFD instead of waiting for more; a U+FEFF inside the bytes is text.
constexpr QStringConverter::Flags Whole = Flag::Stateless | Flag::ConvertInitialBom;

QString decodeAs(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, Whole);
    return decoder.decode(bytes);
}

// An odd last byte is half a character: it shows as U+FFFD (the converter
// would drop a byte that stands alone).
QString decodeUtf16(QStringConverter::Encoding order, QByteArrayView bytes) {
    const qsizetype whole = bytes.size() & ~qsizetype(1);
    QString text = decodeAs(order, bytes.first(whole));
    if (whole < bytes.size())
        text.append(QChar(QChar::ReplacementCharacter));
    return text;
}

// Where the first byte beyond ASCII stands, or the length when there is none:
// eight bytes at a time.
qsizetype firstBeyondAscii(QByteArrayView bytes) {
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        if (word & 0x8080808080808080u)
            break;
    }
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80)
        ++i;
    return i;
}

// Bytes known to be valid UTF-8, in one pass of the converter.
QString decodeValidUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, Whole);
    // No byte reads as more than one unit; the decoder asks one more.
    QString out(bytes.size() + 1, Qt::Uninitialized);
    largememory::preferHugePages(out.data(), size_t(out.size()) * sizeof(QChar));
    QChar* const end = decoder.appendToBuffer(out.data(), bytes);
    out.truncate(end - out.constData());
    return out;
}

} // namespace

Encoding detectEncoding(const QByteArray& bytes) {
    const QByteArrayView all(bytes);
    if (all.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8Marked;
    if (all.startsWith("\xFF\xFE"))
        return Encoding::Utf16LE;
    if (all.startsWith("\xFE\xFF"))
        return Encoding::Utf16BE;
    // The ASCII before the first other byte is valid UTF-8 of itself.
    const qsizetype first = firstBeyondAscii(all);
    if (first < all.size() && all.sliced(first).isValidUtf8())
        return Encoding::Utf8;
    return Encoding::CodePage932;
}

QString decode(const QByteArray& bytes) {
    const QByteArrayView all(bytes);
    switch (detectEncoding(bytes)) {
    case Encoding::Utf8Marked:
        return decodeAs(QStringConverter::Utf8, all.sliced(3));
    case Encoding::Utf16LE:
        return decodeUtf16(QStringConverter::Utf16LE, all.sliced(2));
    case Encoding::Utf16BE:
        return decodeUtf16(QStringConverter::Utf16BE, all.sliced(2));
    case Encoding::Utf8:
        return decodeValidUtf8(all);
    case Encoding::CodePage932:
        break;
    }
    return decodeCodePage(bytes);
}

QString decodeCodePage(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return QString();
    // No byte reads as more than one unit: the text is at most as long.
    QString text(bytes.size(), Qt::Uninitialized);
    largememory::preferHugePages(text.data(), size_t(text.size()) * sizeof(QChar));
    qsizetype written = 0;
    const qsizetype known =
        CodePageTable::instance().read(bytes, reinterpret_cast<char16_t*>(text.data()), written);
    text.truncate(written);
    if (known == bytes.size())
        return text;
    // Every character before `known` is whole, so the converter starts there
    // as it would have after them.
    QStringDecoder decoder(Codec);
    text.append(decoder.decode(QByteArrayView(bytes).sliced(known)));
    // A lead byte cut off at the very end waits in the decoder for its second
    // half; a line end after it brings it out as a character of its own, so
    // no byte of the file vanishes. The line end is then taken off again.
    const QString tail = decoder.decode(QByteArrayView("\n", 1));
    text.append(QStringView(tail).chopped(1));
    return text;
}

QByteArray encode(const QString& text) {
    QStringEncoder encoder(Codec);
    return encoder.encode(withMicrosoftForms(text));
}

QByteArray encodeUtf8(const QString& text) {
    return text.toUtf8();
}

bool representable(const QString& text) {
    bool all = true;
    forEachCodePoint(text, [&](qsizetype, qsizetype, bool fits) {
        all = fits;
        return fits;
    });
    return all;
}

qsizetype countUnrepresentable(const QString& text) {
    qsizetype count = 0;
    forEachCodePoint(text, [&](qsizetype, qsizetype, bool fits) {
        count += fits ? 0 : 1;
        return true;
    });
    return count;
}

QString replaceUnrepresentable(const QString& text) {
    if (representable(text))
        return text;
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](qsizetype at, qsizetype length, bool fits) {
        if (fits)
            out.append(QStringView(text).mid(at, length));
        else
            out.append(u'?');
        return true;
    });
    return out;
}

} // namespace textfile
