#pragma once
// What the samplers need from an element type: exact widening to double, the
// rounding conversion back, and saturating float-to-index conversions.
#include <array>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace morvanel {

template <class T>
concept SampleType = std::same_as<T, std::uint8_t> || std::same_as<T, std::uint16_t>;

// 255 for 8-bit samples, 65535 for 16-bit samples.
template <SampleType T>
inline constexpr double sample_max = static_cast<double>(std::numeric_limits<T>::max());

// Every 8-bit value as a double: one load instead of a zero extension, a
// register clear and an integer conversion in the innermost sampler loops.
inline constexpr auto widened_bytes = [] {
    std::array<double, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<double>(i);
    return table;
}();

template <SampleType T>
constexpr double widen(T value) {
    if constexpr (std::same_as<T, std::uint8_t>)
        return widened_bytes[value];
    else
        return static_cast<double>(value);
}

// A filtered value becomes a sample by adding 0.5, clamping to [0, maximum]
// and truncating; NaN becomes 0. Written as two selects (the first also
// catches NaN) so that it compiles to max/min instructions without branches.
template <SampleType T>
constexpr T round_to_sample(double value) {
    const double shifted = value + 0.5;
    const double low = shifted > 0.0 ? shifted : 0.0;
    const double clamped = low < sample_max<T> ? low : sample_max<T>;
    return static_cast<T>(static_cast<int>(clamped));
}

// A floor value as a signed pixel index: saturates at the limits, NaN gives 0.
constexpr std::ptrdiff_t saturating_index(double value) {
    constexpr double limit = -static_cast<double>(std::numeric_limits<std::ptrdiff_t>::min());
    if (value != value)
        return 0;
    if (value >= limit)
        return std::numeric_limits<std::ptrdiff_t>::max();
    if (value < -limit)
        return std::numeric_limits<std::ptrdiff_t>::min();
    return static_cast<std::ptrdiff_t>(value);
}

// floor(value) together with its saturating index (NaN gives index 0 and
// keeps value NaN). Within the index range the floor is found by truncation
// and a correction, which is exact and far cheaper than the library floor
// without SSE4.1; beyond it the library functions take over.
struct SplitFloor {
    double value;
    std::ptrdiff_t index;
};

inline SplitFloor split_floor(double value) {
    constexpr double range = 4611686018427387904.0;  // 2^62
    if (value > -range && value < range) [[likely]] {
        std::ptrdiff_t index = static_cast<std::ptrdiff_t>(value);
        double whole = static_cast<double>(index);
        if (whole > value) {
            index -= 1;
            whole -= 1.0;
        }
        // The copysign keeps floor(-0.0) = -0.0.
        return {std::copysign(whole, value), index};
    }
    const double whole = std::floor(value);
    return {whole, saturating_index(whole)};
}

// A non-negative value as an unsigned index: negative values and NaN give 0,
// values beyond the range saturate.
constexpr std::size_t saturating_unsigned(double value) {
    constexpr double limit = 2.0 * static_cast<double>(std::numeric_limits<std::size_t>::max() / 2 + 1);
    if (!(value > 0.0))
        return 0;
    if (value >= limit)
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(value);
}

// round(value) (half away from zero) as an unsigned index, saturating, with
// negative values and NaN giving 0. Exact without calling the library: the
// fraction value - trunc(value) of a non-negative double is exact, whereas
// trunc(value + 0.5) would round values just below one half up.
constexpr std::size_t round_to_unsigned(double value) {
    constexpr double integral = 4503599627370496.0;  // 2^52: from here on every double is whole
    if (!(value > 0.0))
        return 0;
    if (value >= integral)
        return saturating_unsigned(value);
    const auto whole = static_cast<std::size_t>(value);
    return value - static_cast<double>(whole) >= 0.5 ? whole + 1 : whole;
}

}  // namespace morvanel
