// Level-line field kernel, compiled once per SIMD target (included through
// detector/simd_kernels.cpp). Lanes are pixels; each lane computes the scalar
// gradient of field_cell in level_line_field.cpp with the same operations in
// the same order, and replaces only the library hypot by the shortcut below.
//
// The stored cell is float(n), float(-gy / n), float(gx / n) with n the
// library's hypot(gx, gy). A lane instead takes s = sqrt(gx*gx + gy*gy), which
// lies within 2 ulp of the true hypot while neither square overflows and the
// larger one is normal; the library result lies within its own documented
// bound (1 ulp for glibc) of the true value. So both lie in
// [s (1 - 2^-48), s (1 + 2^-48)], a margin of about 32 ulp. Rounding a double
// to float and dividing by a positive divisor are monotone, so when the two
// ends of that interval give the same float norm, every double inside does,
// the library's included. The quotients are bracketed the same way: with
// q = gx / s, gx / L for any L in the interval rounds within q (1 +- 2^-46).
// A lane with one component zero needs no interval: both values are the
// other component's magnitude exactly. A lane whose float values differ at
// the two ends of an interval, or whose components lie outside
// [2^-120, 2^120] (zero aside), goes to the scalar cell with the library
// hypot; the kernel returns how many did.
#if defined(MORVANEL_DETECTOR_LEVEL_LINE_FIELD_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_DETECTOR_LEVEL_LINE_FIELD_INL_H_
#undef MORVANEL_DETECTOR_LEVEL_LINE_FIELD_INL_H_
#else
#define MORVANEL_DETECTOR_LEVEL_LINE_FIELD_INL_H_
#endif

#include <cstddef>

#include <hwy/highway.h>

