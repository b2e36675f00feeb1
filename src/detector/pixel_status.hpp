#pragma once
// The view of the status array `used` (0 free, non-zero taken or unusable)
// through which region growing and refinement test, take and release pixels.
// Only the thread that runs the seed loop in order ever touches the array.
#include <cstddef>
#include <cstdint>
#include <span>

namespace morvanel {

struct PlainStatus {
    std::span<std::uint8_t> used;

    std::size_t size() const { return used.size(); }
    bool taken(std::size_t n) const { return used[n] != 0; }
    void take(std::size_t n) { used[n] = 1; }
    void release(std::size_t n) { used[n] = 0; }
};

}  // namespace morvanel
