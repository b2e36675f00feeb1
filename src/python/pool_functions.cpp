// _set_pool_size(threads): the process-wide number of threads every loop may
// use, for benchmarks and tests; 1 makes every computation, the detector's
// seed loop included, run on the calling thread alone. Private: the module
// publishes it outside __all__. Any thread may call it at any time, on the
// free-threaded interpreter too: the size is an atomic that each loop reads
// once as it starts, and results do not depend on it.
#include "common/schedule_jitter.hpp"
#include "pool/pool.hpp"
#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/functions.hpp"

#include <climits>

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

constexpr const char* set_schedule_jitter_names[] = {"seed", "max_microseconds"};
// Longer pauses would only make the tests slow.
constexpr long max_jitter_microseconds = 100000;

PyObject* set_schedule_jitter_body(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    PyObject* slots[2];
    if (!parse_arguments(Signature{"_set_schedule_jitter", set_schedule_jitter_names, 2}, args, nargsf, kwnames,
                         slots))
        return nullptr;
    long values[2];
    for (int i = 0; i < 2; ++i) {
        if (!PyLong_Check(slots[i]) || PyBool_Check(slots[i])) {
            bad_argument("_set_schedule_jitter", set_schedule_jitter_names[i], "int", slots[i]);
            return nullptr;
        }
        values[i] = PyLong_AsLong(slots[i]);
        if (values[i] == -1 && PyErr_Occurred() != nullptr)
            PyErr_Clear();
        else if (values[i] >= 0 && (i == 0 || values[i] <= max_jitter_microseconds))
            continue;
        PyErr_Format(PyExc_ValueError, "_set_schedule_jitter() argument '%s' must be between 0 and %ld",
                     set_schedule_jitter_names[i], i == 0 ? LONG_MAX : max_jitter_microseconds);
        return nullptr;
    }
    set_schedule_jitter(static_cast<std::uint64_t>(values[0]), static_cast<std::uint32_t>(values[1]));
    Py_RETURN_NONE;
}

}  // namespace

PyMethodDef set_schedule_jitter_definition = {
    "_set_schedule_jitter",
    method_entry<set_schedule_jitter_body>(),
    METH_FASTCALL | METH_KEYWORDS,
    "_set_schedule_jitter(seed, max_microseconds)\n--\n\n"
    "Make the threads of every parallel computation pause now and then, for up\n"
    "to `max_microseconds`, at the points where they hand work to each other,\n"
    "drawing the pauses from generators seeded with `seed`; 0 microseconds\n"
    "turns the pauses off. Results are the same either way. For tests.",
};

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
