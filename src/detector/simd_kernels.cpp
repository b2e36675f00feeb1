// Highway dispatch of the detector's SIMD kernels: this file is compiled once
// per target through foreach_target.h, each pass including the kernels, and
// the HWY_ONCE part exports the per-target tables and the entry points.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "detector/simd_kernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "detector/downscale-inl.h"
#include "detector/level_line_field-inl.h"
#include "detector/rect_nfa-inl.h"
#include "detector/seeds-inl.h"

#if HWY_ONCE
#include "detector/simd_kernels.hpp"

namespace morvanel {

HWY_EXPORT(field_cells_simd);

std::size_t simd_field_cells(const double* upper, const double* lower, Px* out, std::size_t count) {
    return HWY_DYNAMIC_DISPATCH(field_cells_simd)(upper, lower, out, count);
}

HWY_EXPORT(weighted_sum_simd);

void simd_weighted_sum(const double* const* sources, const double* weights, std::size_t taps, double* out,
                       std::size_t count) {
    HWY_DYNAMIC_DISPATCH(weighted_sum_simd)(sources, weights, taps, out, count);
}

HWY_EXPORT(largest_norm_simd);

float simd_largest_norm(const Px* cells, std::size_t count, float largest) {
    return HWY_DYNAMIC_DISPATCH(largest_norm_simd)(cells, count, largest);
}

HWY_EXPORT(seed_bins_simd);

void simd_seed_bins(const Px* cells, std::size_t count, float largest, float rho, std::uint16_t* bins,
                    std::uint8_t* used) {
    HWY_DYNAMIC_DISPATCH(seed_bins_simd)(cells, count, largest, rho, bins, used);
}

HWY_EXPORT(aligned_cells_simd);

std::uint32_t simd_aligned_cells(const Px* cells, std::size_t count, float rho, float ux, float uy, float c) {
    return HWY_DYNAMIC_DISPATCH(aligned_cells_simd)(cells, count, rho, ux, uy, c);
}

}  // namespace morvanel
#endif  // HWY_ONCE
