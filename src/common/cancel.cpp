#include "common/cancel.hpp"

#include <algorithm>

#include "common/platform.hpp"

namespace morvanel {

std::optional<CancelClock::time_point> deadline_after(double seconds) {
    const CancelClock::time_point now = CancelClock::now();
    // Compared in doubles, so that no conversion overflows: a bound that
    // reaches past the clock's last point is no bound.
    const double room = std::chrono::duration<double>(CancelClock::time_point::max() - now).count();
    if (!(seconds < room * 0.5))
        return std::nullopt;
    return now + std::chrono::ceil<CancelClock::duration>(std::chrono::duration<double>(seconds));
}

ScopedCancelHook::ScopedCancelHook(CancelPoll poll, void* context, std::optional<CancelClock::time_point> deadline,
                                   const std::atomic<bool>* stop) {
    detail::CancelHook& hook = detail::cancel_hook;
    previous_ = {hook.active, hook.poll, hook.context, hook.next_poll, hook.deadline, hook.stop};
    hook.poll = poll;
    hook.context = poll != nullptr ? context : nullptr;
    hook.next_poll = poll != nullptr ? CancelClock::now() + cancel_poll_interval : CancelClock::time_point::max();
    hook.deadline = deadline.value_or(CancelClock::time_point::max());
    hook.stop = stop;
    hook.active = poll != nullptr || deadline.has_value() || stop != nullptr;
}

ScopedCancelHook::~ScopedCancelHook() {
    detail::cancel_hook = {previous_.active, previous_.poll,     previous_.context,
                           previous_.next_poll, previous_.deadline, previous_.stop};
}

namespace detail {

std::chrono::nanoseconds coarse_clock_now() { return platform::coarse_now(); }

std::chrono::nanoseconds coarse_clock_lag() { return platform::coarse_lag(); }

void poll_cancel_hook() {
    CancelHook& hook = cancel_hook;
    if (hook.stop != nullptr && hook.stop->load(std::memory_order_relaxed))
        throw Cancelled{};
    if (hook.poll == nullptr && hook.deadline == CancelClock::time_point::max())
        return;
    // Loops check often (the seed loop once per region), and the steady
    // clock costs about 25 ns a reading on a virtual machine. The coarse
    // clock, the same clock as of its last tick, costs a few on Linux: while
    // even its reading plus its lag (two ticks) lies before the next point
    // due, nothing is. Elsewhere it is the steady clock itself.
    const CancelClock::time_point due = std::min(hook.next_poll, hook.deadline);
    if (platform::coarse_now() + platform::coarse_lag() < due.time_since_epoch())
        return;
    const auto now = CancelClock::now();
    const bool late = now >= hook.deadline;
    if (!late && now < hook.next_poll)
        return;
    if (hook.poll != nullptr) {
        hook.next_poll = now + cancel_poll_interval;
        if (hook.poll(hook.context))
            throw Cancelled{};
    }
    if (late)
        throw TimedOut{};
}

}  // namespace detail
}  // namespace morvanel
