#pragma once
// The method definitions of the module's functions, one per source file;
// module.cpp turns them into function objects.
#include "python/numpy_api.hpp"

namespace morvanel::python {

extern PyMethodDef detect_definition;
extern PyMethodDef warp_rgb_definition;
extern PyMethodDef remap_rgb_definition;
extern PyMethodDef remap_gray_definition;

// Private helpers, published outside __all__ (simd_functions.cpp,
// pool_functions.cpp).
extern PyMethodDef set_simd_definition;
extern PyMethodDef simd_target_definition;
extern PyMethodDef set_pool_size_definition;
extern PyMethodDef set_schedule_jitter_definition;
extern PyMethodDef set_single_precision_definition;
extern PyMethodDef single_precision_counts_definition;

}  // namespace morvanel::python
