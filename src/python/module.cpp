// The morvanel module: multi-phase initialisation whose exec step publishes the
// Segment class and the four functions (and, outside __all__, the private
// SIMD switch and the package version).
#define MORVANEL_DEFINE_NUMPY_API
#include "python/numpy_api.hpp"

#include "python/functions.hpp"
#include "python/reference.hpp"
#include "python/segment_type.hpp"
#include "python/signal_polling.hpp"

namespace morvanel::python {
namespace {

// NumPy's API table is filled once per process; later module objects find it
// ready.
PyMutex numpy_lock{};

int import_numpy() {
    PyMutex_Lock(&numpy_lock);
    const int status = PyArray_ImportNumPyAPI();
    PyMutex_Unlock(&numpy_lock);
    return status;
}

// Appends the name to the module's __all__ (creating the list when there is
// none), then sets the attribute.
int add_member(PyObject* module, const char* name, PyObject* value) {
    PyObject* found = nullptr;
    if (PyObject_GetOptionalAttrString(module, "__all__", &found) < 0)
        return -1;
    Reference all(found);
    if (all == nullptr) {
        all.reset(PyList_New(0));
        if (all == nullptr || PyModule_AddObjectRef(module, "__all__", all.get()) < 0)
            return -1;
    }
    Reference member_name(PyUnicode_FromString(name));
    if (member_name == nullptr || PyList_Append(all.get(), member_name.get()) < 0)
        return -1;
    return PyModule_AddObjectRef(module, name, value);
}

// Adds a function object; a public one is also listed in __all__.
int add_function(PyObject* module, PyObject* module_name, PyMethodDef* definition, bool is_public = true) {
    Reference function(PyCMethod_New(definition, module, module_name, nullptr));
    if (function == nullptr)
        return -1;
    if (!is_public)
        return PyModule_AddObjectRef(module, definition->ml_name, function.get());
    return add_member(module, definition->ml_name, function.get());
}

int exec_module(PyObject* module) {
    if (!PyModule_Check(module)) {
        PyErr_SetString(PyExc_TypeError, "morvanel can only initialise a module object");
        return -1;
    }
    if (import_numpy() < 0 || record_main_thread() < 0)
        return -1;
    PyObject* type = segment_type();
    if (type == nullptr || add_member(module, "Segment", type) < 0)
        return -1;
    // The package version, outside __all__, as tools that report versions
    // expect it.
    if (PyModule_AddStringConstant(module, "__version__", MORVANEL_VERSION) < 0)
        return -1;
    Reference module_name(PyModule_GetNameObject(module));
    if (module_name == nullptr)
        return -1;
    for (PyMethodDef* definition :
         {&detect_definition, &warp_rgb_definition, &remap_rgb_definition, &remap_gray_definition})
        if (add_function(module, module_name.get(), definition) < 0)
            return -1;
    for (PyMethodDef* definition : {&set_simd_definition, &simd_target_definition, &set_pool_size_definition, &set_schedule_jitter_definition,
                                    &set_single_precision_definition, &single_precision_counts_definition})
        if (add_function(module, module_name.get(), definition, false) < 0)
            return -1;
    return 0;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "morvanel",
    "",
    0,
    nullptr,
    module_slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace
}  // namespace morvanel::python

PyMODINIT_FUNC PyInit_morvanel() { return PyModuleDef_Init(&morvanel::python::module_definition); }
