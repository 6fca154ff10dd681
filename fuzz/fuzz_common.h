#pragma once

// Shared by the fuzz targets: reading an input as text, and failing loudly.

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// What a target did with the current input, printed when a promise breaks.
inline QString& fuzzTrace() {
    static QString trace;
    return trace;
}

// Units shown readably: control characters and everything beyond ASCII as \uXXXX.
inline QString readable(const QString& s) {
    QString out;
    for (QChar c : s)
        out += c.unicode() >= 0x20 && c.unicode() < 0x7f
                   ? QString(c)
                   : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'));
    return out;
}

// A broken promise: print what was promised and abort, so libFuzzer keeps
// the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s\nbroken: %s (%s:%d)\n", qPrintable(fuzzTrace()), #condition,  \
                         __FILE__, __LINE__);                                                      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// The bytes as UTF-16 units, two bytes each (lone surrogates included).
inline QString unitsOf(const std::uint8_t* data, std::size_t size) {
    QString s(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(s.data(), data, (size / 2) * 2);
    return s;
}

// Reads input bytes in order; past the end it gives zeros.
struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool done() const { return at >= size; }
    std::uint8_t next() { return at < size ? data[at++] : 0; }
};
