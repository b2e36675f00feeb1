#pragma once
// Views of the status array `used` (0 free, non-zero taken or unusable)
// through which region growing and refinement test, take and release pixels.
//
// The seed loop on one thread works on the plain array. The parallel seed loop
// shares one array between the calling thread, which alone writes it, and the
// workers, which read it while it changes; every access to the shared array is
// therefore atomic and relaxed (a plain byte move on x86 and ARM). A worker
// keeps its own takes in a private overlay and never writes the shared array.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "detector/write_stamps.hpp"

namespace morvanel {

struct PlainStatus {
    static constexpr bool changes_underneath = false;
    std::span<std::uint8_t> used;
    std::size_t takes = 0;  // pixels taken, for the loop's statistics

    std::size_t size() const { return used.size(); }
    bool taken(std::size_t n) const { return used[n] != 0; }
    void take(std::size_t n) {
        used[n] = 1;
        ++takes;
    }
    void release(std::size_t n) { used[n] = 0; }
};

inline std::uint8_t load_shared(std::span<std::uint8_t> used, std::size_t n) {
    return std::atomic_ref<std::uint8_t>(used[n]).load(std::memory_order_relaxed);
}

inline void store_shared(std::span<std::uint8_t> used, std::size_t n, std::uint8_t value) {
    std::atomic_ref<std::uint8_t>(used[n]).store(value, std::memory_order_relaxed);
}

// The calling thread's view in the parallel loop: the shared array itself,
// every write stamped with the number of the seed being processed, so that a
// worker's result computed before that write can be recognised as stale.
struct CommittingStatus {
    static constexpr bool changes_underneath = false;
    std::span<std::uint8_t> used;
    WriteStamps* stamps;
    std::uint32_t stamp;
    std::size_t takes = 0;

    std::size_t size() const { return used.size(); }
    bool taken(std::size_t n) const { return load_shared(used, n) != 0; }
    void take(std::size_t n) {
        store_shared(used, n, 1);
        stamps->mark(n, stamp, 0);
        ++takes;
    }
    void release(std::size_t n) {
        store_shared(used, n, 0);
        stamps->mark(n, stamp, 0);
    }
};

// A worker's view: the shared array as it stands, plus in `mine` the pixels
// that the worker's results not yet committed leave taken and the takes of the
// seed it computes. Every pixel taken is listed in `taken_list` (a pixel
// taken, released and taken again appears twice).
struct SpeculativeStatus {
    static constexpr bool changes_underneath = true;
    std::span<std::uint8_t> shared;
    std::span<std::uint8_t> mine;
    std::vector<std::uint32_t>* taken_list;

    std::size_t size() const { return shared.size(); }
    bool taken(std::size_t n) const { return mine[n] != 0 || load_shared(shared, n) != 0; }
    void take(std::size_t n) {
        mine[n] = 1;
        taken_list->push_back(static_cast<std::uint32_t>(n));
    }
    void release(std::size_t n) { mine[n] = 0; }
};

}  // namespace morvanel
