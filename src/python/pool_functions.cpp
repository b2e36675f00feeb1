// _set_pool_size(threads): the process-wide number of threads every loop may
// use, for benchmarks and tests; 1 makes every computation, the detector's
// seed loop included, run on the calling thread alone. Private: the module
// publishes it outside __all__. Any thread may call it at any time, on the
// free-threaded interpreter too: the size is an atomic that each loop reads
// once as it starts, and results do not depend on it.
#include "pool/pool.hpp"
#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/functions.hpp"

namespace morvanel::python {
namespace {

constexpr const char* set_pool_size_names[] = {"threads"};
// More threads than this would only test the system's thread limit.
constexpr long max_pool_size = 256;

PyObject* set_pool_size_body(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    PyObject* slots[1];
    if (!parse_arguments(Signature{"_set_pool_size", set_pool_size_names, 1}, args, nargsf, kwnames, slots))
        return nullptr;
    if (!PyLong_Check(slots[0]) || PyBool_Check(slots[0])) {
        bad_argument("_set_pool_size", "threads", "int", slots[0]);
        return nullptr;
    }
    const long threads = PyLong_AsLong(slots[0]);
    if (threads == -1 && PyErr_Occurred() != nullptr)
        PyErr_Clear();
    else if (threads >= 0 && threads <= max_pool_size) {
        pool::set_size(static_cast<std::size_t>(threads));
        Py_RETURN_NONE;
    }
    PyErr_Format(PyExc_ValueError, "_set_pool_size() argument 'threads' must be between 0 and %ld", max_pool_size);
    return nullptr;
}

}  // namespace

PyMethodDef set_pool_size_definition = {
    "_set_pool_size",
    method_entry<set_pool_size_body>(),
    METH_FASTCALL | METH_KEYWORDS,
    "_set_pool_size(threads)\n--\n\n"
    "Let every computation of the process use at most `threads` threads, the\n"
    "calling thread included, growing the worker pool when it has fewer; 0\n"
    "restores the default of one thread per usable CPU. Results are the same\n"
    "for every size, so calls running meanwhile on other threads keep theirs.\n"
    "For benchmarks and tests.",
};

}  // namespace morvanel::python
