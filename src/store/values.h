#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>

// The forms in which values live in the settings store: every value is a
// string, and these helpers read and write numbers, flags and colours.
namespace values {

// The leading decimal number of a text: blanks skipped, an optional sign,
// digits with an optional "." and fraction, an optional exponent.
// Text that does not start with a number, and the empty text, give 0.
double number(QStringView text);

// Rounds to the nearest integer, halves to the even neighbour; values beyond
// the 32-bit range are clamped, NaN gives 0.
std::int32_t roundEven(double value);

// number() rounded to an integer.
std::int32_t integer(QStringView text);

// "True" and any non-zero number are true; "False", "0", "" and other text false.
bool flag(QStringView text);
QString flagText(bool value); // "True" / "False"

// Plain decimal text with "." and at most four decimals: 12 -> "12", 10.5 -> "10.5".
QString numberText(double value);

// 32-bit colour values: 0x00BBGGRR for RGB, 0x80000000 + n for system colour n.
constexpr std::int32_t systemColour(std::uint32_t n) {
    return static_cast<std::int32_t>(0x80000000u | (n & 0xFFFFFFu));
}
constexpr std::int32_t windowTextColour = systemColour(8);
constexpr bool isSystemColour(std::int32_t v) {
    return v < 0;
}
constexpr std::int32_t rgbValue(int r, int g, int b) {
    return static_cast<std::int32_t>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

} // namespace values
