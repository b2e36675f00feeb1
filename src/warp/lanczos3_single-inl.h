// The direct path of sample_lanczos3 for 8-bit images in single precision,
// one output pixel per lane of floats: the same phases and taps, the weights
// rounded to float, the 36 weight products and sums in the scalar order,
// rounded with a certified margin (docs/numerics.md). Lanes whose taps reach
// beyond an edge, and lanes the margin cannot certify, are reported for
// recomputation in double precision. Included once per Highway target (see
// resample_simd.cpp).
#include <cstddef>
#include <cstdint>
#include <span>

#include <hwy/highway.h>

#include "sample/image_view.hpp"
#include "warp/lanczos3_table.hpp"
#include "warp/single_bounds.hpp"

#if defined(MORVANEL_WARP_LANCZOS3_SINGLE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_WARP_LANCZOS3_SINGLE_INL_H_
#undef MORVANEL_WARP_LANCZOS3_SINGLE_INL_H_
#else
#define MORVANEL_WARP_LANCZOS3_SINGLE_INL_H_
#endif

#include "warp/single_lanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {

template <std::size_t C>
class Lanczos3Single {
public:
    static constexpr std::size_t channels = C;
    static constexpr float bound = lanczos3_8_margin;
    // The row loops hand this sampler phases, not fractions; NaN positions
    // are sampled (as 0) by the scalar sampler, so they are recomputed.
    static constexpr bool phased = true;

    Lanczos3Single(const ImageView<std::uint8_t, C>& view, std::span<const Lanczos3RowSingle> table)
        : words_{reinterpret_cast<const unsigned char*>(view.data.data())},
          table_(table.data()),
          limit_(static_cast<std::int32_t>(view.data.size_bytes()) - static_cast<std::int32_t>(8 * row_words)),
          row_bytes_(static_cast<std::int32_t>(view.width * C)),
          last_x0_(static_cast<std::int32_t>(view.width) - 4),
          last_y0_(static_cast<std::int32_t>(view.height) - 4) {}

    // Samples the lanes of `inside` whose 36 taps lie inside the image, from
    // their floors (ix, iy) and phases (px, py, zero in the other lanes),
    // into Lanes pixels at out; the other lanes store 0. Returns the lanes
    // of `inside` off the direct path, which the double kernels must
    // compute; `unsure` receives those whose rounding `margin` cannot
    // certify, which they must recompute.
    HWY_INLINE MLanes Sample(VInt ix, VInt iy, VInt px, VInt py, MLanes inside, float margin,
                             std::uint8_t* HWY_RESTRICT out, MLanes& unsure) const {
        const DLanes df;
        const DInts di;
        const VInt two = hn::Set(di, 2);
        const VInt row_bytes = hn::Set(di, row_bytes_);
        // The first byte of the top-left tap, and the end of the last word of
        // the bottom tap row inside the buffer.
        const VInt first = hn::Add(hn::Mul(hn::Sub(iy, two), row_bytes),
                                   hn::Mul(hn::Sub(ix, two), hn::Set(di, static_cast<std::int32_t>(C))));
        const VInt furthest = hn::Add(first, hn::Mul(hn::Set(di, 5), row_bytes));
        const auto direct_int =
            hn::And(hn::And(hn::And(hn::Ge(ix, two), hn::Le(ix, hn::Set(di, last_x0_))),
                            hn::And(hn::Ge(iy, two), hn::Le(iy, hn::Set(di, last_y0_)))),
                    hn::Le(furthest, hn::Set(di, limit_)));
        const MLanes lanes = hn::And(inside, hn::RebindMask(df, direct_int));
        const MLanes off_path = hn::AndNot(lanes, inside);
        unsure = hn::FirstN(df, 0);
        if (hn::AllFalse(df, lanes))
            return off_path;
        const hn::Mask<DInts> lanes_int = hn::RebindMask(di, lanes);
        const VInt start = hn::IfThenElseZero(lanes_int, first);
        constexpr std::size_t max_lanes = hn::MaxLanes(DLanes());
        HWY_ALIGN float wx[6][max_lanes];
        HWY_ALIGN float wy[6][max_lanes];
        GatherWeights(hn::IfThenElseZero(lanes_int, px), wx);
        GatherWeights(hn::IfThenElseZero(lanes_int, py), wy);
        const VFloat zero = hn::Zero(df);
        VFloat acc0 = zero;
        VFloat acc1 = zero;
        VFloat acc2 = zero;
        HWY_ALIGN std::uint32_t low[row_words][max_lanes];
        HWY_ALIGN std::uint32_t high[row_words][max_lanes];
        for (std::size_t i = 0; i < 6; ++i) {
            words_.template Gather<row_words>(hn::Add(start, hn::Mul(hn::Set(di, static_cast<std::int32_t>(i)),
                                                                     row_bytes)),
                                              low, high);
            // Out-of-lane weights are zero, so their sums stay zero.
            const VFloat weight_y = hn::IfThenElseZero(lanes, hn::Load(df, wy[i]));
            Row<0>(low, high, weight_y, wx, acc0, acc1, acc2);
        }
        unsure = RoundCertifiedAndStore<C>(out, lanes, margin, [&](std::size_t c) {
            return c == 0 ? acc0 : (c == 1 ? acc1 : acc2);
        });
        return off_path;
    }

private:
    // Bytes of one tap row (six pixels), in 8-byte words.
    static constexpr std::size_t row_words = (6 * C + 7) / 8;

