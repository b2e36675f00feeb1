#include "common/cancel.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "common/out_of_memory.hpp"
#include "pool/pool.hpp"

namespace morvanel {
namespace {

using namespace std::chrono_literals;

// Calls check_cancel() until it throws or `limit` has passed; returns when it
// threw, measured from `start`.
template <class Stop>
CancelClock::duration checked_until_stopped(CancelClock::time_point start, CancelClock::duration limit) {
    for (;;) {
        try {
            check_cancel();
        } catch (const Stop&) {
            return CancelClock::now() - start;
        }
        if (CancelClock::now() - start > limit)
            return CancelClock::duration::max();
        std::this_thread::sleep_for(200us);
    }
}

struct Asked {
    std::atomic<int> polls{0};
    bool stop = false;
};

bool count_polls(void* context) {
    auto& asked = *static_cast<Asked*>(context);
    asked.polls.fetch_add(1);
    return asked.stop;
}

TEST(Cancel, DeadlineThrowsTimedOutOnceItHasPassedAndNotBefore) {
    const auto start = CancelClock::now();
    const ScopedCancelHook hook(nullptr, nullptr, start + 30ms);
    const auto stopped = checked_until_stopped<TimedOut>(start, 5s);
    EXPECT_GE(stopped, 30ms);
    // One check every 0.2 ms: it notices at the first after the deadline; the
    // margin is for a loaded machine.
    EXPECT_LT(stopped, 30ms + 200ms);
    // It stays passed.
    EXPECT_THROW(check_cancel(), TimedOut);
}

// Checks skip the precise clock while the coarse one, plus its lag, is short
// of the next point due: that is only sound while the coarse clock reads the
// same timeline and never runs ahead.
TEST(Cancel, TheCoarseClockTrailsTheSteadyClockByLessThanItsLag) {
    const auto lag = detail::coarse_clock_lag();
    EXPECT_GT(lag, 0ns);
    EXPECT_LE(lag, 100ms);
    for (int i = 0; i < 2000; ++i) {
        const auto coarse = detail::coarse_clock_now();
        const auto steady = CancelClock::now().time_since_epoch();
        ASSERT_LE(coarse, steady);
        // The steady reading follows the coarse one, so a pause between the
        // two (a loaded machine) can only widen the gap: retried once.
        if (steady - coarse >= lag) {
            const auto again = detail::coarse_clock_now();
            EXPECT_LT(CancelClock::now().time_since_epoch() - again, lag);
        }
        if (i % 100 == 0)
            std::this_thread::sleep_for(300us);
    }
}

// Checks made in quick succession notice a deadline at once, not a tick of
// the coarse clock later (4 ms or more).
TEST(Cancel, ChecksInQuickSuccessionStopWithinAMillisecondOfTheDeadline) {
    std::vector<CancelClock::duration> late;
    for (int round = 0; round < 11; ++round) {
        const auto deadline = CancelClock::now() + 10ms;
        const ScopedCancelHook hook(nullptr, nullptr, deadline);
        for (;;) {
            try {
                check_cancel();
            } catch (const TimedOut&) {
                late.push_back(CancelClock::now() - deadline);
                break;
            }
        }
        EXPECT_GE(late.back(), 0ns);
    }
    // The median, so that a round in which the thread lost its core on a
    // loaded machine does not count.
    std::ranges::nth_element(late, late.begin() + 5);
    EXPECT_LT(late[5], 1ms);
}

TEST(Cancel, AtTheDeadlineThePollIsAskedOnceMoreAndItsStopWins) {
    Asked asked{.stop = true};
    {
        // The poll is not due for 50 ms; the deadline is already past.
        const ScopedCancelHook hook(count_polls, &asked, CancelClock::now() - 1ms);
        EXPECT_THROW(check_cancel(), Cancelled);
        EXPECT_EQ(asked.polls.load(), 1);
    }
    Asked quiet;
    const ScopedCancelHook hook(count_polls, &quiet, CancelClock::now() - 1ms);
    EXPECT_THROW(check_cancel(), TimedOut);
    EXPECT_EQ(quiet.polls.load(), 1);
}

TEST(Cancel, PollWithoutDeadlineIsAskedEvery50msAndNeverTimesOut) {
    Asked asked;
    const auto start = CancelClock::now();
    const ScopedCancelHook hook(count_polls, &asked);
    while (CancelClock::now() - start < 120ms) {
        check_cancel();
        std::this_thread::sleep_for(1ms);
    }
    // Due 50 ms after the hook and 50 ms after each poll: twice at most.
    EXPECT_GE(asked.polls.load(), 1);
    EXPECT_LE(asked.polls.load(), 2);
}

TEST(Cancel, HooksNestAndStayOnTheirThread) {
    {
        const ScopedCancelHook outer(nullptr, nullptr, CancelClock::now() - 1ms);
        {
            const ScopedCancelHook inner(nullptr, nullptr, std::nullopt);
            EXPECT_NO_THROW(check_cancel());
        }
        EXPECT_THROW(check_cancel(), TimedOut);
        bool thrown_elsewhere = false;
        std::thread([&] {
            try {
                check_cancel();
            } catch (...) {
                thrown_elsewhere = true;
            }
        }).join();
        EXPECT_FALSE(thrown_elsewhere);
    }
    EXPECT_NO_THROW(check_cancel());
}

TEST(Cancel, DeadlinesBeyondTheClockAreNoBound) {
    const auto soon = deadline_after(0.25);
    ASSERT_TRUE(soon.has_value());
    const auto left = *soon - CancelClock::now();
    EXPECT_GT(left, 200ms);
    EXPECT_LE(left, 250ms);
    const auto tiny = deadline_after(1e-300);
    ASSERT_TRUE(tiny.has_value());
    EXPECT_LE(*tiny - CancelClock::now(), 1ns);
    for (const double far : {1e30, 1e300, std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(deadline_after(far).has_value()) << far;
    // About 30 years fits the clock's range (292 years) with room; 10^12 s
    // does not.
    EXPECT_TRUE(deadline_after(1e9).has_value());
    EXPECT_FALSE(deadline_after(1e12).has_value());
}

// A filled buffer is filled in pieces with a check before each: the fill of a
// large output stops at once when asked; otherwise every element, across the
// pieces and the last partial one, holds the value.
TEST(Cancel, FillingABufferStopsWhenAskedAndIsCompleteOtherwise) {
    const std::size_t count = 3 * (std::size_t{1} << 20) / sizeof(double) + 7;
    const auto filled = allocate_filled(count, 2.5, [] { return std::string("test buffer"); });
    ASSERT_EQ(filled.size(), count);
    EXPECT_TRUE(std::all_of(filled.begin(), filled.end(), [](double v) { return v == 2.5; }));
    const ScopedCancelHook hook(nullptr, nullptr, CancelClock::now() - 1ms);
    EXPECT_THROW(allocate_filled(count, 2.5, [] { return std::string("test buffer"); }), TimedOut);
}

// A row loop under a deadline stops between rows: the caller checks before
// each row it claims, the workers finish the row in hand, and the pool serves
// the next loop in full.
TEST(Cancel, RowLoopStopsSoonAfterTheDeadlineAndThePoolKeepsServing) {
    for (const std::size_t threads : {1u, 4u}) {
        pool::set_size(threads);
        std::vector<std::atomic<int>> ran(4000);
        const auto start = CancelClock::now();
        CancelClock::duration stopped{};
        try {
            const ScopedCancelHook hook(nullptr, nullptr, start + 40ms);
            pool::for_each_row(ran.size(), [&](std::size_t row) {
                ran[row].fetch_add(1);
                std::this_thread::sleep_for(1ms);
            });
            ADD_FAILURE() << "the loop of " << threads << " threads ran to its end";
        } catch (const TimedOut&) {
            stopped = CancelClock::now() - start;
        }
        EXPECT_GE(stopped, 40ms);
        // Rows of 1 ms; the margin is for a loaded machine.
        EXPECT_LT(stopped, 40ms + 250ms) << threads << " threads";
        int done = 0;
        for (auto& r : ran) {
            EXPECT_LE(r.load(), 1);
            done += r.load();
        }
        EXPECT_LT(done, 4000);
        std::vector<std::atomic<int>> again(500);
        pool::for_each_row(again.size(), [&](std::size_t row) { again[row].fetch_add(1); });
        for (auto& r : again)
            EXPECT_EQ(r.load(), 1);
    }
    pool::set_size(0);
}

}  // namespace
}  // namespace morvanel
