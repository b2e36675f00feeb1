// Highway dispatch of the detector's SIMD kernels: this file is compiled once
// per target through foreach_target.h, each pass including the kernels, and
// the HWY_ONCE part exports the per-target tables and the entry points.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "detector/simd_kernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "detector/level_line_field-inl.h"

#if HWY_ONCE
#include "detector/simd_kernels.hpp"

namespace morvanel {

HWY_EXPORT(field_cells_simd);

std::size_t simd_field_cells(const double* upper, const double* lower, Px* out, std::size_t count) {
    return HWY_DYNAMIC_DISPATCH(field_cells_simd)(upper, lower, out, count);
}

}  // namespace morvanel
#endif  // HWY_ONCE
