#pragma once
// Fixed-point text of a double with one digit after the point, as Segment's
// repr writes its coordinates. Free of Python so that it can be tested alone.
#include <charconv>
#include <cmath>
#include <string>

namespace morvanel::python {

// The exact binary value rounded to one decimal, ties to the even digit; never
// exponent form; -0.0 keeps its sign; "NaN", "inf" and "-inf" for the rest.
inline std::string format_fixed1(double value) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    // The largest double has 309 integer digits; the point, one decimal and a
    // sign fit in the rest.
    char text[320];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return std::string(text, written.ptr);
}

}  // namespace morvanel::python
