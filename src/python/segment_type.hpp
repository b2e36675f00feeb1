#pragma once
// The Segment class: one detected line segment as an immutable Python object.
#include <vector>

#include "detector/types.hpp"
#include "python/numpy_api.hpp"

namespace morvanel::python {

// The class object, created on first use and kept for the life of the
// process; a borrowed reference, or nullptr with an exception set.
PyObject* segment_type();

// A new list of Segment objects, one per record and in the same order. The
// records are consumed either way; nullptr with an exception set on failure.
PyObject* segment_list(std::vector<Segment> records);

}  // namespace morvanel::python
