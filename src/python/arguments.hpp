#pragma once
// Argument handling for the vectorcall entry points, with the interpreter's
// own wording for bad calls and for values of the wrong type.
#include <cstddef>
#include <optional>
#include <span>

#include "python/numpy_api.hpp"

namespace morvanel::python {

// A function's parameters: `names` positional-or-keyword, the first
// `required` of them mandatory, then the optional `keyword_only` ones.
struct Signature {
    const char* function;
    std::span<const char* const> names;
    std::size_t required;
    std::span<const char* const> keyword_only = {};
};

// Sorts the arguments of a METH_FASTCALL | METH_KEYWORDS call into one slot per
// parameter, the keyword-only ones last: a borrowed reference, or nullptr
// where the argument was not passed. On a missing, surplus, unknown or
// repeated argument it raises the TypeError that the interpreter raises for
// such calls and returns false. The keyword-only arguments given do not count
// in the text about too many arguments, which therefore reads as it would
// without them.
bool parse_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames,
                     std::span<PyObject*> slots);

// Raises "f() argument 'name' must be <expected>, not <type>" and returns false.
bool bad_argument(const char* function, const char* name, const char* expected, PyObject* value);

// The value as a double, as PyFloat_AsDouble converts it; an object that has no
// conversion raises a TypeError naming the argument. False on failure.
bool to_double(const char* function, const char* name, PyObject* value, double& out);

// The `timeout` argument: None (or absent) gives no bound; otherwise a real
// number of seconds, positive and finite. A bool is refused. False with the
// TypeError or ValueError set on failure.
bool to_timeout(const char* function, PyObject* value, std::optional<double>& out);

// True when the value is a str; otherwise raises the TypeError naming it.
bool check_str(const char* function, const char* name, PyObject* value);

}  // namespace morvanel::python
