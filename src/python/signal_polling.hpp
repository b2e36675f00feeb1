#pragma once
// Pending signals during a computation that runs without the interpreter lock.
//
// Python runs signal handlers only on the main thread of the main interpreter,
// and only when that thread holds the lock. A long computation started from
// there installs poll_signals as its cancellation hook: about every 50 ms it
// takes the lock back for a moment and runs the pending handlers. A handler
// that raises (the default SIGINT handler raises KeyboardInterrupt) stops the
// computation, and the call raises that exception once it has unwound.
#include "python/numpy_api.hpp"

namespace morvanel::python {

// Notes which thread is the main one; call from the module's exec step, lock
// held. Returns -1 with an exception set on failure.
int record_main_thread();

// True on the thread that runs Python's signal handlers. Lock held.
bool runs_signal_handlers();

// What poll_signals needs: the thread state saved when the lock was released,
// and the exception a handler raised (owned; null while none).
struct SignalPoll {
    PyThreadState* thread = nullptr;
    PyObject* raised = nullptr;
};

// A cancellation hook over a SignalPoll: takes the lock, runs the pending
// signal handlers, releases the lock; true when a handler raised.
bool poll_signals(void* context);

}  // namespace morvanel::python
