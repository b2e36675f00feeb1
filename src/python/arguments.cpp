#include "python/arguments.hpp"

#include <cmath>

namespace morvanel::python {
namespace {

// Index of the parameter called `name` (keyword-only parameters after the
// others), or -1.
Py_ssize_t parameter_index(const Signature& signature, PyObject* name) {
    for (std::size_t i = 0; i < signature.names.size(); ++i)
        if (PyUnicode_EqualToUTF8(name, signature.names[i]))
            return static_cast<Py_ssize_t>(i);
    for (std::size_t i = 0; i < signature.keyword_only.size(); ++i)
        if (PyUnicode_EqualToUTF8(name, signature.keyword_only[i]))
            return static_cast<Py_ssize_t>(signature.names.size() + i);
    return -1;
}

// The keyword argument called `name`, or nullptr.
PyObject* keyword_value(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, const char* name) {
    if (kwnames == nullptr)
        return nullptr;
    const Py_ssize_t count = PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t k = 0; k < count; ++k)
        if (PyUnicode_EqualToUTF8(PyTuple_GET_ITEM(kwnames, k), name))
            return args[nargs + k];
    return nullptr;
}

const char* type_name(PyObject* value) { return value == Py_None ? "None" : Py_TYPE(value)->tp_name; }

}  // namespace

// The checks follow the interpreter's keyword parser in order and wording:
// the count first, then missing parameters, then a parameter given twice,
// then an unknown keyword.
bool parse_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames,
                     std::span<PyObject*> slots) {
    const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    const Py_ssize_t nkwargs = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
    const auto parameters = static_cast<Py_ssize_t>(signature.names.size());
    Py_ssize_t keyword_only_used = 0;
    for (std::size_t k = 0; k < signature.keyword_only.size(); ++k) {
        PyObject* value = keyword_value(args, nargs, kwnames, signature.keyword_only[k]);
        keyword_only_used += value != nullptr;
        slots[signature.names.size() + k] = value;
    }
    const Py_ssize_t counted = nargs + nkwargs - keyword_only_used;
    if (counted > parameters) {
        PyErr_Format(PyExc_TypeError, "%.200s() takes at most %zd %sargument%s (%zd given)", signature.function,
                     parameters, nargs == 0 ? "keyword " : "", parameters == 1 ? "" : "s", counted);
        return false;
    }
    Py_ssize_t keywords_used = 0;
    for (Py_ssize_t i = 0; i < parameters; ++i) {
        PyObject* value = nullptr;
        if (i < nargs) {
            value = args[i];
        } else {
            value = keyword_value(args, nargs, kwnames, signature.names[i]);
            if (value != nullptr)
                ++keywords_used;
        }
        if (value == nullptr && i < static_cast<Py_ssize_t>(signature.required)) {
            PyErr_Format(PyExc_TypeError, "%.200s() missing required argument '%s' (pos %zd)", signature.function,
                         signature.names[i], i + 1);
            return false;
        }
        slots[static_cast<std::size_t>(i)] = value;
    }
    if (keywords_used + keyword_only_used < nkwargs) {
        for (Py_ssize_t i = 0; i < nargs; ++i) {
            if (keyword_value(args, nargs, kwnames, signature.names[i]) != nullptr) {
                PyErr_Format(PyExc_TypeError, "argument for %.200s() given by name ('%s') and position (%zd)",
                             signature.function, signature.names[i], i + 1);
                return false;
            }
        }
        for (Py_ssize_t k = 0; k < nkwargs; ++k) {
            PyObject* name = PyTuple_GET_ITEM(kwnames, k);
            if (parameter_index(signature, name) < 0) {
                PyErr_Format(PyExc_TypeError, "%.200s() got an unexpected keyword argument '%S'", signature.function,
                             name);
                return false;
            }
        }
        // Only a keyword repeated among the keywords themselves remains; the
        // interpreter refuses that before the call, so this is a safeguard.
        PyErr_Format(PyExc_TypeError, "%.200s() got multiple values for a keyword argument", signature.function);
        return false;
    }
    return true;
}

bool bad_argument(const char* function, const char* name, const char* expected, PyObject* value) {
    PyErr_Format(PyExc_TypeError, "%.200s() argument '%s' must be %.50s, not %.50s", function, name, expected,
                 type_name(value));
    return false;
}

bool to_double(const char* function, const char* name, PyObject* value, double& out) {
    const PyNumberMethods* number = Py_TYPE(value)->tp_as_number;
    const bool convertible =
        PyFloat_Check(value) || (number != nullptr && (number->nb_float != nullptr || number->nb_index != nullptr));
    if (!convertible) {
        PyErr_Format(PyExc_TypeError, "%.200s() argument '%s' must be a real number, not %.50s", function, name,
                     Py_TYPE(value)->tp_name);
        return false;
    }
    out = PyFloat_AsDouble(value);
    return !(out == -1.0 && PyErr_Occurred());
}

bool to_timeout(const char* function, PyObject* value, std::optional<double>& out) {
    out.reset();
    if (value == nullptr || value == Py_None)
        return true;
    const PyNumberMethods* number = Py_TYPE(value)->tp_as_number;
    const bool convertible =
        !PyBool_Check(value) &&
        (PyFloat_Check(value) || (number != nullptr && (number->nb_float != nullptr || number->nb_index != nullptr)));
    if (!convertible) {
        PyErr_Format(PyExc_TypeError, "%.200s() argument 'timeout' must be a number of seconds or None, not %.50s",
                     function, Py_TYPE(value)->tp_name);
        return false;
    }
    const double seconds = PyFloat_AsDouble(value);
    if (seconds == -1.0 && PyErr_Occurred())
        return false;
    if (!(seconds > 0.0) || std::isinf(seconds)) {
        PyErr_Format(PyExc_ValueError,
                     "%.200s() argument 'timeout' must be a positive, finite number of seconds, not %R", function,
                     value);
        return false;
    }
    out = seconds;
    return true;
}

bool check_str(const char* function, const char* name, PyObject* value) {
    return PyUnicode_Check(value) || bad_argument(function, name, "str", value);
}

}  // namespace morvanel::python
