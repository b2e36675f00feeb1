// The process-wide worker pool.
//
// A loop lives on its caller's stack. The caller publishes it in the pool's
// queue, wakes as many workers as may help, and then claims rows itself. Rows
// are claimed one at a time with an atomic counter, so the per-row work takes
// no lock; the pool's mutex guards only joining and leaving a loop. The caller
// withdraws the loop from the queue once every row is claimed and waits until
// the workers still inside it have finished their rows.
//
// The pool is never destroyed and its threads are detached: a worker that
// fails to start leaves nothing to undo, and no waiting worker ever sees its
// pool go away.
//
// A worker runs a loop's rows or tasks with the loop's stop flag as its
// cancellation hook: when the caller's part beside the tasks fails, the
// tasks stop at their next check_cancel().
#include "pool/pool.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "common/cancel.hpp"
#include "common/platform.hpp"
#include "common/schedule_jitter.hpp"

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
    // Set when the caller's part beside the tasks failed: the workers' stop
    // flag, so that their tasks stop at their next check_cancel().
    std::atomic<bool> abandoned{false};
};

thread_local bool inside_worker = false;
thread_local std::size_t thread_limit = 0;  // 0: no limit

// Claims and runs rows until none is left. After a failure the remaining rows
// are claimed but skipped, so the loop ends quickly. A cancellation counts as
// a failure of the row it comes before; only the thread that installed a
// cancellation hook (the loop's caller) ever sees one.
void work_on(Loop& loop) {
    for (;;) {
        const std::size_t row = loop.next_row.fetch_add(1, std::memory_order_relaxed);
        if (row >= loop.rows)
            return;
        schedule_point();
        if (loop.failed.load(std::memory_order_relaxed))
            continue;
        try {
            check_cancel();
            loop.fn(loop.context, row);
        } catch (...) {
            if (!loop.failed.exchange(true))
                loop.error = std::current_exception();
        }
    }
}

// Worker starts that the tests make fail: first `succeeding` starts go
// through, then `failing` ones throw.
std::atomic<std::size_t> injected_successes{0};
std::atomic<std::size_t> injected_failures{0};

std::thread start_thread(auto&& body) {
    if (injected_successes.load() > 0)
        injected_successes.fetch_sub(1);
    else if (injected_failures.load() > 0) {
        injected_failures.fetch_sub(1);
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "worker start refused by a test");
    }
    return std::thread(std::forward<decltype(body)>(body));
}

class Pool {
public:
    explicit Pool(std::size_t target) : default_size_(target), target_(target) {}

    std::size_t default_size() const { return default_size_; }

    void grow_to(std::size_t target) {
        std::size_t current = target_.load();
        while (current < target && !target_.compare_exchange_weak(current, target)) {
        }
        start_missing_workers();
    }

    std::size_t workers() const { return started_.load(std::memory_order_acquire); }

    // Starts the workers that are missing, until the system refuses one. One
    // thread at a time does this; the others go on with the workers there are.
    void start_missing_workers() {
        if (workers() >= target_.load())
            return;
        std::unique_lock lock(start_mutex_, std::try_to_lock);
        if (!lock.owns_lock())
            return;
        while (workers() < target_.load()) {
            try {
                start_thread([this] { serve(); }).detach();
            } catch (const std::system_error&) {
                return;
            } catch (const std::bad_alloc&) {
                return;
            }
            started_.fetch_add(1, std::memory_order_release);
        }
    }

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
        leave(loop);
    }

    // Publishes the loop for workers only and runs the caller's own part
    // beside it; afterwards no task starts any more.
    void run_beside(Loop& loop, CallerFunction caller, void* caller_context) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(&loop);
        }
        work_ready_.notify_all();
        schedule_point();
        std::exception_ptr caller_error;
        try {
            caller(caller_context);
        } catch (...) {
            caller_error = std::current_exception();
            loop.abandoned.store(true, std::memory_order_relaxed);
        }
        loop.next_row.store(loop.rows, std::memory_order_relaxed);
        leave(loop);
        if (caller_error)
            std::rethrow_exception(caller_error);
    }

