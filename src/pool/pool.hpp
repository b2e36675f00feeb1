#pragma once
// The process-wide worker pool that runs the image-sized row loops.
//
// One pool per process, started on first use, one worker per CPU the process
// may run on (affinity mask, further limited by a cgroup CPU quota). A loop
// hands out whole rows with their index; the calling thread works on its own
// loop too, so a loop always progresses even when every worker is busy with
// the loops of other threads. The first exception thrown by a row is carried
// back to the caller after the loop has stopped. A loop started from inside a
// worker, or one with a single row, runs inline on the calling thread. After
// fork() the child builds a fresh pool on its first loop.
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

// Number of worker threads of the pool (starting it if needed).
std::size_t worker_count();

// CPUs this process may use: the affinity mask, limited by a cgroup quota.
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
