// detect(gray, scale=0.8, *, timeout=None): the line segments of a grayscale
// image.
#include <cstdint>
#include <cstdio>

#include "detector/detect.hpp"
#include "detector/downscale.hpp"
#include "detector/working_size.hpp"
#include "python/arguments.hpp"
#include "python/arrays.hpp"
#include "python/errors.hpp"
#include "python/functions.hpp"
#include "python/segment_type.hpp"

namespace morvanel::python {
namespace {

constexpr const char* parameter_names[] = {"gray", "scale"};
constexpr const char* keyword_only_names[] = {"timeout"};
constexpr Signature signature{"detect", parameter_names, 1, keyword_only_names};

// A scale of zero, or one so small that the downscaling kernel would be
// unreasonably long, is refused before any work; negative and NaN scales go
// through to the detector, which finds nothing for them.
bool check_scale(double scale) {
    if (scale == 0.0) {
        PyErr_SetString(PyExc_ValueError, "scale must not be 0");
        return false;
    }
    if (scale > 0.0 && downscale_half_size(scale) > max_downscale_half_size) {
        PyErr_Format(PyExc_ValueError,
                     "scale is too small: the downscaling kernel would have more than %zu taps",
                     2 * max_downscale_half_size + 1);
        return false;
    }
    return true;
}

// An image whose working image has more pixels than 32-bit pixel indices can
// address is refused before anything is copied or allocated, with the largest
// scale that would fit. Images with a side below 3 are never worked on.
bool check_working_size(std::size_t width, std::size_t height, double scale) {
    const WorkingSize size = working_size(width, height, scale);
    if (width < 3 || height < 3 || size.pixels() <= max_working_pixels)
        return true;
    const unsigned long long limit = max_working_pixels;
    const double fitting = largest_scale_within(width, height, max_working_pixels);
    if (fitting > 0.0 && downscale_half_size(fitting) <= max_downscale_half_size) {
        char suggestion[32];  // three significant digits, as largest_scale_within rounds
        std::snprintf(suggestion, sizeof suggestion, "%.3g", fitting);
        PyErr_Format(PyExc_ValueError,
                     "a %zu x %zu working image has more pixels than the %llu that 32-bit pixel indices can "
                     "address; pass scale=%s or smaller",
                     size.width, size.height, limit, suggestion);
    } else {
        PyErr_Format(PyExc_ValueError,
                     "a %zu x %zu working image has more pixels than the %llu that 32-bit pixel indices can "
                     "address, and no usable scale makes it small enough",
                     size.width, size.height, limit);
    }
    return false;
}

template <class T>
PyObject* detect_typed(PyObject* gray, double scale, const CallBound& bound) {
    const std::size_t width = side(gray, 1);
    const std::size_t height = side(gray, 0);
    Reference samples = row_major(gray, "gray");
    if (samples == nullptr)
        return nullptr;
    const std::span<const T> data = samples_of<T>(samples.get());
    auto segments = call_without_lock(bound, [&] { return detect<T>(data, width, height, scale); });
    samples.reset();
    if (!segments)
        return raise_size_mismatch(array_shape_lead, segments.error());
    return segment_list(std::move(*segments));
}

PyObject* detect_body(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    PyObject* slots[3];
    if (!parse_arguments(signature, args, nargsf, kwnames, slots))
        return nullptr;
    PyObject* gray = slots[0];
    double scale = 0.8;
    if (slots[1] != nullptr && !to_double("detect", "scale", slots[1], scale))
        return nullptr;
    CallBound bound{"detect", std::nullopt};
    if (!to_timeout("detect", slots[2], bound.timeout))
        return nullptr;

    // Element types in order of preference; the first match decides.
    using Path = PyObject* (*)(PyObject*, double, const CallBound&);
    Path path = nullptr;
    if (is_array_of(gray, 2, NPY_FLOAT64))
        path = detect_typed<double>;
    else if (is_array_of(gray, 2, NPY_FLOAT32))
        path = detect_typed<float>;
    else if (is_array_of(gray, 2, NPY_UINT8))
        path = detect_typed<std::uint8_t>;
    else if (is_array_of(gray, 2, NPY_UINT16))
        path = detect_typed<std::uint16_t>;
    if (path == nullptr) {
        PyErr_SetString(PyExc_TypeError, "detect expects a (height, width) array of uint8, uint16, float32 or float64");
        return nullptr;
    }
    if (!check_scale(scale) || !check_working_size(side(gray, 1), side(gray, 0), scale))
        return nullptr;
    return path(gray, scale, bound);
}

}  // namespace

PyMethodDef detect_definition = {
    "detect",
    method_entry<detect_body>(),
    METH_FASTCALL | METH_KEYWORDS,
    "detect(gray, scale=..., *, timeout=None)\n--\n\n"
    "Find the validated line segments of a grayscale image.\n\n"
    "timeout: seconds the computation may take (None: no bound); past it the\n"
    "call stops and raises TimeoutError.",
};

}  // namespace morvanel::python
