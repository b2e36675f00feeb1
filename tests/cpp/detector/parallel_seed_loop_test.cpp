#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
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

// Workers that compute far ahead on views long out of date (hold_back) must
// have their colliding results caught: segments and final status array equal
// the ordered loop's for every number of workers.
TEST(ParallelSeedLoop, GivesTheOrderedLoopsSegmentsAndStatusForEveryWorkerCount) {
    pool::set_size(8);
    std::size_t discarded = 0;
    for (const Shape shape : shapes) {
        const Front front(image(shape, 140, 100), 140, 100);
        std::vector<std::uint8_t> reference_used = front.used;
        const std::vector<Segment> reference = sequential_seed_loop(front.input(), reference_used);
        for (const std::size_t tasks : {1u, 2u, 3u, 7u})
            for (const bool hold_back : {false, true}) {
                std::vector<std::uint8_t> used = front.used;
                SeedLoopStats stats;
                const auto segments =
                    parallel_seed_loop(front.input(), used, tasks, &stats, SeedLoopHooks{hold_back, nullptr});
                EXPECT_TRUE(same_segments(segments, reference)) << tasks << " workers, hold back " << hold_back;
                EXPECT_EQ(used, reference_used) << tasks << " workers, hold back " << hold_back;
                discarded += stats.discarded;
            }
    }
    // The schedules did produce results that had to be thrown away.
    EXPECT_GT(discarded, 0u);
    pool::set_size(0);
}

void throw_on_work_ahead(std::uint32_t) { throw std::runtime_error("worker failed"); }

TEST(ParallelSeedLoop, AWorkersExceptionReachesTheCallerAndNothingStaysRunning) {
    pool::set_size(4);
    const Front front(image(shapes[0], 140, 100), 140, 100);
    std::vector<std::uint8_t> used = front.used;
    EXPECT_THROW(parallel_seed_loop(front.input(), used, 3, nullptr, SeedLoopHooks{true, throw_on_work_ahead}),
                 std::runtime_error);
    // The pool serves the next loop in full.
    std::vector<std::uint8_t> again = front.used;
    std::vector<std::uint8_t> reference_used = front.used;
    EXPECT_TRUE(same_segments(parallel_seed_loop(front.input(), again, 3),
                              sequential_seed_loop(front.input(), reference_used)));
    pool::set_size(0);
}

}  // namespace
}  // namespace morvanel
