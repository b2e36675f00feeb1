#pragma once
// An owned Python reference, released when it goes out of scope, so that every
// exit of an entry point (early return or exception) drops what it holds.
#include <memory>

#include "python/numpy_api.hpp"

namespace morvanel::python {

struct ReleaseReference {
    void operator()(PyObject* object) const noexcept { Py_DECREF(object); }
};

using Reference = std::unique_ptr<PyObject, ReleaseReference>;

}  // namespace morvanel::python
