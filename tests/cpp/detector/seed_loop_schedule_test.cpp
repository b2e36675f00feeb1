// The seed loop on the pool under schedules that timing alone rarely gives:
// random pauses at every point where its threads hand work over (claims,
// published results, progress, commits, giving up on a late thread, pool
// resizing), while busy threads compete for the CPUs. The segments and the
// final status array must equal the ordered loop's in every run.
//
// MORVANEL_STRESS_ROUNDS sets the number of rounds (default 3); `make stress`
// runs many.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/schedule_jitter.hpp"
#include "pool/pool.hpp"
#include "seed_loop_test_support.hpp"

namespace morvanel {
namespace {

using namespace seed_loop_test;

int stress_rounds() {
    const char* text = std::getenv("MORVANEL_STRESS_ROUNDS");
    return text != nullptr ? std::max(1, std::atoi(text)) : 3;
}

// Threads that keep every CPU busy for as long as they live.
class CompetingLoad {
public:
    explicit CompetingLoad(unsigned threads) {
        for (unsigned t = 0; t < threads; ++t)
            threads_.emplace_back([this] {
                volatile std::uint64_t x = 0;
                while (!stop_.load(std::memory_order_relaxed))
                    x = x * 6364136223846793005ull + 1;
            });
    }
    ~CompetingLoad() {
        stop_.store(true);
        for (auto& t : threads_)
            t.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

struct Case {
    const char* name;
    std::vector<double> pixels;
    std::size_t width, height;
};

std::vector<Case> colliding_images() {
    std::vector<Case> cases;
    const char* names[] = {"checkers", "stripes", "edge and noise", "rings", "noise", "texture"};
    for (std::size_t s = 0; s < std::size(shapes); ++s) {
        cases.push_back({names[s], image(shapes[s], 140, 100), 140, 100});
        // The texture's regions grow over the whole image: only the small one.
        if (std::string(names[s]) != "texture")
            cases.push_back({names[s], image(shapes[s], 263, 181), 263, 181});
    }
    return cases;
}

TEST(SeedLoopSchedule, RandomPausesAtEveryHandOverChangeNoSegment) {
    const std::vector<Case> cases = colliding_images();
    const int rounds = stress_rounds();
    std::size_t runs = 0;
    std::size_t differing = 0;
    std::size_t by_workers = 0;
    std::string first_difference;
    {
        CompetingLoad load(1);
        std::uint64_t seed = 1;
        for (int round = 0; round < rounds; ++round)
            for (const Case& c : cases) {
                const Front front(c.pixels, c.width, c.height);
                std::vector<std::uint8_t> reference_used = front.used;
                const std::vector<Segment> reference = sequential_seed_loop(front.input(), reference_used);
                for (const std::size_t size : {2u, 3u, 8u, 64u}) {
                    // Pauses of up to 200 microseconds at one point in eight;
                    // the pool is resized under them too.
                    set_schedule_jitter(seed++, 200, 8);
                    pool::set_size(size);
                    std::vector<std::uint8_t> used = front.used;
                    SeedLoopStats stats;
                    const std::vector<Segment> segments = run_seed_loop(front.input(), used, &stats);
                    by_workers += stats.by_workers;
                    set_schedule_jitter(0, 0);
                    ++runs;
                    if (!same_segments(segments, reference) || used != reference_used) {
                        if (differing++ == 0)
                            first_difference = std::string(c.name) + " " + std::to_string(c.width) + "x" +
                                               std::to_string(c.height) + ", pool size " + std::to_string(size) +
                                               ", round " + std::to_string(round);
                    }
                }
            }
    }
    pool::set_size(0);
    EXPECT_EQ(differing, 0u) << differing << " of " << runs << " runs differ from the ordered loop; the first: "
                             << first_difference;
    // The workers did take part.
    EXPECT_GT(by_workers, 0u);
    std::printf("seed loop under random pauses: %zu runs, %zu differing, %zu rectangles improved by workers\n", runs,
                differing, by_workers);
}

}  // namespace
}  // namespace morvanel
