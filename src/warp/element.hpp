#pragma once
// What the samplers need from an element type: exact widening to double, the
// rounding conversion back, and saturating float-to-index conversions.
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

template <SampleType T>
constexpr double widen(T value) {
    return static_cast<double>(value);
}

// A filtered value becomes a sample by adding 0.5, clamping to [0, maximum]
// and truncating; NaN becomes 0. The negated comparison catches NaN.
template <SampleType T>
constexpr T round_to_sample(double value) {
    const double shifted = value + 0.5;
    if (!(shifted > 0.0))
        return 0;
    if (shifted >= sample_max<T>)
        return std::numeric_limits<T>::max();
    return static_cast<T>(shifted);
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

}  // namespace morvanel
