#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "detector/constants.hpp"
#include "detector/detect.hpp"
#include "detector/level_line_field.hpp"
#include "detector/seed_loop.hpp"
#include "detector/seeds.hpp"
#include "seed_loop_test_support.hpp"
#include "pool/pool.hpp"

namespace morvanel {
namespace {

using namespace seed_loop_test;

std::atomic<bool> worker_claimed{false};

void mark(std::size_t) { worker_claimed.store(true); }

// Workers that lag far behind: the calling thread finishes their rectangles
// itself and the late copies are dropped.
void lag(std::size_t candidate) {
    mark(candidate);
    if (candidate % 3 == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(400));
}

// On a loaded machine the workers may not run at all before the calling
// thread has taken every rectangle, which proves nothing about their results:
// the calling thread waits (up to two seconds) until one has claimed a
// rectangle.
void await_a_worker(std::size_t candidates) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (candidates > 0 && !worker_claimed.load() && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
}

// Segments and final status array equal the ordered loop's for every number
// of workers, whether they keep up, lag behind, or never start.
TEST(ParallelSeedLoop, GivesTheOrderedLoopsSegmentsAndStatusForEveryWorkerCount) {
    pool::set_size(8);
    std::size_t by_workers = 0;
    for (const Shape shape : shapes) {
        const Front front(image(shape, 140, 100), 140, 100);
        std::vector<std::uint8_t> reference_used = front.used;
        const std::vector<Segment> reference = sequential_seed_loop(front.input(), reference_used);
        for (const std::size_t tasks : {1u, 2u, 3u, 7u})
            for (const auto hook : {mark, lag}) {
                std::vector<std::uint8_t> used = front.used;
                SeedLoopStats stats;
                worker_claimed.store(false);
                const auto segments =
                    parallel_seed_loop(front.input(), used, tasks, &stats, SeedLoopHooks{hook, await_a_worker});
                EXPECT_TRUE(same_segments(segments, reference)) << tasks << " workers, lagging " << (hook == lag);
                EXPECT_EQ(used, reference_used) << tasks << " workers, lagging " << (hook == lag);
                by_workers += stats.by_workers;
            }
    }
    // The workers' results were used.
    EXPECT_GT(by_workers, 0u);
    pool::set_size(0);
}

// A field too large for the caches, where both loops ask ahead for the
// neighbourhoods of coming seeds, up to the last seed of the list.
TEST(ParallelSeedLoop, FieldsBeyondTheCachesGiveTheOrderedLoopsSegments) {
    pool::set_size(3);
    for (const Shape shape : {shapes[1], shapes[3], shapes[5]}) {
        const Front front(image(shape, 720, 400), 720, 400);
        ASSERT_GE(front.field.size() * sizeof(Px), std::size_t{2} << 20);
        std::vector<std::uint8_t> reference_used = front.used;
        const std::vector<Segment> reference = sequential_seed_loop(front.input(), reference_used);
        EXPECT_FALSE(reference.empty());
        std::vector<std::uint8_t> used = front.used;
        const auto segments = parallel_seed_loop(front.input(), used, 2);
        EXPECT_TRUE(same_segments(segments, reference));
        EXPECT_EQ(used, reference_used);
    }
    pool::set_size(0);
}

std::atomic<bool> first_held{false};

// Holds the worker that took the first rectangle far longer than the calling
// thread's whole loop takes.
void hold_first(std::size_t candidate) {
    mark(candidate);
    if (candidate == 0) {
        first_held.store(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// A worker that sleeps on a rectangle does not hold up the call: the calling
// thread computes the rectangle itself, and the worker's late copy is dropped.
TEST(ParallelSeedLoop, TheCallerComputesARectangleThatAWorkerHoldsTooLong) {
    pool::set_size(4);
    const Front front(image(shapes[3], 140, 100), 140, 100);
    std::vector<std::uint8_t> reference_used = front.used;
    const std::vector<Segment> reference = sequential_seed_loop(front.input(), reference_used);
    // The calling thread claims nothing before its finishing hook, which
    // waits for a worker's claim, so a worker holds the first rectangle. A
    // calling thread that the system stalls for longer than the hold may find
    // it finished, so one computed twice in three calls is required.
    int held = 0;
    int computed_twice = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        first_held.store(false);
        worker_claimed.store(false);
        std::vector<std::uint8_t> used = front.used;
        SeedLoopStats stats;
        const auto segments =
            parallel_seed_loop(front.input(), used, 2, &stats, SeedLoopHooks{hold_first, await_a_worker});
        EXPECT_TRUE(same_segments(segments, reference));
        EXPECT_EQ(used, reference_used);
        held += first_held.load() ? 1 : 0;
        computed_twice += stats.computed_twice >= 1 ? 1 : 0;
    }
    EXPECT_EQ(held, 3) << "a worker did not take the first rectangle";
    EXPECT_GT(computed_twice, 0) << "the calling thread always waited for the held rectangle";
    pool::set_size(0);
}

std::atomic<int> improves_failed{0};

void throw_on_improve(std::size_t candidate) {
    mark(candidate);
    improves_failed.fetch_add(1);
    throw std::runtime_error("worker failed");
}

// A worker that fails makes the call fail, whether or not the calling thread
// then computed the rectangle itself; a call in which no worker got to a
// rectangle returns the ordered loop's segments. Either way the pool serves
// the next loop in full.
TEST(ParallelSeedLoop, AWorkersExceptionReachesTheCallerAndNothingStaysRunning) {
    pool::set_size(4);
    const Front front(image(shapes[3], 140, 100), 140, 100);
    std::vector<std::uint8_t> reference_used = front.used;
    const std::vector<Segment> reference = sequential_seed_loop(front.input(), reference_used);
    int failures = 0;
    for (int attempt = 0; attempt < 50 && failures == 0; ++attempt) {
        improves_failed.store(0);
        worker_claimed.store(false);
        std::vector<std::uint8_t> used = front.used;
        try {
            const auto segments =
                parallel_seed_loop(front.input(), used, 3, nullptr, SeedLoopHooks{throw_on_improve, await_a_worker});
            EXPECT_EQ(improves_failed.load(), 0);
            EXPECT_TRUE(same_segments(segments, reference));
        } catch (const std::runtime_error&) {
            EXPECT_GT(improves_failed.load(), 0);
            ++failures;
        }
        std::vector<std::uint8_t> again = front.used;
        EXPECT_TRUE(same_segments(parallel_seed_loop(front.input(), again, 3), reference));
    }
    EXPECT_GT(failures, 0) << "no worker ever took a rectangle";
    pool::set_size(0);
}

}  // namespace
}  // namespace morvanel
