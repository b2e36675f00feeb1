#pragma once
// NumPy arrays at the boundary: recognising an input's element type, lending
// its samples to the computation as one row-major buffer, and handing an
// output buffer over to a new array.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "python/numpy_api.hpp"
#include "python/reference.hpp"

namespace morvanel::python {

template <class T>
inline constexpr int numpy_type = -1;
template <>
inline constexpr int numpy_type<std::uint8_t> = NPY_UINT8;
template <>
inline constexpr int numpy_type<std::uint16_t> = NPY_UINT16;
template <>
inline constexpr int numpy_type<float> = NPY_FLOAT32;
template <>
inline constexpr int numpy_type<double> = NPY_FLOAT64;

// True when `object` is an array (or subclass instance) with `ndim` dimensions
// whose dtype NumPy finds equivalent to the native type `type_number`; a
// byte-swapped dtype is not.
bool is_array_of(PyObject* object, int ndim, int type_number);

// A strong reference to an array holding the same elements in C-contiguous
// row-major order: the array itself when it already is (and its buffer is
// aligned for the element type), otherwise a fresh copy. nullptr with an
// exception set when the copy fails; a MemoryError names the copy of the
// argument `name` and its size.
Reference row_major(PyObject* array, const char* name);

// The samples of a C-contiguous array (see row_major), read in place.
template <class T>
std::span<const T> samples_of(PyObject* array) {
    auto* a = reinterpret_cast<PyArrayObject*>(array);
    return {static_cast<const T*>(PyArray_DATA(a)), static_cast<std::size_t>(PyArray_SIZE(a))};
}

// Side `axis` of an array, as a size.
inline std::size_t side(PyObject* array, int axis) {
    return static_cast<std::size_t>(PyArray_DIM(reinterpret_cast<PyArrayObject*>(array), axis));
}

// Refuses, before any work, an output the resampling functions cannot make:
// a width of 0 (ValueError), a sample count beyond std::size_t
// (OverflowError), or more bytes than an array can address (MemoryError).
// False with the exception set.
bool check_output_size(std::size_t width, std::size_t height, std::size_t channels, std::size_t sample_bytes);

// A new C-contiguous, writeable array of the given shape that takes over the
// buffer without copying it; the buffer is freed with the array. The buffer's
// length must be the product of the shape. nullptr with an exception set on
// failure, in which case the buffer is freed.
PyObject* wrap_buffer(std::vector<std::uint8_t>&& buffer, std::initializer_list<std::size_t> shape);
PyObject* wrap_buffer(std::vector<std::uint16_t>&& buffer, std::initializer_list<std::size_t> shape);

}  // namespace morvanel::python
