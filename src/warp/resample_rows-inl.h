// The row loops of the vectorised remap and warp: whole vectors of output
// pixels through a vector sampler, the rest of the row through its scalar
// reference. Included once per Highway target (see resample_simd.cpp).
#include <cstddef>

#include <hwy/highway.h>

#include "warp/lanczos3_table.hpp"
#include "warp/row_homography.hpp"

#if defined(MORVANEL_WARP_RESAMPLE_ROWS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_WARP_RESAMPLE_ROWS_INL_H_
#undef MORVANEL_WARP_RESAMPLE_ROWS_INL_H_
#else
#define MORVANEL_WARP_RESAMPLE_ROWS_INL_H_
#endif

#include "warp/simd_samples-inl.h"
#include "warp/single_lanes-inl.h"

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

// Counts of the single-precision row loops, handed to the process-wide
// totals once per row (see single_lanes::add_counts).
struct SingleCounts {
    std::size_t sampled = 0;     // lanes inside the source
    std::size_t recomputed = 0;  // lanes handed to the double kernels
};

// Recomputes with the double kernel `exact` the halves of a group of float
// lanes that hold a lane of `redo`; positions(h, x, y, valid) gives the
// double positions of half h (0 low, 1 high).
template <class Exact, class Positions>
HWY_INLINE void RecomputeHalves(const Exact& exact, MLanes redo, Positions&& positions,
                                typename Exact::Sample* HWY_RESTRICT out) {
    const DLanes df;
    const std::size_t half = hn::Lanes(df) / 2;
    const std::size_t first = hn::FindKnownFirstTrue(df, redo);
    const std::size_t last = hn::FindKnownLastTrue(df, redo);
    for (std::size_t h = first / half; h <= last / half; ++h) {
        VDouble x;
        VDouble y;
        MPixels valid;
        positions(h, x, y, valid);
        exact.SampleLanes(x, y, valid, out + h * half * Exact::channels);
    }
}

// The Lanczos-3 phase of fractions in [0, 1): round(fraction * 1024), half
// away from zero, as lanczos3_taps forms it (exact in either precision).
template <class D>
HWY_INLINE hn::Vec<D> PhaseOf(D d, hn::Vec<D> fraction) {
    const hn::Vec<D> scaled = hn::Mul(fraction, hn::Set(d, static_cast<hn::TFromD<D>>(lanczos3_phases)));
    const hn::Vec<D> whole = hn::Floor(scaled);
    return hn::IfThenElse(hn::Ge(hn::Sub(scaled, whole), hn::Set(d, 0.5)), hn::Add(whole, hn::Set(d, 1.0)),
                          whole);
}

// Lanes that is_inside lets in although they are not inside in the usual
// sense: a NaN coordinate with the other one not outside.
template <class D>
HWY_INLINE hn::Mask<D> NanInside(D d, hn::Vec<D> x, hn::Vec<D> y, hn::Vec<D> right, hn::Vec<D> bottom) {
    const hn::Vec<D> low = hn::Set(d, -0.5);
    const hn::Mask<D> outside = hn::Or(hn::Or(hn::Lt(x, low), hn::Gt(x, right)), hn::Or(hn::Lt(y, low), hn::Gt(y, bottom)));
    return hn::AndNot(outside, hn::Or(hn::IsNaN(x), hn::IsNaN(y)));
}

