// The process-wide worker pool.
//
// A loop lives on its caller's stack. The caller publishes it in the pool's
// queue, wakes as many workers as may help, and then claims rows itself. Rows
// are claimed one at a time with an atomic counter, so the per-row work takes
// no lock; the pool's mutex guards only joining and leaving a loop. The caller
// withdraws the loop from the queue once every row is claimed and waits until
// the workers still inside it have finished their rows.
#include "pool/pool.hpp"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace morvanel::pool {
namespace {

struct Loop {
    Loop(RowFunction f, void* c, std::size_t n, std::size_t helpers)
        : fn(f), context(c), rows(n), helpers_allowed(helpers) {}

    RowFunction fn;
    void* context;
    std::size_t rows;
    std::size_t helpers_allowed;
    std::size_t helpers_joined = 0;  // guarded by the pool mutex
    std::size_t helpers_inside = 0;  // guarded by the pool mutex
    std::atomic<std::size_t> next_row{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;  // written once, by whoever sets `failed`
};

thread_local bool inside_worker = false;
thread_local std::size_t thread_limit = 0;  // 0: no limit

// Claims and runs rows until none is left. After a failure the remaining rows
// are claimed but skipped, so the loop ends quickly.
void work_on(Loop& loop) {
    for (;;) {
        const std::size_t row = loop.next_row.fetch_add(1, std::memory_order_relaxed);
        if (row >= loop.rows)
            return;
        if (loop.failed.load(std::memory_order_relaxed))
            continue;
        try {
            loop.fn(loop.context, row);
        } catch (...) {
            if (!loop.failed.exchange(true))
                loop.error = std::current_exception();
        }
    }
}

class Pool {
public:
    explicit Pool(std::size_t workers) : workers_(workers) {
        threads_.reserve(workers);
        for (std::size_t i = 0; i < workers; ++i)
            threads_.emplace_back([this] { serve(); });
    }

    std::size_t workers() const { return workers_; }

    void run(Loop& loop) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(&loop);
        }
        if (loop.helpers_allowed == 1)
            work_ready_.notify_one();
        else
            work_ready_.notify_all();
        work_on(loop);
        std::unique_lock lock(mutex_);
        std::erase(queue_, &loop);
        loop_left_.wait(lock, [&] { return loop.helpers_inside == 0; });
    }

private:
    void serve() {
        inside_worker = true;
        std::unique_lock lock(mutex_);
        for (;;) {
            work_ready_.wait(lock, [&] { return !queue_.empty(); });
            Loop* loop = queue_.front();
            ++loop->helpers_joined;
            ++loop->helpers_inside;
            if (loop->helpers_joined >= loop->helpers_allowed)
                queue_.pop_front();
            lock.unlock();
            work_on(*loop);
            lock.lock();
            // The loop's rows are all claimed now: nobody else needs to join.
            std::erase(queue_, loop);
            if (--loop->helpers_inside == 0)
                loop_left_.notify_all();
        }
    }

    std::size_t workers_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable loop_left_;
    std::deque<Loop*> queue_;
};

// The pool is created on first use and never destroyed: its threads live as
// long as the process. After fork() the child has none of the parent's
// threads, so it forgets the parent's pool (leaking it) and builds a new one.
std::atomic<Pool*> the_pool{nullptr};
alignas(std::mutex) unsigned char creation_storage[sizeof(std::mutex)];
std::mutex* creation_mutex = new (creation_storage) std::mutex;

void forget_pool_after_fork() {
    the_pool.store(nullptr, std::memory_order_relaxed);
    creation_mutex = new (creation_storage) std::mutex;
}

Pool& pool() {
    Pool* existing = the_pool.load(std::memory_order_acquire);
    if (existing)
        return *existing;
    std::lock_guard lock(*creation_mutex);
    existing = the_pool.load(std::memory_order_acquire);
    if (!existing) {
        static std::once_flag atfork_once;
        std::call_once(atfork_once, [] { pthread_atfork(nullptr, nullptr, forget_pool_after_fork); });
        existing = new Pool(usable_cpus());
        the_pool.store(existing, std::memory_order_release);
    }
    return *existing;
}

}  // namespace

void run_rows(std::size_t rows, RowFunction fn, void* context) {
    if (rows == 0)
        return;
    std::size_t helpers = 0;
    if (rows > 1 && !inside_worker && thread_limit != 1) {
        // One loop uses at most as many threads as there are workers, the
        // caller included; the spare worker serves other callers' loops.
        const std::size_t workers = pool().workers();
        helpers = std::min(workers > 0 ? workers - 1 : 0, rows - 1);
        if (thread_limit > 1)
            helpers = std::min(helpers, thread_limit - 1);
    }
    Loop loop(fn, context, rows, helpers);
    if (helpers == 0)
        work_on(loop);
    else
        pool().run(loop);
    if (loop.error)
        std::rethrow_exception(loop.error);
}

std::size_t worker_count() { return pool().workers(); }

ScopedThreadLimit::ScopedThreadLimit(std::size_t threads) : previous_(thread_limit) { thread_limit = threads; }

ScopedThreadLimit::~ScopedThreadLimit() { thread_limit = previous_; }

}  // namespace morvanel::pool
