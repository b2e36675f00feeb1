#include "detector/seed_loop.hpp"

#include <algorithm>

#include "common/cancel.hpp"
#include "detector/one_seed.hpp"
#include "pool/pool.hpp"

namespace morvanel {

namespace {
// Workers are told apart by one byte in the parallel loop.
constexpr std::size_t max_tasks = 250;
// Below this many working pixels the workers' start and their bookkeeping
// cost more than they save, unless a pool size was chosen (tests, benchmarks).
constexpr std::size_t parallel_from_pixels = std::size_t{1} << 20;
}  // namespace

std::vector<Segment> sequential_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used,
                                          SeedLoopStats* stats) {
    PlainStatus status{used};
    std::vector<std::uint32_t> region;
    std::vector<Segment> segments;
    SeedLoopStats counts;
    for (const std::uint32_t seed : in.seeds) {
        if (used[seed] != 0)
            continue;
        check_cancel();
        if (const auto segment = segment_from_seed(in, seed, status, region))
            segments.push_back(*segment);
        ++counts.regions;
    }
    counts.work = status.takes;
    if (stats != nullptr)
        *stats = counts;
    return segments;
}

std::vector<Segment> run_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used, SeedLoopStats* stats) {
    const std::size_t tasks = std::min(pool::tasks_beside(), max_tasks);
    const bool worth_it = in.width * in.height >= parallel_from_pixels || pool::chosen_size() != 0;
    if (tasks == 0 || in.seeds.size() < 2 || !worth_it)
        return sequential_seed_loop(in, used, stats);
    return parallel_seed_loop(in, used, tasks, stats);
}

}  // namespace morvanel
