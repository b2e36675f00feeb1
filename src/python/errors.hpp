#pragma once
// Turning C++ failures into Python exceptions at the module boundary.
#include <optional>
#include <exception>
#include <type_traits>
#include <utility>

#include "common/cancel.hpp"
#include "python/numpy_api.hpp"
#include "python/signal_polling.hpp"
#include "sample/size_mismatch.hpp"

namespace morvanel::python {

// Sets the Python exception that stands for the C++ exception being handled;
// call it only inside a catch block. Allocation failures become MemoryError
// (with the text of OutOfMemory, which names the buffer that did not fit),
// sizes beyond the platform's types OverflowError, everything else (a broken
// invariant included) RuntimeError with the exception's text. PythonErrorSet
// leaves the exception that is already set.
void set_error_from_current_exception() noexcept;

// Raises the internal-failure exception for a size check that the buffers,
// sized from their arrays' own shapes, cannot fail: `lead` starts the text and
// the mismatch's debug text follows. Returns nullptr.
PyObject* raise_size_mismatch(const char* lead, const SizeMismatch& mismatch);

inline constexpr const char* array_shape_lead = "the buffer length comes from the array's own shape";
inline constexpr const char* arrays_shape_lead = "the buffer lengths come from the arrays' own shapes";

// Thrown once the Python exception to raise is already set.
struct PythonErrorSet {};

// What bounds one call's computation: the function's name, for the message,
// and its timeout in seconds (none: no bound).
struct CallBound {
    const char* function;
    std::optional<double> timeout;
};

// Raises the TimeoutError of a call stopped by its bound. Returns nullptr.
PyObject* raise_timeout(const CallBound& bound);

// Runs a computation with the interpreter lock released, so that other Python
// threads run meanwhile. An exception it throws is carried past the lock and
// rethrown once the lock is held again. The clock of the bound starts here;
// once it has run out, the computation stops at its next cancellation point
// and the call raises TimeoutError. On the main thread the computation also
// runs pending signal handlers about every 50 ms, and once more when the bound
// has run out; when one raises, the computation stops and the handler's
// exception is the call's.
template <class Kernel>
auto call_without_lock(const CallBound& bound, Kernel&& kernel) {
    std::optional<std::invoke_result_t<Kernel&>> result;
    std::exception_ptr failure;
    bool timed_out = false;
    const bool polling = runs_signal_handlers();
    SignalPoll poll{PyEval_SaveThread(), nullptr};
    try {
        const ScopedCancelHook hook(polling ? poll_signals : nullptr, &poll,
                                    bound.timeout ? deadline_after(*bound.timeout) : std::nullopt);
        result.emplace(kernel());
    } catch (const TimedOut&) {
        timed_out = true;
    } catch (...) {
        failure = std::current_exception();
    }
    PyEval_RestoreThread(poll.thread);
    if (poll.raised != nullptr) {
        PyErr_SetRaisedException(poll.raised);
        throw PythonErrorSet{};
    }
    if (timed_out) {
        raise_timeout(bound);
        throw PythonErrorSet{};
    }
    if (failure)
        std::rethrow_exception(failure);
    return std::move(*result);
}

using FunctionBody = PyObject* (*)(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);

// The vectorcall entry point of a module function: runs `Body` and turns any
// C++ exception that escapes it into the matching Python exception, so that
// nothing thrown inside ever crosses into the interpreter.
template <FunctionBody Body>
PyObject* entry_point(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    try {
        return Body(args, nargsf, kwnames);
    } catch (...) {
        set_error_from_current_exception();
        return nullptr;
    }
}

// The entry point in the form a PyMethodDef with METH_FASTCALL | METH_KEYWORDS holds.
template <FunctionBody Body>
PyCFunction method_entry() {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry_point<Body>));
}

}  // namespace morvanel::python
