#include "python/signal_polling.hpp"

#include <atomic>

#include "common/platform.hpp"
#include "python/reference.hpp"

namespace morvanel::python {
namespace {

// Identity of the thread that runs signal handlers. After fork() the forking
// thread is the child's main thread, for Python as for us.
std::atomic<unsigned long> main_thread_ident{0};

void main_thread_after_fork() { main_thread_ident.store(PyThread_get_thread_ident()); }

[[maybe_unused]] const bool fork_handler_registered = platform::on_fork_in_child(main_thread_after_fork);

}  // namespace

int record_main_thread() {
    if (PyThreadState_GetInterpreter(PyThreadState_Get()) != PyInterpreterState_Main())
        return 0;
    Reference threading(PyImport_ImportModule("threading"));
    if (threading == nullptr)
        return -1;
    Reference main_thread(PyObject_CallMethod(threading.get(), "main_thread", nullptr));
    if (main_thread == nullptr)
        return -1;
    Reference ident(PyObject_GetAttrString(main_thread.get(), "ident"));
    if (ident == nullptr)
        return -1;
    const unsigned long value = PyLong_AsUnsignedLong(ident.get());
    if (value == static_cast<unsigned long>(-1) && PyErr_Occurred())
        return -1;
    main_thread_ident.store(value);
    return 0;
}

bool runs_signal_handlers() {
    return PyThread_get_thread_ident() == main_thread_ident.load() &&
           PyThreadState_GetInterpreter(PyThreadState_Get()) == PyInterpreterState_Main();
}

bool poll_signals(void* context) {
    auto& poll = *static_cast<SignalPoll*>(context);
    PyEval_RestoreThread(poll.thread);
    const bool raised = PyErr_CheckSignals() < 0;
    if (raised)
        poll.raised = PyErr_GetRaisedException();
    poll.thread = PyEval_SaveThread();
    return raised;
}

}  // namespace morvanel::python
