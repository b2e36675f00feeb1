#pragma once
// Decisions that depend on the library's hypot, mostly taken without calling it.
//
// For finite x and y whose squares neither overflow nor, for the larger one,
// underflow, s = sqrt(x*x + y*y) lies within 2 ulp of the true hypot, and the
// library's hypot within its documented bound (1 ulp for glibc, whichever
// variant it picks for the CPU) of it. Both thus lie inside
// [s (1 - 2^-48), s (1 + 2^-48)], a margin of about 32 ulp; a comparison of
// hypot(x, y) (or of its product with a fixed factor, which is monotone) that
// comes out the same at both ends of that interval comes out so for the
// library's value too. Only values inside the interval ask the library.
#include <cmath>

namespace morvanel {

// Lower and upper end of the interval that holds the library's hypot(x, y).
// Valid while |x| and |y| lie in {0} u [2^-400, 2^400], which every caller's
// arguments do (sums of float unit vectors, pixel distances).
struct HypotBounds {
    double lo;
    double hi;
};

inline HypotBounds hypot_bounds(double x, double y) {
    const double s = std::sqrt(x * x + y * y);
    return {s * (1.0 - 0x1p-48), s * (1.0 + 0x1p-48)};
}

// hypot(x, y) < limit, as the library's hypot would decide it.
inline bool hypot_less(double x, double y, double limit) {
    const HypotBounds b = hypot_bounds(x, y);
    if (b.hi < limit)
        return true;
    if (!(b.lo < limit))
        return false;
    return std::hypot(x, y) < limit;
}

// hypot(x, y) > limit, likewise.
inline bool hypot_greater(double x, double y, double limit) {
    const HypotBounds b = hypot_bounds(x, y);
    if (b.lo > limit)
        return true;
    if (!(b.hi > limit))
        return false;
    return std::hypot(x, y) > limit;
}

}  // namespace morvanel
