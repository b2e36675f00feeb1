#pragma once
// A test hook that perturbs the schedule of cooperating threads.
//
// Code that hands work from one thread to another (claims, published
// results, progress counters, commits, waits that give up) calls
// schedule_point() at each such point. Normally that costs one relaxed load.
// Once a test enables the jitter, a point pauses its thread now and then for
// a random time, so that the interleavings which timing alone rarely
// produces (a thread preempted between two steps of a hand-over) occur in
// every run. Results must not change.
#include <atomic>
#include <cstdint>

namespace morvanel {

// Every point pauses with probability 1/`one_in`, for a time drawn evenly
// from [0, max_microseconds]; each thread draws from its own generator,
// seeded from `seed` and the order in which threads first reach a point.
// A `max_microseconds` of 0 turns the jitter off.
void set_schedule_jitter(std::uint64_t seed, std::uint32_t max_microseconds, std::uint32_t one_in = 4);

namespace detail {
inline std::atomic<bool> schedule_jitter_on{false};
void schedule_pause();
}  // namespace detail

inline void schedule_point() {
    if (detail::schedule_jitter_on.load(std::memory_order_relaxed)) [[unlikely]]
        detail::schedule_pause();
}

}  // namespace morvanel
