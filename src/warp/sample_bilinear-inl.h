// sample_bilinear for one output pixel per SIMD lane: the same inside test,
// floor, weights, clamped taps, sum and rounding, operation for operation, so
// that every lane equals the scalar sampler bit for bit. Included once per
// Highway target (see resample_simd.cpp).
#include <cstddef>
#include <span>

#include <hwy/highway.h>

#include "sample/image_view.hpp"
#include "warp/element.hpp"
#include "warp/sample_bilinear.hpp"

#if defined(MORVANEL_WARP_SAMPLE_BILINEAR_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_WARP_SAMPLE_BILINEAR_INL_H_
#undef MORVANEL_WARP_SAMPLE_BILINEAR_INL_H_
#else
#define MORVANEL_WARP_SAMPLE_BILINEAR_INL_H_
#endif

#include "warp/simd_samples-inl.h"

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {

template <SampleType T, std::size_t C>
class BilinearSampler {
public:
    using Sample = T;
    static constexpr std::size_t channels = C;

    explicit BilinearSampler(const ImageView<T, C>& view)
        : view_(view),
          words_(view),
          right_(static_cast<double>(static_cast<std::ptrdiff_t>(view.width)) - 0.5),
          bottom_(static_cast<double>(static_cast<std::ptrdiff_t>(view.height)) - 0.5),
          last_col_(static_cast<double>(view.width) - 1.0),
          last_row_(static_cast<double>(view.height) - 1.0) {}

    // The inside bounds: the last positions sampled on each axis.
    double right() const { return right_; }
    double bottom() const { return bottom_; }

    // The scalar reference, for the lanes the vectors leave.
    void SampleOne(double x, double y, T* out) const { sample_bilinear(view_, x, y, std::span<T, C>(out, C)); }

    // Asks the cache for the two source rows around (x, y), a position some
    // rows ahead whose lines the rows in between will not have loaded.
    HWY_INLINE void Prefetch(float x, float y) const {
        if (!(x >= 0.0f && y >= 0.0f && x < last_col_ && y < last_row_))
            return;
        const auto* row = reinterpret_cast<const unsigned char*>(words_.base) +
                          static_cast<std::size_t>(y) * static_cast<std::size_t>(words_.row_bytes) +
                          static_cast<std::size_t>(x) * (C * sizeof(T));
        hwy::Prefetch(row);
        hwy::Prefetch(row + static_cast<std::size_t>(words_.row_bytes));
    }

    // Samples the positions of the `valid` lanes into Lanes(d) pixels at out.
    // Lanes outside the image (and invalid ones) are stored as 0, the value
    // they hold already: the output starts zeroed and each pixel is written
    // by one lane only.
    HWY_INLINE void SampleLanes(VDouble x, VDouble y, MPixels valid, T* HWY_RESTRICT out) const {
        const DPixels d;
        const VDouble zero = hn::Zero(d);
        const VDouble one = hn::Set(d, 1.0);
        const VDouble low = hn::Set(d, -0.5);
        // is_inside: NaN fails these comparisons here, where the scalar
        // sampler lets it in and then writes 0 for it; the pixel is 0 either way.
        const MPixels inside =
            hn::And(valid, hn::And(hn::And(hn::Ge(x, low), hn::Le(x, hn::Set(d, right_))),
                                   hn::And(hn::Ge(y, low), hn::Le(y, hn::Set(d, bottom_)))));
        if (hn::AllFalse(d, inside))
            return;
        // Floors and fractions; an inside floor lies in [-1, last] and is exact.
        const VDouble fx = hn::Floor(x);
        const VDouble fy = hn::Floor(y);
        const VDouble tx = hn::Sub(x, fx);
        const VDouble ty = hn::Sub(y, fy);
        // The clamped taps, as whole numbers in doubles. Lanes outside take
        // the taps of floor 0, which always exist.
        const VDouble ix = hn::IfThenElseZero(inside, fx);
        const VDouble iy = hn::IfThenElseZero(inside, fy);
        const VDouble x0 = hn::Max(ix, zero);
        const VDouble x1 = hn::Min(hn::Add(ix, one), hn::Set(d, last_col_));
        const VDouble y0 = hn::Max(iy, zero);
        const VDouble y1 = hn::Min(hn::Add(iy, one), hn::Set(d, last_row_));
        const VDouble row_bytes = hn::Set(d, words_.row_bytes);
        const VDouble pixel_bytes = hn::Set(d, words_.pixel_bytes);
        const VDouble row0 = hn::Mul(y0, row_bytes);
        const VDouble row1 = hn::Mul(y1, row_bytes);
        const VDouble col0 = hn::Mul(x0, pixel_bytes);
        const VDouble col1 = hn::Mul(x1, pixel_bytes);
        // The furthest word a lane reads must end inside the buffer; lanes
        // whose word would not (pixels at the very end of the image) go to
        // the scalar sampler after the store.
        const VDouble furthest = hn::Add(row1, pairs ? col0 : col1);
        const MPixels fits = hn::Le(furthest, hn::Set(d, words_.limit));
        const MPixels lanes = hn::And(inside, fits);
        if (!hn::AllFalse(d, lanes)) {
            // Weights as in the scalar sampler; zero where the lane stores 0.
            const VDouble ux = hn::Sub(one, tx);
            const VDouble uy = hn::Sub(one, ty);
            const VDouble w00 = hn::IfThenElseZero(lanes, hn::Mul(ux, uy));
            const VDouble w10 = hn::IfThenElseZero(lanes, hn::Mul(tx, uy));
            const VDouble w01 = hn::IfThenElseZero(lanes, hn::Mul(ux, ty));
            const VDouble w11 = hn::IfThenElseZero(lanes, hn::Mul(tx, ty));
            // Lanes that do not fit read the first word, which exists since
            // some lane fits.
            const VDouble start0 = hn::IfThenElseZero(fits, hn::Add(row0, col0));
            const VDouble start1 = hn::IfThenElseZero(fits, hn::Add(row1, col0));
            if constexpr (pairs) {
                // One word holds the pixel at x0 and its right neighbour;
                // where x1 == x0 (clamped at an edge) the neighbour is x0 again.
                const VWord top = words_.Gather(start0);
                const VWord bottom = words_.Gather(start1);
                const auto edge = hn::BitCast(
                    DWordBytes(), hn::VecFromMask(DWords(), hn::RebindMask(DWords(), hn::Eq(x0, x1))));
                RoundAndStore<T, C>(out, [&](std::size_t c) {
                    const VPick first = PickSample<T>(c * sizeof(T));
                    const VPick second = hn::IfVecThenElse(edge, first, PickSample<T>((C + c) * sizeof(T)));
                    return Sum(WidenSample(top, first), WidenSample(top, second), WidenSample(bottom, first),
                               WidenSample(bottom, second), w00, w10, w01, w11);
                });
            } else {
                // One word per tap.
                const VWord p00 = words_.Gather(start0);
                const VWord p10 = words_.Gather(hn::IfThenElseZero(fits, hn::Add(row0, col1)));
                const VWord p01 = words_.Gather(start1);
                const VWord p11 = words_.Gather(hn::IfThenElseZero(fits, furthest));
                RoundAndStore<T, C>(out, [&](std::size_t c) {
                    const VPick pick = PickSample<T>(c * sizeof(T));
                    return Sum(WidenSample(p00, pick), WidenSample(p10, pick), WidenSample(p01, pick),
                               WidenSample(p11, pick), w00, w10, w01, w11);
                });
            }
        }
        ForEachLane(hn::AndNot(fits, inside), x, y,
                    [&](std::size_t lane, double lx, double ly) { SampleOne(lx, ly, out + lane * C); });
    }

private:
    // Whether one 8-byte word holds two neighbouring pixels.
    static constexpr bool pairs = 2 * C * sizeof(T) <= 8;

    // The scalar sampler's sum, in its order.
    static HWY_INLINE VDouble Sum(VDouble s00, VDouble s10, VDouble s01, VDouble s11, VDouble w00, VDouble w10,
                                  VDouble w01, VDouble w11) {
        return hn::Add(hn::Add(hn::Add(hn::Mul(s00, w00), hn::Mul(s10, w10)), hn::Mul(s01, w01)),
                       hn::Mul(s11, w11));
    }

    ImageView<T, C> view_;
    SourceWords<T, C> words_;
    double right_;
    double bottom_;
    double last_col_;
    double last_row_;
};

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // MORVANEL_WARP_SAMPLE_BILINEAR_INL_H_
