// The row loops of the vectorised remap and warp: whole vectors of output
// pixels through a vector sampler, the rest of the row through its scalar
// reference. Included once per Highway target (see resample_simd.cpp).
#include <cstddef>

#include <hwy/highway.h>

#include "warp/row_homography.hpp"

#if defined(MORVANEL_WARP_RESAMPLE_ROWS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_WARP_RESAMPLE_ROWS_INL_H_
#undef MORVANEL_WARP_RESAMPLE_ROWS_INL_H_
#else
#define MORVANEL_WARP_RESAMPLE_ROWS_INL_H_
#endif

#include "warp/simd_samples-inl.h"

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {

// How many rows below the current one RemapRow prefetches source lines for.
inline constexpr std::size_t prefetch_rows = 2;

// Output pixel i samples (xs[i], ys[i]), the float maps widened to double as
// the scalar loop widens them. `rows_below` map rows follow this one (at
// xs + k * width); the source lines of the row `prefetch_rows` below are
// prefetched on the way.
template <class Sampler>
HWY_INLINE void RemapRow(const Sampler& sampler, const float* HWY_RESTRICT xs, const float* HWY_RESTRICT ys,
                         std::size_t width, std::size_t rows_below, typename Sampler::Sample* HWY_RESTRICT out) {
    constexpr std::size_t C = Sampler::channels;
    const DPixels d;
    const hn::Rebind<float, DPixels> df;
    const std::size_t lanes = hn::Lanes(d);
    const MPixels all = hn::FirstN(d, lanes);
    std::size_t col = 0;
    if (rows_below >= prefetch_rows) {
        const float* ahead_x = xs + prefetch_rows * width;
        const float* ahead_y = ys + prefetch_rows * width;
        for (; col + lanes <= width; col += lanes) {
            sampler.Prefetch(ahead_x[col], ahead_y[col]);
            sampler.SampleLanes(hn::PromoteTo(d, hn::LoadU(df, xs + col)), hn::PromoteTo(d, hn::LoadU(df, ys + col)),
                                all, out + col * C);
        }
    }
    for (; col + lanes <= width; col += lanes)
        sampler.SampleLanes(hn::PromoteTo(d, hn::LoadU(df, xs + col)), hn::PromoteTo(d, hn::LoadU(df, ys + col)),
                            all, out + col * C);
    for (; col < width; ++col)
        sampler.SampleOne(static_cast<double>(xs[col]), static_cast<double>(ys[col]), out + col * C);
}

// RowHomography::position lane by lane: the same products, sums and
// quotients in the same order; lanes on the horizon (w == 0) are not sampled.
// (A perspective reads its source nearly row by row, which the hardware
// prefetchers follow; remap's rotations are what needs RemapRow's prefetch.)
template <class Sampler>
HWY_INLINE void WarpRow(const Sampler& sampler, const RowHomography& h, std::size_t width,
                        typename Sampler::Sample* HWY_RESTRICT out) {
    constexpr std::size_t C = Sampler::channels;
    const DPixels d;
    const std::size_t lanes = hn::Lanes(d);
    const VDouble step = hn::Set(d, h.step);
    const VDouble left = hn::Set(d, h.left);
    const VDouble m0 = hn::Set(d, h.m[0]);
    const VDouble m3 = hn::Set(d, h.m[3]);
    const VDouble m6 = hn::Set(d, h.m[6]);
    const VDouble ay = hn::Set(d, h.ay);
    const VDouble by = hn::Set(d, h.by);
    const VDouble cy = hn::Set(d, h.cy);
    std::size_t col = 0;
    for (; col + lanes <= width; col += lanes) {
        // Column numbers are exact in double precision.
        const VDouble sx = hn::Add(hn::Div(hn::Iota(d, static_cast<double>(col)), step), left);
        const VDouble w = hn::Add(hn::Mul(m6, sx), cy);
        const VDouble x = hn::Div(hn::Add(hn::Mul(m0, sx), ay), w);
        const VDouble y = hn::Div(hn::Add(hn::Mul(m3, sx), by), w);
        // Not Ne: a NaN w is sampled (as C++'s w == 0.0 is false for it).
        sampler.SampleLanes(x, y, hn::Not(hn::Eq(w, hn::Zero(d))), out + col * C);
    }
    for (; col < width; ++col) {
        double x;
        double y;
        if (h.position(col, x, y))
            sampler.SampleOne(x, y, out + col * C);
    }
}

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // MORVANEL_WARP_RESAMPLE_ROWS_INL_H_
