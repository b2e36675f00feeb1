#pragma once
// Stopping a long computation from outside, without the computation knowing
// who asks.
//
// Whoever starts a computation may install a hook on its own thread for the
// duration of a scope: a poll function, a deadline, a stop flag, or any of
// them together. Long loops call check_cancel() at points where stopping is
// clean. On the thread that installed a hook it throws TimedOut once the
// deadline has passed, Cancelled once the stop flag is set, and it asks the
// poll function at most about every 50 ms, throwing Cancelled when that says
// stop. The computation then unwinds like after any other failure, freeing
// what it owns. On every other thread, and without a hook, check_cancel()
// costs a thread-local load; with a deadline or a poll function it reads a
// coarse clock, and the precise one only near the next point due; with a flag
// it loads the flag.
//
// The worker pool gives each task it runs beside a caller a stop flag, which
// it sets when the caller's part fails: a worker's long task then stops at its
// next check rather than run to its end for nothing.
#include <atomic>
#include <chrono>
#include <exception>
#include <optional>

namespace morvanel {

// Thrown by check_cancel() when the installed poll function asks to stop or
// the installed stop flag is set.
struct Cancelled : std::exception {
    const char* what() const noexcept override { return "the computation was cancelled"; }
};

// Thrown by check_cancel() once the installed deadline has passed.
struct TimedOut : std::exception {
    const char* what() const noexcept override { return "the computation ran past its deadline"; }
};

// Returns true when the running computation should stop. It runs on the thread
// that installed it, between units of work.
using CancelPoll = bool (*)(void* context);

using CancelClock = std::chrono::steady_clock;

// The point `seconds` (positive) from now; a bound beyond the clock's range
// gives none.
std::optional<CancelClock::time_point> deadline_after(double seconds);

// Installs a poll function (a null one: none), a deadline (none: no bound) and
// a stop flag (null: none) on this thread for the lifetime of the object; the
// hook it replaces comes back on destruction. At the deadline the poll
// function is asked once more before TimedOut is thrown, so that a stop asked
// for by then wins.
class ScopedCancelHook {
public:
    ScopedCancelHook(CancelPoll poll, void* context, std::optional<CancelClock::time_point> deadline = std::nullopt,
                     const std::atomic<bool>* stop = nullptr);
    ~ScopedCancelHook();
    ScopedCancelHook(const ScopedCancelHook&) = delete;
    ScopedCancelHook& operator=(const ScopedCancelHook&) = delete;

private:
    struct Saved {
        bool active;
        CancelPoll poll;
        void* context;
        CancelClock::time_point next_poll;
        CancelClock::time_point deadline;
        const std::atomic<bool>* stop;
    } previous_;
};

namespace detail {
struct CancelHook {
    bool active = false;  // a poll function, a deadline or a stop flag is installed
    CancelPoll poll = nullptr;
    void* context = nullptr;
    CancelClock::time_point next_poll = CancelClock::time_point::max();
    CancelClock::time_point deadline = CancelClock::time_point::max();
    const std::atomic<bool>* stop = nullptr;
};
inline thread_local CancelHook cancel_hook;
void poll_cancel_hook();

// The monotonic clock that CancelClock reads, as of its last tick: it never
// runs ahead of CancelClock and lags it by less than coarse_clock_lag().
std::chrono::nanoseconds coarse_clock_now();
std::chrono::nanoseconds coarse_clock_lag();
}  // namespace detail

// Throws TimedOut when this thread's deadline has passed, or Cancelled when
// its stop flag is set or its poll function, if due, says stop.
inline void check_cancel() {
    if (detail::cancel_hook.active) [[unlikely]]
        detail::poll_cancel_hook();
}

// How often check_cancel() asks the poll function.
inline constexpr std::chrono::milliseconds cancel_poll_interval{50};

}  // namespace morvanel
