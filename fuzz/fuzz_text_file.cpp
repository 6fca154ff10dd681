// Code page 932: any bytes decode without harm, and a text that fits the code
// page is written as bytes that read back and are written again unchanged;
// a text that does not fit is told exactly.

#include "files/text_file.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString decoded = textfile::decode(bytes);
    FUZZ_CHECK(decoded.size() <= bytes.size());

    for (const QString& t : {decoded, unitsOf(data, size)}) {
        const qsizetype missing = textfile::countUnrepresentable(t);
        FUZZ_CHECK(textfile::representable(t) == (missing == 0));
        if (missing == 0) {
            // Each character is written as one, and what is written reads
            // back as text written as the same bytes.
            const QByteArray bytes = textfile::encode(t);
            FUZZ_CHECK(textfile::decode(bytes).size() == t.size());
            FUZZ_CHECK(textfile::encode(textfile::decode(bytes)) == bytes);
        }
        const QString fitted = textfile::replaceUnrepresentable(t);
        FUZZ_CHECK(textfile::representable(fitted));
        FUZZ_CHECK(fitted.count(u'?') == t.count(u'?') + missing);
        FUZZ_CHECK(fitted.size() <= t.size());
    }
    return 0;
}
