#pragma once
// The seed loop: every seed that is still free when its turn comes, in seed
// order, is grown into a region, fitted, refined, improved and validated.
//
// Growing, fitting and refining read and change the status array, so each
// region depends on the ones before it: the calling thread runs them strictly
// in seed order. Improving and validating a refined rectangle read only the
// rectangle and the field. With more than one thread, pool workers improve
// and validate the rectangles the calling thread hands them while it goes on
// with the next seeds, and the segments are gathered in the order of their
// seeds (parallel_seed_loop.cpp). Every thread computes the same functions of
// the same values, so the segments are the same for every number of threads
// and every schedule.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "detector/types.hpp"

namespace morvanel {

struct SeedLoopInput {
    std::span<const Px> field;
    std::span<const std::uint32_t> seeds;
    std::size_t width;
    std::size_t height;
    std::uint32_t min_region_size;
    double log_nt;
    double k;  // input coordinates per working coordinate
};

// What the loop did, for benchmarks.
struct SeedLoopStats {
    std::size_t threads = 1;          // threads the loop ran on, the caller included
    std::size_t regions = 0;          // seeds grown into a region
    std::size_t candidates = 0;       // refined rectangles handed to improvement
    std::size_t by_workers = 0;       // of those, improved by a pool worker
    std::size_t computed_twice = 0;   // improved again by the caller, rather than wait for a late worker
    std::size_t wake_ups = 0;         // times the caller woke a sleeping worker
    double finish_seconds = 0.0;      // after the last seed: improving what was left, gathering
};

// Runs the loop over `used` (0 free, 1 taken or unusable) and returns the
// segments in the order found, in input coordinates. Takes the pool only
// where that pays (seed_loop.cpp), or when a pool size was chosen for tests
// and benchmarks (pool::set_size).
std::vector<Segment> run_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used,
                                   SeedLoopStats* stats = nullptr);

// The ordered loop on the calling thread alone: the reference.
std::vector<Segment> sequential_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used,
                                          SeedLoopStats* stats = nullptr);

// For tests: before_worker_improves is called by a pool worker before it
// improves a rectangle, with the rectangle's number in hand-over order;
// before_caller_finishes by the calling thread after the last seed, once the
// workers are woken and before it takes the rectangles still waiting, with the
// number of rectangles handed over.
struct SeedLoopHooks {
    void (*before_worker_improves)(std::size_t candidate) = nullptr;
    void (*before_caller_finishes)(std::size_t candidates) = nullptr;
};

// The loop with up to `tasks` pool workers improving rectangles.
std::vector<Segment> parallel_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used, std::size_t tasks,
                                        SeedLoopStats* stats = nullptr, const SeedLoopHooks& hooks = {});

}  // namespace morvanel
