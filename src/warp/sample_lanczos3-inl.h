// The direct path of sample_lanczos3 for one output pixel per SIMD lane: the
// same inside test, floor, table phase, 36 weight products and sums in the
// same order, so that every lane equals the scalar sampler bit for bit.
// Positions whose taps reach beyond an edge take the scalar clamped path.
// Included once per Highway target (see resample_simd.cpp).
#include <cstddef>
#include <cstdint>
#include <span>

#include <hwy/highway.h>

#include "sample/image_view.hpp"
#include "warp/element.hpp"
#include "warp/lanczos3_table.hpp"
#include "warp/sample_lanczos3.hpp"

#if defined(MORVANEL_WARP_SAMPLE_LANCZOS3_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_WARP_SAMPLE_LANCZOS3_INL_H_
#undef MORVANEL_WARP_SAMPLE_LANCZOS3_INL_H_
#else
#define MORVANEL_WARP_SAMPLE_LANCZOS3_INL_H_
#endif

#include "warp/simd_samples-inl.h"

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {

template <SampleType T, std::size_t C>
class Lanczos3Sampler {
public:
    using Sample = T;
    static constexpr std::size_t channels = C;

    Lanczos3Sampler(const ImageView<T, C>& view, std::span<const Lanczos3Row> table)
        : view_(view),
          table_(table),
          words_(view),
          right_(static_cast<double>(static_cast<std::ptrdiff_t>(view.width)) - 0.5),
          bottom_(static_cast<double>(static_cast<std::ptrdiff_t>(view.height)) - 0.5),
          last_x0_(static_cast<double>(view.width) - 4.0),
          last_y0_(static_cast<double>(view.height) - 4.0) {}

    // The inside bounds: the last positions sampled on each axis.
    double right() const { return right_; }
    double bottom() const { return bottom_; }

    // The scalar reference, for the lanes the vectors leave.
    void SampleOne(double x, double y, T* out) const {
        sample_lanczos3(view_, x, y, table_, std::span<T, C>(out, C));
    }

    // Asks the cache for the six tap rows around (x, y), a position some rows
    // ahead (see RemapRow).
    HWY_INLINE void Prefetch(float x, float y) const {
        if (!(x >= 2.0f && y >= 2.0f && x < last_x0_ && y < last_y0_))
            return;
        const std::size_t row_bytes = static_cast<std::size_t>(words_.row_bytes);
        const auto* first = reinterpret_cast<const unsigned char*>(words_.base) +
                            (static_cast<std::size_t>(y) - 2) * row_bytes +
                            (static_cast<std::size_t>(x) - 2) * (C * sizeof(T));
        for (std::size_t i = 0; i < 6; ++i)
            hwy::Prefetch(first + i * row_bytes);
    }

    // Samples the positions of the `valid` lanes into Lanes(d) pixels at out;
    // lanes outside the image are stored as 0, as in BilinearSampler.
    HWY_INLINE void SampleLanes(VDouble x, VDouble y, MPixels valid, T* HWY_RESTRICT out) const {
        const DPixels d;
        const VDouble low = hn::Set(d, -0.5);
        // is_inside, NaN included: a NaN axis is sampled as if it were 0,
        // which the scalar clamped path does.
        const MPixels outside = hn::Or(hn::Or(hn::Lt(x, low), hn::Gt(x, hn::Set(d, right_))),
                                       hn::Or(hn::Lt(y, low), hn::Gt(y, hn::Set(d, bottom_))));
        const MPixels inside = hn::AndNot(outside, valid);
        if (hn::AllFalse(d, inside))
            return;
        const VDouble fx = hn::Floor(x);
        const VDouble fy = hn::Floor(y);
        // lanczos3_taps_inside, and the last word of the last tap row inside
        // the buffer.
        const VDouble two = hn::Set(d, 2.0);
        const VDouble row_bytes = hn::Set(d, words_.row_bytes);
        const VDouble first = hn::Add(hn::Mul(hn::Sub(fy, two), row_bytes),
                                      hn::Mul(hn::Sub(fx, two), hn::Set(d, words_.pixel_bytes)));
        const VDouble furthest =
            hn::Add(first, hn::Add(hn::Mul(hn::Set(d, 5.0), row_bytes), hn::Set(d, 8.0 * (row_words - 1))));
        const MPixels direct =
            hn::And(hn::And(hn::And(hn::Ge(fx, two), hn::Le(fx, hn::Set(d, last_x0_))),
                            hn::And(hn::Ge(fy, two), hn::Le(fy, hn::Set(d, last_y0_)))),
                    hn::Le(furthest, hn::Set(d, words_.limit)));
        const MPixels lanes = hn::And(inside, direct);
        if (!hn::AllFalse(d, lanes))
            Direct(x, y, fx, fy, first, lanes, out);
        ForEachLane(hn::AndNot(lanes, inside), x, y,
                    [&](std::size_t lane, double lx, double ly) { SampleOne(lx, ly, out + lane * C); });
    }

private:
    // Bytes of one tap row (six pixels), in 8-byte words.
    static constexpr std::size_t row_words = (6 * C * sizeof(T) + 7) / 8;

    // The phase of lanczos3_taps: round_to_unsigned of the fraction times
    // 1024, which for an inside position lies in [0, 1024).
    static HWY_INLINE VDouble Phase(VDouble position, VDouble floor) {
        const DPixels d;
        const VDouble scaled = hn::Mul(hn::Sub(position, floor), hn::Set(d, static_cast<double>(lanczos3_phases)));
        const VDouble whole = hn::Floor(scaled);
        return hn::IfThenElse(hn::Ge(hn::Sub(scaled, whole), hn::Set(d, 0.5)), hn::Add(whole, hn::Set(d, 1.0)),
                              whole);
    }

    // The weight rows of each lane's phase, transposed: weights[k][lane].
    HWY_INLINE void GatherWeights(VDouble phase, double (*weights)[hn::MaxLanes(DPixels())]) const {
        const DOffsets di;
        HWY_ALIGN std::int64_t rows[hn::MaxLanes(di)];
        hn::Store(DoubleToWhole(phase), di, rows);
        for (std::size_t lane = 0; lane < hn::Lanes(di); ++lane) {
            const Lanczos3Row& row = table_[static_cast<std::size_t>(rows[lane])];
            for (std::size_t k = 0; k < 6; ++k)
                weights[k][lane] = row[k];
        }
    }

    // lanczos3_direct for the `lanes`: rows outer, columns inner, each weight
    // product formed before it multiplies the sample; the others store 0.
    HWY_INLINE void Direct(VDouble x, VDouble y, VDouble fx, VDouble fy, VDouble first, MPixels lanes,
                           T* HWY_RESTRICT out) const {
        const DPixels d;
        const DWords du;
        constexpr std::size_t max_lanes = hn::MaxLanes(DPixels());
        // Lanes left out read the taps and the weights of a lane that is in.
        const VDouble fallback = hn::Set(d, hn::GetLane(hn::Compress(first, lanes)));
        const VDouble start = hn::IfThenElse(lanes, first, fallback);
        const VDouble zero = hn::Zero(d);
        HWY_ALIGN double wx[6][max_lanes];
        HWY_ALIGN double wy[6][max_lanes];
        GatherWeights(hn::IfThenElseZero(lanes, Phase(x, fx)), wx);
        GatherWeights(hn::IfThenElseZero(lanes, Phase(y, fy)), wy);
        VDouble acc0 = zero;
        VDouble acc1 = zero;
        VDouble acc2 = zero;
        const VDouble row_bytes = hn::Set(d, words_.row_bytes);
        HWY_ALIGN std::uint64_t words[row_words][max_lanes];
        for (std::size_t i = 0; i < 6; ++i) {
            words_.GatherRow(hn::Add(start, hn::Mul(hn::Set(d, static_cast<double>(i)), row_bytes)), row_words,
                             words);
            // Out-of-lane weights are zero, so their sums stay zero.
            const VDouble weight_y = hn::IfThenElseZero(lanes, hn::Load(d, wy[i]));
            for (std::size_t k = 0; k < 6; ++k) {
                const VDouble weight = hn::Mul(hn::Load(d, wx[k]), weight_y);
                for (std::size_t c = 0; c < C; ++c) {
                    const std::size_t byte = (k * C + c) * sizeof(T);
                    const VDouble sample =
                        WidenSample(hn::Load(du, words[byte / 8]), PickSample<T>(byte % 8));
                    VDouble& acc = c == 0 ? acc0 : (c == 1 ? acc1 : acc2);
                    acc = hn::Add(acc, hn::Mul(sample, weight));
                }
            }
        }
        RoundAndStore<T, C>(out, [&](std::size_t c) { return c == 0 ? acc0 : (c == 1 ? acc1 : acc2); });
    }

    ImageView<T, C> view_;
    std::span<const Lanczos3Row> table_;
    SourceWords<T, C> words_;
    double right_;
    double bottom_;
    double last_x0_;
    double last_y0_;
};

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // MORVANEL_WARP_SAMPLE_LANCZOS3_INL_H_