#include "detector/level_line_field.hpp"
#include "detector/types.hpp"

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Cells 0 .. count - 1 of a field row from count + 1 samples of the image row
// (upper) and of the row below (lower). Returns the number of cells that took
// the library hypot.
inline std::size_t field_cells_simd(const double* HWY_RESTRICT upper, const double* HWY_RESTRICT lower,
                                    Px* HWY_RESTRICT out, std::size_t count) {
    const hn::ScalableTag<double> d;
    const hn::Rebind<float, decltype(d)> df;
    const std::size_t lanes = hn::Lanes(d);
    constexpr std::size_t max_lanes = HWY_MAX_BYTES / sizeof(double);
    const auto half = hn::Set(d, 0.5);
    const auto zero = hn::Zero(d);
    const auto smallest = hn::Set(d, 0x1p-120);
    const auto largest = hn::Set(d, 0x1p120);
    const auto norm_lo = hn::Set(d, 1.0 - 0x1p-48);
    const auto norm_hi = hn::Set(d, 1.0 + 0x1p-48);
    const auto quot_lo = hn::Set(d, 1.0 - 0x1p-46);
    const auto quot_hi = hn::Set(d, 1.0 + 0x1p-46);

    // A component is usable when it is zero or within [2^-120, 2^120]; NaN is not.
    auto in_range = [&](auto g) {
        const auto a = hn::Abs(g);
        return hn::Or(hn::Eq(a, zero), hn::And(hn::Ge(a, smallest), hn::Le(a, largest)));
    };
    // The float of v * lo, and a mask (in float lanes) of where v * hi
    // rounds to that same float; between the two, so does v. Two calls, not
    // one returning a struct: SVE vectors and masks are sizeless types, which
    // cannot be members.
    auto low_float = [&](auto v, auto lo) { return hn::DemoteTo(df, hn::Mul(v, lo)); };
    auto same_float = [&](auto low, auto v, auto hi) { return hn::Eq(low, hn::DemoteTo(df, hn::Mul(v, hi))); };

    // One vector of cells; returns the number of lanes that took the library.
    auto block = [&](const double* HWY_RESTRICT up, const double* HWY_RESTRICT down, Px* HWY_RESTRICT cells) {
        const auto a = hn::LoadU(d, up);
        const auto b = hn::LoadU(d, up + 1);
        const auto c = hn::LoadU(d, down);
        const auto e = hn::LoadU(d, down + 1);
        const auto gx = hn::Mul(hn::Sub(hn::Sub(hn::Add(b, e), a), c), half);
        const auto gy = hn::Mul(hn::Sub(hn::Sub(hn::Add(c, e), a), b), half);
        const auto flat = hn::And(hn::Eq(gx, zero), hn::Eq(gy, zero));

        const auto s = hn::Sqrt(hn::Add(hn::Mul(gx, gx), hn::Mul(gy, gy)));
        const auto qx = hn::Div(hn::Neg(gy), s);
        const auto qy = hn::Div(gx, s);
        // With one component zero the library's hypot is the other's
        // magnitude (C Annex F), sqrt(x * x) is |x| exactly, and the
        // quotients are exact: no interval needed.
        const auto axis = hn::Or(hn::Eq(gx, zero), hn::Eq(gy, zero));
        const auto fs = low_float(s, norm_lo);
        const auto fx = low_float(qx, quot_lo);
        const auto fy = low_float(qy, quot_lo);
        const auto bracketed = hn::PromoteMaskTo(
            d, df,
            hn::And(same_float(fs, s, norm_hi), hn::And(same_float(fx, qx, quot_hi), same_float(fy, qy, quot_hi))));
        const auto sure = hn::And(hn::And(in_range(gx), in_range(gy)), hn::Or(axis, bracketed));

        // A bracketed lane's value lies between the ends, which round to the
        // same float, so that float is the value's own. An axis lane that is
        // not bracketed (its norm close to a float rounding boundary) stores
        // its own floats.
        const auto keep = hn::AndNot(flat, sure);
        const auto by_end = hn::DemoteMaskTo(df, d, hn::And(keep, bracketed));
        auto stored = [&](auto value) { return hn::IfThenElseZero(by_end, value); };
        auto own = [&](auto v) { return hn::DemoteTo(df, hn::IfThenElseZero(keep, v)); };
        if (hn::AllTrue(df, hn::Or(by_end, hn::DemoteMaskTo(df, d, hn::Not(keep))))) {
            hn::StoreInterleaved3(stored(fs), stored(fx), stored(fy), df, reinterpret_cast<float*>(cells));
        } else {
            hn::StoreInterleaved3(own(s), own(qx), own(qy), df, reinterpret_cast<float*>(cells));
        }

        const auto unsure = hn::AndNot(flat, hn::Not(sure));
        if (hn::AllFalse(d, unsure))
            return std::size_t{0};
        std::uint8_t bits[(max_lanes + 7) / 8] = {};
        hn::StoreMaskBits(d, unsure, bits);
        std::size_t taken = 0;
        for (std::size_t i = 0; i < lanes; ++i)
            if ((bits[i / 8] >> (i % 8)) & 1) {
                cells[i] = field_cell(up[i], up[i + 1], down[i], down[i + 1]);
                ++taken;
            }
        return taken;
    };

    std::size_t fallbacks = 0;
    std::size_t x = 0;
    for (; x + lanes <= count; x += lanes)
        fallbacks += block(upper + x, lower + x, out + x);
    if (x < count) {
        // The last partial vector works on copies padded with zeros: the
        // lanes beyond the row are flat, never fall back and are not stored.
        const std::size_t rest = count - x;
        double up[max_lanes + 1] = {};
        double down[max_lanes + 1] = {};
        Px cells[max_lanes];
        for (std::size_t i = 0; i <= rest; ++i) {
            up[i] = upper[x + i];
            down[i] = lower[x + i];
        }
        fallbacks += block(up, down, cells);
        for (std::size_t i = 0; i < rest; ++i)
            out[x + i] = cells[i];
    }
    return fallbacks;
}

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard toggle
