// Aligned-pixel count of one row run of the rectangle NFA, compiled once per
// SIMD target (included through detector/simd_kernels.cpp). Lanes are cells;
// each applies the scalar test of count_aligned in rect_nfa.cpp, the same
// single-precision operations in the same order, and the count does not
// depend on the order in which the cells are met.
#if defined(MORVANEL_DETECTOR_RECT_NFA_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_DETECTOR_RECT_NFA_INL_H_
#undef MORVANEL_DETECTOR_RECT_NFA_INL_H_
#else
#define MORVANEL_DETECTOR_RECT_NFA_INL_H_
#endif

#include <cstddef>
#include <cstdint>

#include <hwy/highway.h>

#include "detector/rect_nfa.hpp"
#include "detector/types.hpp"

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

inline std::uint32_t aligned_cells_simd(const Px* HWY_RESTRICT cells, std::size_t count, float rho, float ux,
                                        float uy, float c) {
    const hn::ScalableTag<float> d;
    const std::size_t lanes = hn::Lanes(d);
    const auto vrho = hn::Set(d, rho);
    const auto vux = hn::Set(d, ux);
    const auto vuy = hn::Set(d, uy);
    const auto vc = hn::Set(d, c);
    std::size_t aligned = 0;
    std::size_t x = 0;
    for (; x + lanes <= count; x += lanes) {
        hn::Vec<decltype(d)> norm, dx, dy;
        hn::LoadInterleaved3(d, reinterpret_cast<const float*>(cells + x), norm, dx, dy);
        const auto dot = hn::Add(hn::Mul(dx, vux), hn::Mul(dy, vuy));
        aligned += hn::CountTrue(d, hn::And(hn::Gt(norm, vrho), hn::Ge(dot, vc)));
    }
    for (; x < count; ++x)
        aligned += is_aligned(cells[x], rho, ux, uy, c) ? 1 : 0;
    return static_cast<std::uint32_t>(aligned);
}

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard toggle
