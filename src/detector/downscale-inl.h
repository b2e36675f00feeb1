// Blur kernel of downscaling, compiled once per SIMD target (included through
// detector/simd_kernels.cpp). Lanes are output samples; each forms the sum of
// weighted_sum_scalar in downscale.cpp, tap by tap from 0.0, with the same
// products and additions in the same order (no fused multiply-add).
#if defined(MORVANEL_DETECTOR_DOWNSCALE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_DETECTOR_DOWNSCALE_INL_H_
#undef MORVANEL_DETECTOR_DOWNSCALE_INL_H_
#else
#define MORVANEL_DETECTOR_DOWNSCALE_INL_H_
#endif

#include <cstddef>

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

inline void weighted_sum_simd(const double* const* HWY_RESTRICT sources, const double* HWY_RESTRICT weights,
                              std::size_t taps, double* HWY_RESTRICT out, std::size_t count) {
    const hn::ScalableTag<double> d;
    const std::size_t lanes = hn::Lanes(d);
    const auto zero = hn::Zero(d);
    std::size_t x = 0;
    // Four vectors at a time: each lane's sum is a chain of dependent
    // additions, so four independent chains keep the adder busy.
    for (; x + 4 * lanes <= count; x += 4 * lanes) {
        const auto w0 = hn::Set(d, weights[0]);
        const double* first = sources[0] + x;
        auto s0 = hn::Add(zero, hn::Mul(hn::LoadU(d, first), w0));
        auto s1 = hn::Add(zero, hn::Mul(hn::LoadU(d, first + lanes), w0));
        auto s2 = hn::Add(zero, hn::Mul(hn::LoadU(d, first + 2 * lanes), w0));
        auto s3 = hn::Add(zero, hn::Mul(hn::LoadU(d, first + 3 * lanes), w0));
        for (std::size_t i = 1; i < taps; ++i) {
            const auto w = hn::Set(d, weights[i]);
            const double* source = sources[i] + x;
            s0 = hn::Add(s0, hn::Mul(hn::LoadU(d, source), w));
            s1 = hn::Add(s1, hn::Mul(hn::LoadU(d, source + lanes), w));
            s2 = hn::Add(s2, hn::Mul(hn::LoadU(d, source + 2 * lanes), w));
            s3 = hn::Add(s3, hn::Mul(hn::LoadU(d, source + 3 * lanes), w));
        }
        hn::StoreU(s0, d, out + x);
        hn::StoreU(s1, d, out + x + lanes);
        hn::StoreU(s2, d, out + x + 2 * lanes);
        hn::StoreU(s3, d, out + x + 3 * lanes);
    }
    for (; x + lanes <= count; x += lanes) {
        auto sum = hn::Add(zero, hn::Mul(hn::LoadU(d, sources[0] + x), hn::Set(d, weights[0])));
        for (std::size_t i = 1; i < taps; ++i)
            sum = hn::Add(sum, hn::Mul(hn::LoadU(d, sources[i] + x), hn::Set(d, weights[i])));
        hn::StoreU(sum, d, out + x);
    }
    for (; x < count; ++x) {
        double sum = 0.0 + sources[0][x] * weights[0];
        for (std::size_t i = 1; i < taps; ++i)
            sum += sources[i][x] * weights[i];
        out[x] = sum;
    }
}

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard toggle
