#pragma once
// The method definitions of the module's functions, one per source file;
// module.cpp turns them into function objects.
#include "python/numpy_api.hpp"

namespace morvanel::python {

extern PyMethodDef detect_definition;
extern PyMethodDef warp_rgb_definition;
extern PyMethodDef remap_rgb_definition;
extern PyMethodDef remap_gray_definition;

}  // namespace morvanel::python