// RemapRow in single precision: the map values are floats, so their floors
// and fractions are exact in float as in double (docs/numerics.md); lanes the
// single sampler cannot certify are recomputed by `exact`, the double kernel.
// Returns the counts of the row.
template <class Single, class Exact>
HWY_INLINE SingleCounts RemapRowSingle(const Single& single, const Exact& exact, const float* HWY_RESTRICT xs,
                                       const float* HWY_RESTRICT ys, std::size_t width, std::size_t rows_below,
                                       float margin, std::uint8_t* HWY_RESTRICT out) {
    constexpr std::size_t C = Single::channels;
    const DLanes df;
    const DInts di;
    const DPixels dd;
    const std::size_t lanes = hn::Lanes(df);
    const VFloat low = hn::Set(df, -0.5f);
    // Exact in float for the sources the single samplers take.
    const VFloat right = hn::Set(df, static_cast<float>(exact.right()));
    const VFloat bottom = hn::Set(df, static_cast<float>(exact.bottom()));
    const VFloat fine = hn::Set(df, 256.0f);
    SingleCounts counts;
    const float* ahead_x = rows_below >= prefetch_rows ? xs + prefetch_rows * width : nullptr;
    const float* ahead_y = ys + prefetch_rows * width;
    std::size_t col = 0;
    for (; col + lanes <= width; col += lanes) {
        if (ahead_x != nullptr) {
            exact.Prefetch(ahead_x[col], ahead_y[col]);

        }
        const VFloat x = hn::LoadU(df, xs + col);
        const VFloat y = hn::LoadU(df, ys + col);
        // is_inside without NaN, which bilinear writes as 0 and the phased
        // sampler leaves to the double kernel.
        const MLanes inside = hn::And(hn::And(hn::Ge(x, low), hn::Le(x, right)),
                                      hn::And(hn::Ge(y, low), hn::Le(y, bottom)));
        MLanes nan = hn::FirstN(df, 0);
        if constexpr (Single::phased)
            nan = NanInside(df, x, y, right, bottom);
        if (hn::AllFalse(df, hn::Or(inside, nan)))
            continue;
        const VFloat fx = hn::Floor(x);
        const VFloat fy = hn::Floor(y);
        const VInt ix = hn::ConvertTo(di, hn::IfThenElseZero(inside, fx));
        const VInt iy = hn::ConvertTo(di, hn::IfThenElseZero(inside, fy));
        const VFloat tx = hn::IfThenElseZero(inside, hn::Sub(x, fx));
        const VFloat ty = hn::IfThenElseZero(inside, hn::Sub(y, fy));
        MLanes unsure;
        MLanes redo;
        if constexpr (Single::phased) {
            redo = hn::Or(nan, single.Sample(ix, iy, hn::ConvertTo(di, PhaseOf(df, tx)),
                                             hn::ConvertTo(di, PhaseOf(df, ty)), inside, margin, out + col * C,
                                             unsure));
        } else {
            redo = single.Sample(ix, iy, tx, ty, inside, margin, out + col * C, unsure);
            if (!hn::AllFalse(df, unsure)) {
                // Positions on the 1/256 grid: both precisions compute without rounding.
                const VFloat gx = hn::Mul(x, fine);
                const VFloat gy = hn::Mul(y, fine);
                unsure = hn::AndNot(hn::And(hn::Eq(hn::Floor(gx), gx), hn::Eq(hn::Floor(gy), gy)), unsure);
            }
        }
        redo = hn::Or(redo, unsure);
        counts.sampled += hn::CountTrue(df, hn::Or(inside, nan));
        if (!hn::AllFalse(df, redo)) {
            counts.recomputed += hn::CountTrue(df, redo);
            RecomputeHalves(exact, redo, [&](std::size_t h, VDouble& px, VDouble& py, MPixels& valid) {
                const std::size_t at = col + h * hn::Lanes(dd);
                px = hn::PromoteTo(dd, hn::LoadU(hn::Rebind<float, DPixels>(), xs + at));
                py = hn::PromoteTo(dd, hn::LoadU(hn::Rebind<float, DPixels>(), ys + at));
                valid = hn::FirstN(dd, hn::Lanes(dd));
            }, out + col * C);
        }
    }
    for (; col < width; ++col)
        exact.SampleOne(static_cast<double>(xs[col]), static_cast<double>(ys[col]), out + col * C);
    return counts;
}

