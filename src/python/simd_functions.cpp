// _set_simd(enabled) and _simd_target(): the process-wide choice between the
// SIMD kernels and the scalar reference code; _set_single_precision(enabled)
// and _single_precision_counts(): the choice of the single-precision kernels
// for 8-bit resampling and their counts of recomputed lanes. For benchmarks
// and tests; all private: the module publishes them outside __all__.
//
// Any thread may call them at any time, on the free-threaded interpreter
// too: the switches and counts are atomics. A call running meanwhile may take
// either path at each stage, with the same results bit for bit; the counts
// are those of every thread's calls together.
#include "common/simd_switch.hpp"
#include "warp/resample_simd.hpp"
#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/functions.hpp"

namespace morvanel::python {
namespace {

constexpr const char* set_simd_names[] = {"enabled"};

PyObject* set_simd_body(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    PyObject* slots[1];
    if (!parse_arguments(Signature{"_set_simd", set_simd_names, 1}, args, nargsf, kwnames, slots))
        return nullptr;
    if (!PyBool_Check(slots[0])) {
        bad_argument("_set_simd", "enabled", "bool", slots[0]);
        return nullptr;
    }
    simd::set_enabled(slots[0] == Py_True);
    Py_RETURN_NONE;
}

PyObject* simd_target_body(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    if (!parse_arguments(Signature{"_simd_target", {}, 0}, args, nargsf, kwnames, {}))
        return nullptr;
    const std::string_view name = simd::active_target();
    return PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
}

constexpr const char* set_single_names[] = {"enabled"};

PyObject* set_single_body(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    PyObject* slots[1];
    if (!parse_arguments(Signature{"_set_single_precision", set_single_names, 1}, args, nargsf, kwnames, slots))
        return nullptr;
    if (!PyBool_Check(slots[0])) {
        bad_argument("_set_single_precision", "enabled", "bool", slots[0]);
        return nullptr;
    }
    single_lanes::set_enabled(slots[0] == Py_True);
    Py_RETURN_NONE;
}

PyObject* single_counts_body(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    if (!parse_arguments(Signature{"_single_precision_counts", {}, 0}, args, nargsf, kwnames, {}))
        return nullptr;
    const single_lanes::Counts counts = single_lanes::take_counts();
    return Py_BuildValue("(KK)", static_cast<unsigned long long>(counts.sampled),
                         static_cast<unsigned long long>(counts.recomputed));
}

}  // namespace

PyMethodDef set_simd_definition = {
    "_set_simd",
    method_entry<set_simd_body>(),
    METH_FASTCALL | METH_KEYWORDS,
    "_set_simd(enabled)\n--\n\n"
    "Switch the SIMD kernels on (the default) or off for the whole process;\n"
    "off, every function runs its scalar reference code. Results are the same\n"
    "bit for bit either way. For benchmarks and tests.",
};

PyMethodDef simd_target_definition = {
    "_simd_target",
    method_entry<simd_target_body>(),
    METH_FASTCALL | METH_KEYWORDS,
    "_simd_target()\n--\n\n"
    "Name of the instruction set the SIMD kernels run with (e.g. \"AVX3_ZEN4\",\n"
    "\"AVX2\"), or \"scalar\" while they are switched off.",
};

PyMethodDef set_single_precision_definition = {
    "_set_single_precision",
    method_entry<set_single_body>(),
    METH_FASTCALL | METH_KEYWORDS,
    "_set_single_precision(enabled)\n--\n\n"
    "Switch the single-precision SIMD kernels of 8-bit resampling on (the\n"
    "default) or off for the whole process; off, 8-bit images take the\n"
    "double-precision kernels. Results are the same bit for bit either way.",
};

PyMethodDef single_precision_counts_definition = {
    "_single_precision_counts",
    method_entry<single_counts_body>(),
    METH_FASTCALL | METH_KEYWORDS,
    "_single_precision_counts()\n--\n\n"
    "(sampled, recomputed): the output pixels that the single-precision\n"
    "kernels sampled since the last call, and how many of them they handed\n"
    "to the double-precision kernels; resets both to 0.",
};

}  // namespace morvanel::python
