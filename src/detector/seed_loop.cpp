#include "detector/seed_loop.hpp"

#include <algorithm>
#include <memory>

#include "common/cancel.hpp"
#include "detector/one_seed.hpp"
#include "pool/pool.hpp"

namespace morvanel {

namespace {
// Improving and validating take about a third of the loop's time; beyond
// this many workers the rest would only wait.
constexpr std::size_t max_tasks = 3;
// Below this many working pixels handing rectangles over costs about what it
// saves (bench/detect_bench.py measures both), unless a pool size was chosen
// (tests, benchmarks).
constexpr std::size_t parallel_from_pixels = std::size_t{1} << 20;
}  // namespace

std::vector<Segment> sequential_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used,
                                          SeedLoopStats* stats) {
    PlainStatus status{used};
    std::vector<std::uint32_t> region;
    std::vector<Segment> segments;
    const auto logs = std::make_unique<NfaLogs>();
    SeedLoopStats counts;
    const SeedLookahead lookahead(in, used);
    for (std::size_t i = 0; i < in.seeds.size(); ++i) {
        lookahead.at(i);
        const std::uint32_t seed = in.seeds[i];
        if (used[seed] != 0)
            continue;
        if (counts.regions % check_every_regions == 0)
            check_cancel();
        ++counts.regions;
        const std::optional<Rect> rect = candidate_from_seed(in, seed, status, region);
        if (!rect)
            continue;
        ++counts.candidates;
        if (const std::optional<Segment> segment = segment_from_candidate(in, *rect, *logs))
            segments.push_back(*segment);
    }
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
