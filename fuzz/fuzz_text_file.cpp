// Reading text files: any bytes are read by the one rule (a mark, then valid
// UTF-8, then code page 932) without harm and without a byte vanishing.
// Code page 932: a text that fits the code page is written as bytes that read
// back and are written again unchanged; a text that does not fit is told
// exactly.

#include "files/text_codec.h"
#include "fuzz_common.h"

#include <QList>

namespace {

using textfile::Encoding;

// Whether the bytes are UTF-8 throughout: shortest forms only, no
// surrogates, nothing beyond U+10FFFF. Written here from the definition of
// UTF-8, so the program's reading is checked against a second opinion.
bool validUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned c = p[i];
        int more = 0;
        unsigned low = 0x80, high = 0xBF; // the range of the second byte
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + more >= n)
            return false;
        if (p[i + 1] < low || p[i + 1] > high)
            return false;
        for (int k = 2; k <= more; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        i += more + 1;
    }
    return true;
}

Encoding expectedEncoding(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8Marked;
    if (bytes.startsWith("\xFF\xFE"))
        return Encoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return Encoding::Utf16BE;
    bool beyondAscii = false;
    for (char b : bytes)
        beyondAscii |= static_cast<unsigned char>(b) >= 0x80;
    return beyondAscii && validUtf8(bytes) ? Encoding::Utf8 : Encoding::CodePage932;
}

QString asciiOf(QStringView s) {
    QString out;
    for (QChar c : s)
        if (c.unicode() < 0x80)
            out += c;
    return out;
}
QString asciiOf(QByteArrayView bytes) {
    QString out;
    for (char b : bytes)
        if (static_cast<unsigned char>(b) < 0x80)
            out += QLatin1Char(b);
    return out;
}

// Read as `as`, the text keeps every byte of the file in view.
void checkNothingVanished(const QByteArray& bytes, Encoding as, const QString& read) {
    switch (as) {
    case Encoding::Utf8:
        FUZZ_CHECK(read.toUtf8() == bytes);
        break;
    case Encoding::Utf8Marked: {
        const QByteArrayView rest = QByteArrayView(bytes).sliced(3);
        if (validUtf8(rest))
            FUZZ_CHECK(read.toUtf8() == rest);
        else
            FUZZ_CHECK(read.contains(QChar(0xFFFD)));
        // An ASCII byte is never taken into a bad sequence.
        FUZZ_CHECK(asciiOf(QStringView(read)) == asciiOf(rest));
        break;
    }
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        const qsizetype n = bytes.size() - 2;
        FUZZ_CHECK(read.size() == (n + 1) / 2);
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + 2;
        for (qsizetype i = 0; i < n / 2; ++i) {
            const unsigned a = p[2 * i], b = p[2 * i + 1];
            const char16_t unit =
                as == Encoding::Utf16LE ? char16_t(a | b << 8) : char16_t(a << 8 | b);
            FUZZ_CHECK(read[i].unicode() == unit);
        }
        if (n % 2)
            FUZZ_CHECK(read.back() == QChar(0xFFFD));
        break;
    }
    case Encoding::CodePage932:
        FUZZ_CHECK(read == textfile::decodeCodePage(bytes));
        // Each character comes from one byte or two.
        FUZZ_CHECK(read.size() <= bytes.size() && 2 * read.size() >= bytes.size());
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Encoding as = textfile::detectEncoding(bytes);
    const QString read = textfile::decode(bytes);
    FUZZ_CHECK(as == expectedEncoding(bytes));
    checkNothingVanished(bytes, as, read);

    const QString decoded = textfile::decodeCodePage(bytes);
    FUZZ_CHECK(decoded.size() <= bytes.size());
    QList<QString> texts = {decoded, unitsOf(data, size)};
    if (as != Encoding::CodePage932)
        texts << read;
    for (const QString& t : texts) {
        const qsizetype missing = textfile::countUnrepresentable(t);
        FUZZ_CHECK(textfile::representable(t) == (missing == 0));
        if (missing == 0) {
            // Each character is written as one, and what is written reads
            // back as text written as the same bytes.
            const QByteArray bytes = textfile::encode(t);
            FUZZ_CHECK(textfile::decodeCodePage(bytes).size() == t.size());
            FUZZ_CHECK(textfile::encode(textfile::decodeCodePage(bytes)) == bytes);
        }
        const QString fitted = textfile::replaceUnrepresentable(t);
        FUZZ_CHECK(textfile::representable(fitted));
        FUZZ_CHECK(fitted.count(u'?') == t.count(u'?') + missing);
        FUZZ_CHECK(fitted.size() <= t.size());
    }
    return 0;
}
