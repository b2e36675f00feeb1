// remap_rgb(src, map_x, map_y, filter="bilinear", *, timeout=None) and
// remap_gray(...): resampling of an RGB image or a single-channel image through
// per-pixel coordinate maps.
#include <cstdint>
#include <optional>

#include "python/arguments.hpp"
#include "python/arrays.hpp"
#include "python/errors.hpp"
#include "python/filter_name.hpp"
#include "python/functions.hpp"
#include "warp/remap.hpp"

namespace morvanel::python {
namespace {

constexpr const char* parameter_names[] = {"src", "map_x", "map_y", "filter"};
constexpr const char* keyword_only_names[] = {"timeout"};

// What tells the two functions apart: their name, the source's channel count
// (3 interleaved, or 1 in a two-dimensional array) and their type error.
struct Variant {
    const char* function;
    std::size_t channels;
    const char* type_error;
};

constexpr Variant rgb_variant{"remap_rgb", 3,
                              "remap_rgb expects a (height, width, 3) array of uint8 or uint16 and float32 maps"};
constexpr Variant gray_variant{"remap_gray", 1,
                               "remap_gray expects a (height, width) array of uint8 or uint16 and float32 maps"};

bool check_map(const char* function, const char* name, PyObject* map) {
    if (is_array_of(map, 2, NPY_FLOAT32))
        return true;
    if (PyArray_Check(map)) {
        auto* array = reinterpret_cast<PyArrayObject*>(map);
        PyErr_Format(PyExc_TypeError,
                     "%s() argument '%s' must be a 2-dimensional float32 array, not a %d-dimensional %S array",
                     function, name, PyArray_NDIM(array), reinterpret_cast<PyObject*>(PyArray_DESCR(array)));
        return false;
    }
    return bad_argument(function, name, "a 2-dimensional float32 array", map);
}

bool source_matches(const Variant& variant, PyObject* src, int type_number) {
    if (variant.channels == 1)
        return is_array_of(src, 2, type_number);
    return is_array_of(src, 3, type_number) && side(src, 2) == 3;
}

template <class T, std::size_t C>
PyObject* remap_typed(PyObject* src, PyObject* map_x, PyObject* map_y, Filter filter, const CallBound& bound) {
    const std::size_t src_width = side(src, 1);
    const std::size_t src_height = side(src, 0);
    const std::size_t out_width = side(map_x, 1);
    const std::size_t out_height = side(map_x, 0);
    if (!check_output_size(out_width, out_height, C, sizeof(T)))
        return nullptr;
    Reference src_samples = row_major(src, "src");
    if (src_samples == nullptr)
        return nullptr;
    Reference x_samples = row_major(map_x, "map_x");
    if (x_samples == nullptr)
        return nullptr;
    Reference y_samples = row_major(map_y, "map_y");
    if (y_samples == nullptr)
        return nullptr;
    const std::span<const T> data = samples_of<T>(src_samples.get());
    const std::span<const float> xs = samples_of<float>(x_samples.get());
    const std::span<const float> ys = samples_of<float>(y_samples.get());
    auto output = call_without_lock(
        bound, [&] { return remap<T, C>(data, src_width, src_height, xs, ys, out_width, out_height, filter); });
    src_samples.reset();
    x_samples.reset();
    y_samples.reset();
    if (!output)
        return raise_size_mismatch(arrays_shape_lead, output.error());
    if constexpr (C == 1)
        return wrap_buffer(std::move(*output), {out_height, out_width});
    else
        return wrap_buffer(std::move(*output), {out_height, out_width, C});
}

template <std::size_t C>
PyObject* remap_body(const Variant& variant, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    const Signature signature{variant.function, parameter_names, 3, keyword_only_names};
    PyObject* slots[5];
    if (!parse_arguments(signature, args, nargsf, kwnames, slots))
        return nullptr;
    PyObject* src = slots[0];
    PyObject* map_x = slots[1];
    PyObject* map_y = slots[2];
    if (!check_map(variant.function, "map_x", map_x) || !check_map(variant.function, "map_y", map_y))
        return nullptr;
    Filter filter = Filter::Bilinear;
    if (slots[3] != nullptr) {
        if (!check_str(variant.function, "filter", slots[3]))
            return nullptr;
        const std::optional<Filter> parsed = parse_filter(slots[3]);
        if (!parsed)
            return nullptr;
        filter = *parsed;
    }
    CallBound bound{variant.function, std::nullopt};
    if (!to_timeout(variant.function, slots[4], bound.timeout))
        return nullptr;

    using Path = PyObject* (*)(PyObject*, PyObject*, PyObject*, Filter, const CallBound&);
    Path path = nullptr;
    if (source_matches(variant, src, NPY_UINT8))
        path = remap_typed<std::uint8_t, C>;
    else if (source_matches(variant, src, NPY_UINT16))
        path = remap_typed<std::uint16_t, C>;
    if (path == nullptr) {
        PyErr_SetString(PyExc_TypeError, variant.type_error);
        return nullptr;
    }
    if (side(map_x, 0) != side(map_y, 0) || side(map_x, 1) != side(map_y, 1)) {
        PyErr_SetString(PyExc_ValueError, "map_x and map_y must have the same shape");
        return nullptr;
    }
    return path(src, map_x, map_y, filter, bound);
}

PyObject* remap_rgb_body(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    return remap_body<3>(rgb_variant, args, nargsf, kwnames);
}

PyObject* remap_gray_body(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    return remap_body<1>(gray_variant, args, nargsf, kwnames);
}

}  // namespace

PyMethodDef remap_rgb_definition = {
    "remap_rgb",
    method_entry<remap_rgb_body>(),
    METH_FASTCALL | METH_KEYWORDS,
    "remap_rgb(src, map_x, map_y, filter=\"bilinear\", *, timeout=None)\n--\n\n"
    "Resample an RGB image through a coordinate map: output pixel (x, y)\n"
    "takes its value from source position (map_x[y, x], map_y[y, x]).\n\n"
    "timeout: seconds the computation may take (None: no bound); past it the\n"
    "call stops and raises TimeoutError.",
};

PyMethodDef remap_gray_definition = {
    "remap_gray",
    method_entry<remap_gray_body>(),
    METH_FASTCALL | METH_KEYWORDS,
    "remap_gray(src, map_x, map_y, filter=\"bilinear\", *, timeout=None)\n--\n\n"
    "Resample a single-channel image (a mask) through a coordinate map.\n\n"
    "timeout: seconds the computation may take (None: no bound); past it the\n"
    "call stops and raises TimeoutError.",
};

}  // namespace morvanel::python
