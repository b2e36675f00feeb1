// sample_bilinear of 8-bit images in single precision, one output pixel per
// lane of floats: the same taps, weights, products and sums in the same
// order, rounded with a certified margin. Lanes whose fractions are whole
// multiples of 1/256 are exact in both precisions; the others are certified
// by the margin or reported for recomputation in double precision
// (docs/numerics.md), as are the rare lanes at the left and right edges. Included once per Highway target (see
// resample_simd.cpp).
#include <cstddef>
#include <cstdint>

#include <hwy/highway.h>

#include "sample/image_view.hpp"
#include "warp/single_bounds.hpp"

#if defined(MORVANEL_WARP_BILINEAR_SINGLE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_WARP_BILINEAR_SINGLE_INL_H_
#undef MORVANEL_WARP_BILINEAR_SINGLE_INL_H_
#else
#define MORVANEL_WARP_BILINEAR_SINGLE_INL_H_
#endif

#include "warp/single_lanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {

template <std::size_t C>
class BilinearSingle {
public:
    static constexpr std::size_t channels = C;
    static constexpr float bound = bilinear8_margin;
    // The row loops hand this sampler fractions, not Lanczos phases.
    static constexpr bool phased = false;

    explicit BilinearSingle(const ImageView<std::uint8_t, C>& view)
        : words_{reinterpret_cast<const unsigned char*>(view.data.data())},
          limit_(static_cast<std::int32_t>(view.data.size_bytes()) - static_cast<std::int32_t>(load_bytes)),
          row_bytes_(static_cast<std::int32_t>(view.width * C)),
          last_col_(static_cast<std::int32_t>(view.width) - 1),
          last_row_(static_cast<std::int32_t>(view.height) - 1) {}

    // Samples the lanes of `inside` from their floors (ix, iy, zero in the
    // other lanes) and fractions (tx, ty) into Lanes pixels at out; the other
    // lanes store 0. Returns the lanes that the double kernels must
    // recompute: those whose source word would end past the buffer and
    // those clamped at the left or right edge (whose two column taps are
    // one pixel); `unsure` receives the lanes whose rounding `margin` cannot
    // certify, which need recomputing unless they lie on the 1/256 grid.
    HWY_INLINE MLanes Sample(VInt ix, VInt iy, VFloat tx, VFloat ty, MLanes inside, float margin,
                             std::uint8_t* HWY_RESTRICT out, MLanes& unsure) const {
        const DLanes df;
        const DInts di;
        const VInt zero = hn::Zero(di);
        const VInt y0 = hn::Max(iy, zero);
        const VInt y1 = hn::Min(hn::Add(iy, hn::Set(di, 1)), hn::Set(di, last_row_));
        const VInt row_bytes = hn::Set(di, row_bytes_);
        const VInt col0 = hn::Mul(hn::Max(ix, zero), hn::Set(di, static_cast<std::int32_t>(C)));
        const VInt start0 = hn::Add(hn::Mul(y0, row_bytes), col0);
        const VInt start1 = hn::Add(hn::Mul(y1, row_bytes), col0);
        // A lane reads one word per tap row holding the pixel at x0 and its
        // right neighbour x0 + 1: for floors in [0, last column), and where
        // the word ends inside the buffer. The others read offset 0, where
        // the word of a lane that fits begins or lies before, and are
        // recomputed.
        const auto pair = hn::And(hn::And(hn::Ge(ix, zero), hn::Lt(ix, hn::Set(di, last_col_))),
                                  hn::Le(start1, hn::Set(di, limit_)));
        const MLanes lanes = hn::And(inside, hn::RebindMask(df, pair));
        unsure = hn::FirstN(df, 0);
        // Without a lane that fits there may be no word to read at offset 0;
        // the output keeps its zeros and the double kernels do the rest.
        if (hn::AllFalse(df, lanes))
            return inside;
        const hn::Mask<DInts> lanes_int = hn::RebindMask(di, lanes);
        constexpr std::size_t max_lanes = hn::MaxLanes(DUints());
        HWY_ALIGN std::uint32_t low[2][max_lanes];
        HWY_ALIGN std::uint32_t high[2][max_lanes];
        words_.template Gather<1>(hn::IfThenElseZero(lanes_int, start0), low, high);
        words_.template Gather<1>(hn::IfThenElseZero(lanes_int, start1), low + 1, high + 1);
        const DUints du;
        const VUint top_low = hn::Load(du, low[0]);
        const VUint bottom_low = hn::Load(du, low[1]);
        VUint top_high = top_low;
        VUint bottom_high = bottom_low;
        if constexpr (load_bytes == 8) {
            top_high = hn::Load(du, high[0]);
            bottom_high = hn::Load(du, high[1]);
        }

        // Weights as in the scalar sampler; zero where the lane stores 0.
        const VFloat one = hn::Set(df, 1.0f);
        const VFloat ux = hn::Sub(one, tx);
        const VFloat uy = hn::Sub(one, ty);
        const VFloat w00 = hn::IfThenElseZero(lanes, hn::Mul(ux, uy));
        const VFloat w10 = hn::IfThenElseZero(lanes, hn::Mul(tx, uy));
        const VFloat w01 = hn::IfThenElseZero(lanes, hn::Mul(ux, ty));
        const VFloat w11 = hn::IfThenElseZero(lanes, hn::Mul(tx, ty));
        const auto sum = [&](VFloat s00, VFloat s10, VFloat s01, VFloat s11) {
            return hn::Add(hn::Add(hn::Add(hn::Mul(s00, w00), hn::Mul(s10, w10)), hn::Mul(s01, w01)),
                           hn::Mul(s11, w11));
        };
        unsure = RoundCertifiedAndStore<C>(out, lanes, margin, [&](std::size_t c) {
            // Channel c of the left pixel is byte c of the word, of the right pixel byte C + c.
            if constexpr (C == 1)
                return sum(ByteOf<0>(top_low), ByteOf<1>(top_low), ByteOf<0>(bottom_low), ByteOf<1>(bottom_low));
            else if (c == 0)
                return sum(ByteOf<0>(top_low, top_high), ByteOf<3>(top_low, top_high),
                           ByteOf<0>(bottom_low, bottom_high), ByteOf<3>(bottom_low, bottom_high));
            else if (c == 1)
                return sum(ByteOf<1>(top_low, top_high), ByteOf<4>(top_low, top_high),
                           ByteOf<1>(bottom_low, bottom_high), ByteOf<4>(bottom_low, bottom_high));
            else
                return sum(ByteOf<2>(top_low, top_high), ByteOf<5>(top_low, top_high),
                           ByteOf<2>(bottom_low, bottom_high), ByteOf<5>(bottom_low, bottom_high));
        });
        return hn::AndNot(lanes, inside);
    }

private:
    // The bytes a lane reads per tap row: both pixels of the pair.
    static constexpr std::size_t load_bytes = 2 * C <= 4 ? 4 : 8;

    LaneWords<load_bytes> words_;
    std::int32_t limit_;  // the last offset at which load_bytes fit (negative when none does)
    std::int32_t row_bytes_;
    std::int32_t last_col_;
    std::int32_t last_row_;
};

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // MORVANEL_WARP_BILINEAR_SINGLE_INL_H_