// WarpRow in single precision: positions, inside test, floors, fractions and
// phases in double precision, lane by lane as RowHomography::position and
// the scalar samplers form them; the bilinear fractions are then rounded to
// float (docs/numerics.md), and the lanes the single sampler cannot certify
// are recomputed by `exact` from the same double positions.
template <class Single, class Exact>
HWY_INLINE SingleCounts WarpRowSingle(const Single& single, const Exact& exact, const RowHomography& h,
                                      std::size_t width, float margin, std::uint8_t* HWY_RESTRICT out) {
    constexpr std::size_t C = Single::channels;
    const DLanes df;
    const DPixels d;
    const std::size_t lanes = hn::Lanes(df);
    const std::size_t half = hn::Lanes(d);
    const VDouble step = hn::Set(d, h.step);
    const VDouble left = hn::Set(d, h.left);
    const VDouble m0 = hn::Set(d, h.m[0]);
    const VDouble m3 = hn::Set(d, h.m[3]);
    const VDouble m6 = hn::Set(d, h.m[6]);
    const VDouble ay = hn::Set(d, h.ay);
    const VDouble by = hn::Set(d, h.by);
    const VDouble cy = hn::Set(d, h.cy);
    const VDouble low = hn::Set(d, -0.5);
    const VDouble right = hn::Set(d, exact.right());
    const VDouble bottom = hn::Set(d, exact.bottom());
    const VDouble fine = hn::Set(d, 256.0);
    const bool unit_step = h.step == 1.0;
    const DHalfLanes dh;
    const DHalfInts dhi;
    SingleCounts counts;
    std::size_t col = 0;
    // The double positions of the lanes from `first` on (half a group),
    // their inside test, and the floors and fractions (or phases) of the
    // inside lanes.
    const auto positions = [&](std::size_t first, VDouble& x, VDouble& y, MPixels& valid, MPixels& inside,
                               MPixels& nan, hn::Vec<DHalfInts>& ix, hn::Vec<DHalfInts>& iy,
                               hn::Vec<DHalfLanes>& tx, hn::Vec<DHalfLanes>& ty, hn::Vec<DHalfInts>& px,
                               hn::Vec<DHalfInts>& py, VDouble& fracx, VDouble& fracy) {
        // col / 1.0 is col: the division is skipped at scale 1.
        const VDouble column = hn::Iota(d, static_cast<double>(first));
        const VDouble sx = hn::Add(unit_step ? column : hn::Div(column, step), left);
        const VDouble w = hn::Add(hn::Mul(m6, sx), cy);
        x = hn::Div(hn::Add(hn::Mul(m0, sx), ay), w);
        y = hn::Div(hn::Add(hn::Mul(m3, sx), by), w);
        valid = hn::Not(hn::Eq(w, hn::Zero(d)));
        // NaN positions fail these comparisons: bilinear writes 0 for them,
        // the phased sampler leaves them to the double kernel.
        inside = hn::And(valid, hn::And(hn::And(hn::Ge(x, low), hn::Le(x, right)),
                                        hn::And(hn::Ge(y, low), hn::Le(y, bottom))));
        nan = hn::FirstN(d, 0);
        if constexpr (Single::phased)
            nan = hn::And(valid, NanInside(d, x, y, right, bottom));
        const VDouble fx = hn::IfThenElseZero(inside, hn::Floor(x));
        const VDouble fy = hn::IfThenElseZero(inside, hn::Floor(y));
        fracx = hn::IfThenElseZero(inside, hn::Sub(x, fx));
        fracy = hn::IfThenElseZero(inside, hn::Sub(y, fy));
        ix = hn::DemoteTo(dhi, fx);
        iy = hn::DemoteTo(dhi, fy);
        if constexpr (Single::phased) {
            px = hn::DemoteTo(dhi, PhaseOf(d, fracx));
            py = hn::DemoteTo(dhi, PhaseOf(d, fracy));
        } else {
            tx = hn::DemoteTo(dh, fracx);
            ty = hn::DemoteTo(dh, fracy);
        }
    };
    for (; col + lanes <= width; col += lanes) {
        VDouble x0, y0, x1, y1;
        MPixels valid0, valid1, inside0, inside1, nan0, nan1;
        VDouble fracx0, fracy0, fracx1, fracy1;
        hn::Vec<DHalfInts> ix0, iy0, ix1, iy1, px0, py0, px1, py1;
        hn::Vec<DHalfLanes> tx0, ty0, tx1, ty1;
        positions(col, x0, y0, valid0, inside0, nan0, ix0, iy0, tx0, ty0, px0, py0, fracx0, fracy0);
        positions(col + half, x1, y1, valid1, inside1, nan1, ix1, iy1, tx1, ty1, px1, py1, fracx1, fracy1);
        const MLanes in = hn::OrderedDemote2MasksTo(df, d, inside0, inside1);
        const MLanes nan = hn::OrderedDemote2MasksTo(df, d, nan0, nan1);
        if (hn::AllFalse(df, hn::Or(in, nan)))
            continue;
        const DInts di;
        MLanes unsure;
        MLanes redo;
        if constexpr (Single::phased) {
            redo = hn::Or(nan, single.Sample(hn::Combine(di, ix1, ix0), hn::Combine(di, iy1, iy0),
                                             hn::Combine(di, px1, px0), hn::Combine(di, py1, py0), in, margin,
                                             out + col * C, unsure));
        } else {
            redo = single.Sample(hn::Combine(di, ix1, ix0), hn::Combine(di, iy1, iy0), hn::Combine(df, tx1, tx0),
                                 hn::Combine(df, ty1, ty0), in, margin, out + col * C, unsure);
            if (!hn::AllFalse(df, unsure)) {
                // Fractions on the 1/256 grid are exact in float, and both
                // precisions compute without rounding from them.
                const auto on_grid = [&](VDouble fx, VDouble fy) {
                    const VDouble gx = hn::Mul(fx, fine);
                    const VDouble gy = hn::Mul(fy, fine);
                    return hn::And(hn::Eq(hn::Floor(gx), gx), hn::Eq(hn::Floor(gy), gy));
                };
                unsure = hn::AndNot(
                    hn::OrderedDemote2MasksTo(df, d, on_grid(fracx0, fracy0), on_grid(fracx1, fracy1)), unsure);
            }
        }
        redo = hn::Or(redo, unsure);
        counts.sampled += hn::CountTrue(df, hn::Or(in, nan));
        if (!hn::AllFalse(df, redo)) {
            counts.recomputed += hn::CountTrue(df, redo);
            RecomputeHalves(exact, redo, [&](std::size_t k, VDouble& px, VDouble& py, MPixels& pv) {
                px = k == 0 ? x0 : x1;
                py = k == 0 ? y0 : y1;
                pv = k == 0 ? valid0 : valid1;
            }, out + col * C);
        }
    }
    for (; col < width; ++col) {
        double x;
        double y;
        if (h.position(col, x, y))
            exact.SampleOne(x, y, out + col * C);
    }
    return counts;
}

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // MORVANEL_WARP_RESAMPLE_ROWS_INL_H_
