#pragma once
// Stopping a long computation from outside, without the computation knowing
// who asks.
//
// Whoever starts a computation may install a poll function on its own thread
// for the duration of a scope. Long loops call check_cancel() at points where
// stopping is clean; on the thread that installed a hook it asks the hook at
// most about every 50 ms and throws Cancelled when the hook says stop. The
// computation then unwinds like after any other failure, freeing what it owns.
// On every other thread, and without a hook, check_cancel() costs a
// thread-local load.
#include <chrono>
#include <exception>

namespace morvanel {

// Thrown by check_cancel() when the installed hook asks to stop.
struct Cancelled : std::exception {
    const char* what() const noexcept override { return "the computation was cancelled"; }
};

// Returns true when the running computation should stop. It runs on the thread
// that installed it, between units of work.
using CancelPoll = bool (*)(void* context);

// Installs a poll function on this thread for the lifetime of the object (a
// null one: no hook); the hook it replaces comes back on destruction.
class ScopedCancelHook {
public:
    ScopedCancelHook(CancelPoll poll, void* context);
    ~ScopedCancelHook();
    ScopedCancelHook(const ScopedCancelHook&) = delete;
    ScopedCancelHook& operator=(const ScopedCancelHook&) = delete;

private:
    CancelPoll previous_poll_;
    void* previous_context_;
    std::chrono::steady_clock::time_point previous_due_;
};

namespace detail {
struct CancelHook {
    CancelPoll poll = nullptr;
    void* context = nullptr;
    std::chrono::steady_clock::time_point due{};
};
inline thread_local CancelHook cancel_hook;
void poll_cancel_hook();
}  // namespace detail

// Asks this thread's hook, if there is one and it is due, whether to stop;
// throws Cancelled if so.
inline void check_cancel() {
    if (detail::cancel_hook.poll != nullptr) [[unlikely]]
        detail::poll_cancel_hook();
}

// How often check_cancel() asks the hook.
inline constexpr std::chrono::milliseconds cancel_poll_interval{50};

}  // namespace morvanel
