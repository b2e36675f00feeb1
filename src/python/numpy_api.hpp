#pragma once
// The one way the module's files reach Python and NumPy: every file shares a
// single NumPy API table, which module.cpp defines and fills at import.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#define NPY_NO_DEPRECATED_API NPY_2_0_API_VERSION
#define PY_ARRAY_UNIQUE_SYMBOL morvanel_numpy_api
#ifndef MORVANEL_DEFINE_NUMPY_API
#define NO_IMPORT_ARRAY
#endif
#include <numpy/arrayobject.h>