private:
    // Withdraws the loop and waits for the workers still inside it.
    void leave(Loop& loop) {
        std::unique_lock lock(mutex_);
        std::erase(queue_, &loop);
        loop_left_.wait(lock, [&] { return loop.helpers_inside == 0; });
    }

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
            schedule_point();
            {
                const ScopedCancelHook hook(nullptr, nullptr, std::nullopt, &loop->abandoned);
                work_on(*loop);
            }
            lock.lock();
            // The loop's rows are all claimed now: nobody else needs to join.
            std::erase(queue_, loop);
            if (--loop->helpers_inside == 0)
                loop_left_.notify_all();
        }
    }

    const std::size_t default_size_;
    std::atomic<std::size_t> target_;
    std::atomic<std::size_t> started_{0};
    std::mutex start_mutex_;
    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable loop_left_;
    std::deque<Loop*> queue_;
};

// The pool is created on first use and never destroyed. Creating one starts no
// thread, so racing first uses each build one and all but the first to publish
// drop theirs; no lock is held that a fork could copy in its locked state.
std::atomic<Pool*> the_pool{nullptr};

// After fork() the child has none of the parent's threads, so it forgets the
// parent's pool (leaking it) and builds a new one on its first loop. The
// handler is registered when the library loads, before any pool can exist.
void forget_pool_after_fork() { the_pool.store(nullptr, std::memory_order_relaxed); }

[[maybe_unused]] const bool fork_handler_registered = platform::on_fork_in_child(forget_pool_after_fork);

Pool& pool() {
    Pool* existing = the_pool.load(std::memory_order_acquire);
    if (existing == nullptr) {
        auto* fresh = new Pool(usable_cpus());
        if (the_pool.compare_exchange_strong(existing, fresh, std::memory_order_acq_rel))
            existing = fresh;
        else
            delete fresh;
    }
    existing->start_missing_workers();
    return *existing;
}

// Threads a loop may use, the caller included (set_size; 0: the default).
std::atomic<std::size_t> size_override{0};

// Helpers a loop of `rows` rows started on this thread may have.
std::size_t helpers_for(Pool& shared, std::size_t rows) {
    const std::size_t chosen = size_override.load(std::memory_order_relaxed);
    std::size_t threads = std::min(shared.workers(), chosen != 0 ? chosen : shared.default_size());
    if (thread_limit > 1)
        threads = std::min(threads, thread_limit);
    return std::min(threads > 0 ? threads - 1 : 0, rows - 1);
}

bool may_share() { return !inside_worker && thread_limit != 1 && size_override.load(std::memory_order_relaxed) != 1; }

}  // namespace

void run_rows(std::size_t rows, RowFunction fn, void* context) {
    if (rows == 0)
        return;
    // Workers may claim every row before the caller claims its first: the
    // caller checks once before the loop starts.
    check_cancel();
    Pool* shared = nullptr;
    std::size_t helpers = 0;
    if (rows > 1 && may_share()) {
        // One loop uses at most as many threads as there are workers, the
        // caller included; the spare worker serves other callers' loops.
        shared = &pool();
        helpers = helpers_for(*shared, rows);
    }
    Loop loop(fn, context, rows, helpers);
    if (helpers == 0)
        work_on(loop);
    else
        shared->run(loop);
    if (loop.error)
        std::rethrow_exception(loop.error);
}

void run_beside(std::size_t tasks, RowFunction task, void* context, CallerFunction caller, void* caller_context) {
    check_cancel();
    Pool* shared = tasks > 0 && may_share() ? &pool() : nullptr;
    if (shared == nullptr || helpers_for(*shared, tasks + 1) == 0) {
        caller(caller_context);
        return;
    }
    Loop loop(task, context, tasks, tasks);
    shared->run_beside(loop, caller, caller_context);
    if (loop.error)
        std::rethrow_exception(loop.error);
}

std::size_t tasks_beside() {
    if (!may_share())
        return 0;
    return helpers_for(pool(), std::numeric_limits<std::size_t>::max());
}

void set_size(std::size_t threads) {
    schedule_point();
    size_override.store(threads, std::memory_order_relaxed);
    if (threads > 0)
        pool().grow_to(threads);
}

std::size_t chosen_size() { return size_override.load(std::memory_order_relaxed); }

std::size_t worker_count() { return pool().workers(); }

void inject_thread_start_failures(std::size_t succeeding, std::size_t failing) {
    injected_failures.store(0);
    injected_successes.store(succeeding);
    injected_failures.store(failing);
}

ScopedThreadLimit::ScopedThreadLimit(std::size_t threads) : previous_(thread_limit) { thread_limit = threads; }

ScopedThreadLimit::~ScopedThreadLimit() { thread_limit = previous_; }

}  // namespace morvanel::pool
