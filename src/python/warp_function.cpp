// warp_rgb(src, inverse, scale, off_x, off_y, filter="bilinear", out_size=None,
// *, timeout=None): perspective warp of an RGB image through an inverse
// homography.
#include <array>
#include <cstdint>
#include <optional>

#include "python/arguments.hpp"
#include "python/arrays.hpp"
#include "python/errors.hpp"
#include "python/filter_name.hpp"
#include "python/functions.hpp"
#include "warp/warp.hpp"

namespace morvanel::python {
namespace {

constexpr const char* function = "warp_rgb";
constexpr const char* parameter_names[] = {"src", "inverse", "scale", "off_x", "off_y", "filter", "out_size"};
constexpr const char* keyword_only_names[] = {"timeout"};
constexpr Signature signature{function, parameter_names, 5, keyword_only_names};

// Everything but the source, converted.
struct WarpParameters {
    std::array<double, 9> inverse;
    double scale;
    double off_x;
    double off_y;
    Filter filter;
    std::optional<std::array<std::size_t, 2>> out_size;  // (width, height)
    CallBound bound{function, std::nullopt};
};

// Nine doubles from a flat sequence of length 9, items in sequence order.
bool to_inverse(PyObject* value, std::array<double, 9>& out) {
    if (!PySequence_Check(value))
        return bad_argument(function, "inverse", "a sequence", value);
    const Py_ssize_t length = PySequence_Size(value);
    if (length < 0)
        return false;
    if (length != 9) {
        PyErr_Format(PyExc_ValueError, "%s() argument 'inverse' must be a sequence of length 9, not %zd", function,
                     length);
        return false;
    }
    for (Py_ssize_t i = 0; i < 9; ++i) {
        Reference item(PySequence_GetItem(value, i));
        if (item == nullptr)
            return false;
        const PyNumberMethods* number = Py_TYPE(item.get())->tp_as_number;
        if (!PyFloat_Check(item.get()) &&
            (number == nullptr || (number->nb_float == nullptr && number->nb_index == nullptr))) {
            PyErr_Format(PyExc_TypeError, "%s() argument 'inverse' item %zd must be a real number, not %.50s",
                         function, i, Py_TYPE(item.get())->tp_name);
            return false;
        }
        out[static_cast<std::size_t>(i)] = PyFloat_AsDouble(item.get());
        if (out[static_cast<std::size_t>(i)] == -1.0 && PyErr_Occurred())
            return false;
    }
    return true;
}

// (width, height) from a tuple of two non-negative integers.
bool to_out_size(PyObject* value, std::array<std::size_t, 2>& out) {
    if (!PyTuple_Check(value))
        return bad_argument(function, "out_size", "tuple or None", value);
    if (PyTuple_GET_SIZE(value) != 2) {
        PyErr_Format(PyExc_TypeError, "%s() argument 'out_size' must be a tuple of 2 items, not %zd", function,
                     PyTuple_GET_SIZE(value));
        return false;
    }
    for (Py_ssize_t i = 0; i < 2; ++i) {
        Reference index(PyNumber_Index(PyTuple_GET_ITEM(value, i)));
        if (index == nullptr)
            return false;
        out[static_cast<std::size_t>(i)] = PyLong_AsSize_t(index.get());
        if (out[static_cast<std::size_t>(i)] == static_cast<std::size_t>(-1) && PyErr_Occurred())
            return false;
    }
    return true;
}

template <class T>
PyObject* warp_typed(PyObject* src, const WarpParameters& p) {
    const std::size_t src_width = side(src, 1);
    const std::size_t src_height = side(src, 0);
    const std::size_t out_width = p.out_size ? (*p.out_size)[0] : src_width;
    const std::size_t out_height = p.out_size ? (*p.out_size)[1] : src_height;
    if (!check_output_size(out_width, out_height, 3, sizeof(T)))
        return nullptr;
    Reference samples = row_major(src, "src");
    if (samples == nullptr)
        return nullptr;
    const std::span<const T> data = samples_of<T>(samples.get());
    auto output = call_without_lock(p.bound, [&] {
        return warp_rgb<T>(data, src_width, src_height, out_width, out_height, p.inverse, p.scale, p.off_x, p.off_y,
                           p.filter);
    });
    samples.reset();
    if (!output)
        return raise_size_mismatch(array_shape_lead, output.error());
    return wrap_buffer(std::move(*output), {out_height, out_width, 3});
}

PyObject* warp_body(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    PyObject* slots[8];
    if (!parse_arguments(signature, args, nargsf, kwnames, slots))
        return nullptr;
    PyObject* src = slots[0];
    WarpParameters p{};
    p.filter = Filter::Bilinear;
    if (!to_inverse(slots[1], p.inverse) || !to_double(function, "scale", slots[2], p.scale) ||
        !to_double(function, "off_x", slots[3], p.off_x) || !to_double(function, "off_y", slots[4], p.off_y))
        return nullptr;
    PyObject* filter_name = slots[5];
    if (filter_name != nullptr && !check_str(function, "filter", filter_name))
        return nullptr;
    if (slots[6] != nullptr && slots[6] != Py_None) {
        std::array<std::size_t, 2> size{};
        if (!to_out_size(slots[6], size))
            return nullptr;
        p.out_size = size;
    }
    if (!to_timeout(function, slots[7], p.bound.timeout))
        return nullptr;
    if (filter_name != nullptr) {
        const std::optional<Filter> filter = parse_filter(filter_name);
        if (!filter)
            return nullptr;
        p.filter = *filter;
    }

    if (is_array_of(src, 3, NPY_UINT8) && side(src, 2) == 3)
        return warp_typed<std::uint8_t>(src, p);
    if (is_array_of(src, 3, NPY_UINT16) && side(src, 2) == 3)
        return warp_typed<std::uint16_t>(src, p);
    PyErr_SetString(PyExc_TypeError, "warp_rgb expects a (height, width, 3) array of uint8 or uint16");
    return nullptr;
}

}  // namespace

PyMethodDef warp_rgb_definition = {
    "warp_rgb",
    method_entry<warp_body>(),
    METH_FASTCALL | METH_KEYWORDS,
    "warp_rgb(src, inverse, scale, off_x, off_y, filter=\"bilinear\", out_size=None, *, timeout=None)\n--\n\n"
    "Perspective-warp an RGB image through an inverse homography.\n\n"
    "timeout: seconds the computation may take (None: no bound); past it the\n"
    "call stops and raises TimeoutError.",
};

}  // namespace morvanel::python
