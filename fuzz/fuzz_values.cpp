// The value forms of the store: reading any text as a number or a flag never
// fails, and every number written reads back as the same text.

#include "fuzz_common.h"
#include "store/values.h"

#include <QRegularExpression>
#include <cmath>

namespace {

void checkNumberText(double v) {
    const QString text = values::numberText(v);
    static const QRegularExpression form(QStringLiteral("^-?[0-9]+(\\.[0-9]{1,4})?$"));
    FUZZ_CHECK(form.match(text).hasMatch());
    const double back = values::number(text);
    FUZZ_CHECK(std::isfinite(back));
    // Written once more, the value gives the same text: what is stored is stable.
    FUZZ_CHECK(values::numberText(back) == text);
    if (std::isfinite(v) && std::abs(v) < 1e12)
        FUZZ_CHECK(std::abs(back - v) <= 0.00005 + std::abs(v) * 1e-15);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const QString& text :
         {QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)),
          unitsOf(data, size)}) {
        const double n = values::number(text);
        FUZZ_CHECK(std::isfinite(n));
        FUZZ_CHECK(values::integer(text) == values::roundEven(n));
        // A flag is true exactly for "True" or a number other than 0.
        const bool f = values::flag(text);
        if (n != 0)
            FUZZ_CHECK(f);
        FUZZ_CHECK(values::flag(values::flagText(f)) == f);
        checkNumberText(n);
    }
    if (size >= sizeof(double)) {
        double v;
        std::memcpy(&v, data, sizeof v);
        checkNumberText(v);
        const std::int32_t r = values::roundEven(v);
        if (std::isfinite(v) && std::abs(v) < 2e9)
            FUZZ_CHECK(std::abs(double(r) - v) <= 0.5);
    }
    return 0;
}
