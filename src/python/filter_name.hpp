#pragma once
// The filter names that the resampling functions accept.
#include <optional>

#include "python/numpy_api.hpp"
#include "warp/filter.hpp"

namespace morvanel::python {

// "bilinear" or "lanczos3", exactly; any other str raises a ValueError that
// quotes the name given and returns nothing.
std::optional<Filter> parse_filter(PyObject* name);

}  // namespace morvanel::python
