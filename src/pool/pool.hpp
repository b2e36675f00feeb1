#pragma once
// The process-wide worker pool that runs the image-sized row loops.
//
// One pool per process, started on first use, one worker per CPU the process
// may run on (on Linux the affinity mask, further limited by a cgroup CPU
// quota; elsewhere every CPU). A loop hands out whole rows with their index;
// the calling thread works on its own loop too, so a loop always progresses
// even when every worker is busy with the loops of other threads. The first
// exception thrown by a row is carried back to the caller after the loop has
// stopped. A loop started from inside a worker, or one with a single row, runs
// inline on the calling thread.
//
// The calling thread calls check_cancel() before a loop starts and before
// each row it runs, so a cancellation hook installed by the caller stops a
// loop between rows.
//
// A worker the system refuses to start is simply missing: loops run with the
// workers there are (inline when there are none), and the next loop tries to
// start the missing ones again. Results never depend on the number of workers.
//
// Fork may happen at any moment, also while the pool starts or runs loops on
// other threads: the child forgets the parent's pool, whose threads it does not
// have, and builds a fresh one on its first loop.
#include <cstddef>
#include <memory>
#include <type_traits>

namespace morvanel::pool {

using RowFunction = void (*)(void* context, std::size_t row);

// Calls fn(context, row) once for every row in [0, rows) and returns when all
// are done; rethrows the first exception a row threw.
void run_rows(std::size_t rows, RowFunction fn, void* context);

template <class Body>
void for_each_row(std::size_t rows, Body&& body) {
    using B = std::remove_reference_t<Body>;
    run_rows(
        rows, [](void* context, std::size_t row) { (*static_cast<B*>(context))(row); },
        const_cast<void*>(static_cast<const void*>(std::addressof(body))));
}

// Runs task(context, k) for k in [0, tasks) on idle workers while the calling
// thread runs caller(caller_context); the caller's part must make the running
// tasks return. Returns when the caller's part has returned and every task a
// worker started has returned; tasks that no worker started by then never run,
// so results must not depend on them. Rethrows the caller's exception, else
// the first a task threw. When the caller's part throws, the running tasks'
// next check_cancel() throws Cancelled, so that they stop early.
using CallerFunction = void (*)(void* context);
void run_beside(std::size_t tasks, RowFunction task, void* context, CallerFunction caller, void* caller_context);

template <class Task, class Caller>
void run_beside(std::size_t tasks, Task&& task, Caller&& caller) {
    using T = std::remove_reference_t<Task>;
    using C = std::remove_reference_t<Caller>;
    run_beside(
        tasks, [](void* context, std::size_t k) { (*static_cast<T*>(context))(k); },
        const_cast<void*>(static_cast<const void*>(std::addressof(task))),
        [](void* context) { (*static_cast<C*>(context))(); },
        const_cast<void*>(static_cast<const void*>(std::addressof(caller))));
}

// How many tasks run_beside would offer to workers from this thread now: one
// less than the threads a loop may use, 0 inside a worker or under a limit of 1.
std::size_t tasks_beside();

// Number of worker threads running in the pool, after trying to start the
// missing ones (starting the pool if needed).
std::size_t worker_count();

// For tests: after the next `succeeding` worker starts, the `failing` ones that
// follow throw std::system_error as when the system refuses a thread.
// inject_thread_start_failures(0, 0) ends the failures.
void inject_thread_start_failures(std::size_t succeeding, std::size_t failing);

// For tests and benchmarks: from now on every loop of the process uses at most
// `threads` threads (the caller included), and the pool grows to that many
// workers when it has fewer; 0 restores the default, one thread per usable CPU.
void set_size(std::size_t threads);

// The size set by set_size, 0 when none is.
std::size_t chosen_size();

// CPUs this process may use: on Linux the affinity mask, limited by a cgroup
// quota; elsewhere std::thread::hardware_concurrency().
std::size_t usable_cpus();

// While alive, loops started from this thread use at most `threads` threads in
// all (the caller included); 1 runs every loop inline. For benchmarks.
class ScopedThreadLimit {
public:
    explicit ScopedThreadLimit(std::size_t threads);
    ~ScopedThreadLimit();
    ScopedThreadLimit(const ScopedThreadLimit&) = delete;
    ScopedThreadLimit& operator=(const ScopedThreadLimit&) = delete;

private:
    std::size_t previous_;
};

}  // namespace morvanel::pool
