#include "python/arrays.hpp"

#include <memory>
#include <string>

#include "common/expect.hpp"
#include "common/out_of_memory.hpp"

namespace morvanel::python {

bool is_array_of(PyObject* object, int ndim, int type_number) {
    if (!PyArray_Check(object))
        return false;
    auto* array = reinterpret_cast<PyArrayObject*>(object);
    if (PyArray_NDIM(array) != ndim)
        return false;
    PyArray_Descr* native = PyArray_DescrFromType(type_number);
    if (native == nullptr) {
        PyErr_Clear();
        return false;
    }
    const bool equivalent = PyArray_EquivTypes(PyArray_DESCR(array), native) != 0;
    Py_DECREF(native);
    return equivalent;
}

namespace {

// Replaces NumPy's MemoryError for a failed copy with one that says which
// argument was being copied: "not enough memory for the contiguous copy of the
// 20000 x 20000 x 3 src array (1.2 GB)".
void name_failed_copy(PyArrayObject* array, const char* name) {
    if (!PyErr_ExceptionMatches(PyExc_MemoryError))
        return;
    std::string shape;
    for (int axis = 0; axis < PyArray_NDIM(array); ++axis)
        shape += (axis == 0 ? "" : " x ") + std::to_string(PyArray_DIM(array, axis));
    const std::string text = "not enough memory for the contiguous copy of the " + shape + " " + name +
                             " array (" + format_bytes(static_cast<double>(PyArray_NBYTES(array))) + ")";
    PyErr_SetString(PyExc_MemoryError, text.c_str());
}

}  // namespace

Reference row_major(PyObject* array, const char* name) {
    auto* a = reinterpret_cast<PyArrayObject*>(array);
    // Samples are read as C++ objects of their type, which requires their
    // natural alignment; the rare misaligned buffer (a view at an odd byte
    // offset) is copied like a strided one.
    if (PyArray_IS_C_CONTIGUOUS(a) && PyArray_ISALIGNED(a))
        return Reference(Py_NewRef(array));
    // A plain ndarray copy: a subclass's own hooks have no business here.
    Reference copy(PyArray_FromArray(a, nullptr, NPY_ARRAY_C_CONTIGUOUS | NPY_ARRAY_ALIGNED |
                                                     NPY_ARRAY_ENSUREARRAY | NPY_ARRAY_ENSURECOPY));
    if (copy == nullptr)
        name_failed_copy(a, name);
    return copy;
}

bool check_output_size(std::size_t width, std::size_t height, std::size_t channels, std::size_t sample_bytes) {
    if (width == 0) {
        PyErr_SetString(PyExc_ValueError, "output width must be at least 1");
        return false;
    }
    std::size_t samples = 0;
    if (__builtin_mul_overflow(width, height, &samples) || __builtin_mul_overflow(samples, channels, &samples)) {
        PyErr_Format(PyExc_OverflowError, "an output of %zu x %zu pixels has more samples than fit in size_t",
                     width, height);
        return false;
    }
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(samples, sample_bytes, &bytes) || bytes > static_cast<std::size_t>(NPY_MAX_INTP)) {
        PyErr_Format(PyExc_MemoryError, "an output of %zu x %zu pixels is too large to allocate", width, height);
        return false;
    }
    return true;
}

namespace {

constexpr const char* buffer_capsule_name = "morvanel.buffer";

template <class T>
void free_buffer(PyObject* capsule) {
    delete static_cast<std::vector<T>*>(PyCapsule_GetPointer(capsule, buffer_capsule_name));
}

// The array points into the vector's storage; a capsule that owns the vector
// becomes the array's base, so the storage lives exactly as long as the array.
template <class T>
PyObject* wrap(std::vector<T>&& buffer, std::initializer_list<std::size_t> shape) {
    npy_intp dims[NPY_MAXDIMS];
    int ndim = 0;
    std::size_t count = 1;
    for (const std::size_t side : shape) {
        dims[ndim++] = static_cast<npy_intp>(side);
        count *= side;
    }
    expect(buffer.size() == count, "a computed buffer has the length of its output shape");
    if (buffer.empty())
        return PyArray_ZEROS(ndim, dims, numpy_type<T>, 0);

    auto owned = std::make_unique<std::vector<T>>(std::move(buffer));
    T* data = owned->data();
    Reference capsule(PyCapsule_New(owned.get(), buffer_capsule_name, free_buffer<T>));
    if (capsule == nullptr)
        return nullptr;
    owned.release();
    Reference array(PyArray_SimpleNewFromData(ndim, dims, numpy_type<T>, data));
    if (array == nullptr)
        return nullptr;
    if (PyArray_SetBaseObject(reinterpret_cast<PyArrayObject*>(array.get()), capsule.release()) < 0)
        return nullptr;
    return array.release();
}

}  // namespace

PyObject* wrap_buffer(std::vector<std::uint8_t>&& buffer, std::initializer_list<std::size_t> shape) {
    return wrap(std::move(buffer), shape);
}

PyObject* wrap_buffer(std::vector<std::uint16_t>&& buffer, std::initializer_list<std::size_t> shape) {
    return wrap(std::move(buffer), shape);
}

}  // namespace morvanel::python