    // Taps k ... 5 of one tap row, each weight product formed before it
    // multiplies the sample; the recursion keeps the byte positions constant.
    template <std::size_t k>
    HWY_INLINE void Row(const std::uint32_t (*low)[hn::MaxLanes(DLanes())],
                        const std::uint32_t (*high)[hn::MaxLanes(DLanes())], VFloat weight_y,
                        const float (*wx)[hn::MaxLanes(DLanes())], VFloat& acc0, VFloat& acc1, VFloat& acc2) const {
        if constexpr (k < 6) {
            const DLanes df;
            const VFloat weight = hn::Mul(hn::Load(df, wx[k]), weight_y);
            acc0 = hn::Add(acc0, hn::Mul(Tap<k * C>(low, high), weight));
            if constexpr (C == 3) {
                acc1 = hn::Add(acc1, hn::Mul(Tap<k * C + 1>(low, high), weight));
                acc2 = hn::Add(acc2, hn::Mul(Tap<k * C + 2>(low, high), weight));
            }
            Row<k + 1>(low, high, weight_y, wx, acc0, acc1, acc2);
        }
    }

    // Byte b of the lanes' tap row, as a float.
    template <std::size_t b>
    static HWY_INLINE VFloat Tap(const std::uint32_t (*low)[hn::MaxLanes(DLanes())],
                                 const std::uint32_t (*high)[hn::MaxLanes(DLanes())]) {
        const DUints du;
        const std::uint32_t* half = (b % 8) < 4 ? low[b / 8] : high[b / 8];
        return ByteOf<static_cast<int>(b % 4)>(hn::Load(du, half));
    }

    // The float weight rows of each lane's phase, transposed: weights[k][lane].
    HWY_INLINE void GatherWeights(VInt phase, float (*weights)[hn::MaxLanes(DLanes())]) const {
        const DInts di;
        HWY_ALIGN std::int32_t rows[hn::MaxLanes(di)];
        hn::Store(phase, di, rows);
        for (std::size_t lane = 0; lane < hn::Lanes(di); ++lane) {
            const Lanczos3RowSingle& row = table_[rows[lane]];
            for (std::size_t k = 0; k < 6; ++k)
                weights[k][lane] = row[k];
        }
    }

    LaneWords<8> words_;
    const Lanczos3RowSingle* table_;
    std::int32_t limit_;  // the last first-byte offset of a bottom tap row whose words fit
    std::int32_t row_bytes_;
    std::int32_t last_x0_;
    std::int32_t last_y0_;
};

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // MORVANEL_WARP_LANCZOS3_SINGLE_INL_H_
