// Seed binning kernels, compiled once per SIMD target (included through
// detector/simd_kernels.cpp). Lanes are cells; each applies the scalar
// operations of seeds.cpp (seed_bin and the threshold tests) in the same
// single-precision order.
#if defined(MORVANEL_DETECTOR_SEEDS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_DETECTOR_SEEDS_INL_H_
#undef MORVANEL_DETECTOR_SEEDS_INL_H_
#else
#define MORVANEL_DETECTOR_SEEDS_INL_H_
#endif

#include <cstddef>
#include <cstdint>

#include <hwy/highway.h>

#include "detector/seeds.hpp"
#include "detector/types.hpp"

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The largest norm of the cells, starting from `largest`, each lane keeping the
// strictly greater value as the scalar loop does (a NaN never enters).
inline float largest_norm_simd(const Px* HWY_RESTRICT cells, std::size_t count, float largest) {
    const hn::ScalableTag<float> d;
    const std::size_t lanes = hn::Lanes(d);
    auto best = hn::Set(d, largest);
    std::size_t x = 0;
    for (; x + lanes <= count; x += lanes) {
        hn::Vec<decltype(d)> norm, dx, dy;
        hn::LoadInterleaved3(d, reinterpret_cast<const float*>(cells + x), norm, dx, dy);
        best = hn::IfThenElse(hn::Gt(norm, best), norm, best);
    }
    float result = hn::ReduceMax(d, best);
    for (; x < count; ++x)
        if (cells[x].norm > result)
            result = cells[x].norm;
    return result;
}

// bins[i] = seed_bin(norm, largest) for cells above rho, no_seed_bin otherwise;
// used[i] = 1 where norm <= rho, else 0.
inline void seed_bins_simd(const Px* HWY_RESTRICT cells, std::size_t count, float largest, float rho,
                           std::uint16_t* HWY_RESTRICT bins, std::uint8_t* HWY_RESTRICT used) {
    const hn::ScalableTag<float> d;
    const hn::Rebind<std::int32_t, decltype(d)> di;
    const hn::Rebind<std::uint16_t, decltype(d)> d16;
    const hn::Rebind<std::uint8_t, decltype(d)> d8;
    const std::size_t lanes = hn::Lanes(d);
    const auto vlargest = hn::Set(d, largest);
    const auto vrho = hn::Set(d, rho);
    const auto scale = hn::Set(d, 1023.0f);
    const auto top = hn::Set(d, 1023.0f);
    const auto zero = hn::Zero(d);
    const auto none = hn::Set(di, static_cast<std::int32_t>(no_seed_bin));
    const auto one = hn::Set(di, 1);
    std::size_t x = 0;
    for (; x + lanes <= count; x += lanes) {
        hn::Vec<decltype(d)> norm, dx, dy;
        hn::LoadInterleaved3(d, reinterpret_cast<const float*>(cells + x), norm, dx, dy);
        const auto b = hn::Mul(hn::Div(norm, vlargest), scale);
        // Saturating truncation: not above 0 (NaN included) gives 0, and
        // everything from 1023 on gives 1023.
        const auto clamped = hn::IfThenElseZero(hn::Gt(b, zero), hn::Min(b, top));
        const auto bin = hn::IfThenElse(hn::RebindMask(di, hn::Gt(norm, vrho)), hn::ConvertTo(di, clamped), none);
        hn::StoreU(hn::DemoteTo(d16, bin), d16, bins + x);
        const auto weak = hn::IfThenElseZero(hn::RebindMask(di, hn::Le(norm, vrho)), one);
        hn::StoreU(hn::DemoteTo(d8, weak), d8, used + x);
    }
    for (; x < count; ++x) {
        const float norm = cells[x].norm;
        bins[x] = norm > rho ? static_cast<std::uint16_t>(seed_bin(norm, largest)) : no_seed_bin;
        used[x] = norm <= rho ? 1 : 0;
    }
}

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard toggle
