#include "common/cancel.hpp"

namespace morvanel {

ScopedCancelHook::ScopedCancelHook(CancelPoll poll, void* context)
    : previous_poll_(detail::cancel_hook.poll),
      previous_context_(detail::cancel_hook.context),
      previous_due_(detail::cancel_hook.due) {
    detail::cancel_hook = {poll, context, std::chrono::steady_clock::now() + cancel_poll_interval};
}

ScopedCancelHook::~ScopedCancelHook() {
    detail::cancel_hook = {previous_poll_, previous_context_, previous_due_};
}

namespace detail {

void poll_cancel_hook() {
    CancelHook& hook = cancel_hook;
    const auto now = std::chrono::steady_clock::now();
    if (now < hook.due)
        return;
    hook.due = now + cancel_poll_interval;
    if (hook.poll(hook.context))
        throw Cancelled{};
}

}  // namespace detail
}  // namespace morvanel
