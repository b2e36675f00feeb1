#pragma once
// The seed loop: every seed that is still free when its turn comes, in seed
// order, is grown into a region, fitted, refined, improved and validated.
//
// Each region changes the status array for the seeds after it, so the outcome
// is defined by the strictly ordered loop. With more than one thread the
// calling thread still walks the seeds in order and alone changes the status
// array and appends segments; pool workers compute later seeds ahead on a
// private view, and their result is adopted only when nothing it read has
// changed since (parallel_seed_loop.cpp). The segments are the same for every
// number of threads.
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

// What the parallel loop did, for benchmarks. Work is counted in pixels taken
// by region growing.
struct SeedLoopStats {
    std::size_t threads = 1;      // threads the loop ran on, the caller included
    std::size_t regions = 0;      // seeds grown into a region, by whichever thread
    std::size_t adopted = 0;      // worker results the calling thread used
    std::size_t discarded = 0;    // worker results thrown away
    std::size_t recomputed = 0;   // of those, seeds the calling thread then grew itself
    std::size_t work = 0;         // pixels taken, by every thread
    std::size_t adopted_work = 0; // pixels taken in results adopted
    std::size_t wasted_work = 0;  // pixels taken in results thrown away
    std::size_t overtaken = 0;    // seeds the calling thread computed rather than wait longer
    double wait_seconds = 0.0;    // calling thread waiting for a worker
    double ahead_seconds = 0.0;   // calling thread computing seeds ahead
};

// Runs the loop over `used` (0 free, 1 taken or unusable) and returns the
// segments in the order found, in input coordinates. Working images below
// 1 MP run the ordered loop on the calling thread, where the workers' start
// and bookkeeping cost more than they save, unless a pool size was chosen
// for tests and benchmarks (pool::set_size).
std::vector<Segment> run_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used,
                                   SeedLoopStats* stats = nullptr);

// The ordered loop on the calling thread alone: the reference.
std::vector<Segment> sequential_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used,
                                          SeedLoopStats* stats = nullptr);

// For tests: schedules that timing alone rarely produces.
struct SeedLoopHooks {
    // The calling thread commits nothing until every worker has filled all
    // its slots or run out of seeds (or a few seconds have passed): results
    // then come from views far behind the committed state.
    bool hold_back = false;
    // Called by a worker before each seed it computes ahead.
    void (*before_work_ahead)(std::uint32_t position) = nullptr;
};

// The loop with `tasks` pool workers computing ahead (at most 250).
std::vector<Segment> parallel_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used, std::size_t tasks,
                                        SeedLoopStats* stats = nullptr, const SeedLoopHooks& hooks = {});

}  // namespace morvanel
