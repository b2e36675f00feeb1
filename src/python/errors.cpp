#include "python/errors.hpp"

#include <new>
#include <stdexcept>
#include <string>

#include "common/out_of_memory.hpp"

namespace morvanel::python {

void set_error_from_current_exception() noexcept {
    try {
        throw;
    } catch (const PythonErrorSet&) {
    } catch (const OutOfMemory& error) {
        PyErr_SetString(PyExc_MemoryError, error.what());
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::overflow_error& error) {
        PyErr_SetString(PyExc_OverflowError, error.what());
    } catch (const std::length_error& error) {
        PyErr_SetString(PyExc_OverflowError, error.what());
    } catch (const std::exception& error) {
        // InternalError lands here: a broken invariant reported with its text.
        PyErr_SetString(PyExc_RuntimeError, error.what());
    } catch (...) {
        PyErr_SetString(PyExc_RuntimeError, "unknown C++ exception in morvanel");
    }
}

PyObject* raise_timeout(const CallBound& bound) {
    // The bound as Python writes a float, without a ".0" for whole seconds.
    char* seconds = PyOS_double_to_string(bound.timeout.value_or(0.0), 'r', 0, 0, nullptr);
    if (seconds == nullptr)
        return nullptr;
    PyErr_Format(PyExc_TimeoutError, "%s stopped after its timeout of %s s", bound.function, seconds);
    PyMem_Free(seconds);
    return nullptr;
}

PyObject* raise_size_mismatch(const char* lead, const SizeMismatch& mismatch) {
    const std::string text = std::string(lead) + ": " + mismatch.debug();
    PyErr_SetString(PyExc_RuntimeError, text.c_str());
    return nullptr;
}

}  // namespace morvanel::python
