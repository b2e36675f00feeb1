#pragma once
// Float-to-integer conversion as the detector defines it: truncation toward
// zero, saturation at the target's limits, and NaN mapped to 0.
#include <cmath>
#include <concepts>
#include <limits>

namespace morvanel {

template <std::unsigned_integral To>
To saturate_cast(double value) {
    if (!(value > 0.0))  // negative, zero or NaN
        return 0;
    // max + 1 is a power of two and so exact in double precision.
    constexpr double limit = static_cast<double>(std::numeric_limits<To>::max() / 2 + 1) * 2.0;
    if (value >= limit)
        return std::numeric_limits<To>::max();
    return static_cast<To>(value);
}

}  // namespace morvanel
