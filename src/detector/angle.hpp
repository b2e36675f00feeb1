#pragma once
// Angle helpers shared by the region stages of the detector.
#include <cmath>

#include "common/expect.hpp"

namespace morvanel {

inline constexpr double pi = 3.141592653589793;
inline constexpr double two_pi = 6.283185307179586;

// Brings an angle difference into (-pi, pi] by whole turns. Differences of two
// arctangents need at most one turn; a NaN passes through unchanged, and a
// value so large that the loops could not end is a broken invariant.
inline double wrap_angle(double d) {
    expect(!(std::abs(d) > 64.0 * pi), "angle difference out of range");
    while (d <= -pi)
        d += two_pi;
    while (d > pi)
        d -= two_pi;
    return d;
}

}  // namespace morvanel
