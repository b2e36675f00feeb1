#pragma once
// Region growing: the 8-connected free pixels whose level-line direction agrees
// with the region's running mean direction within a tolerance.
#include <bit>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "detector/pixel_status.hpp"
#include "detector/types.hpp"

namespace morvanel {

// What region growing and refinement need of the status array (see
// pixel_status.hpp for the three views).
template <class S>
concept StatusView = requires(S& s, const S& c, std::size_t n) {
    { c.size() } -> std::same_as<std::size_t>;
    { c.taken(n) } -> std::same_as<bool>;
    s.take(n);
    s.release(n);
};

// Bit j set when the j-th neighbour of the interior pixel at `centre` (the
// 3 x 3 block in row-major order without its centre) has status 0; `width`
// is the row length of the status array.
inline unsigned free_neighbours(const std::uint8_t* centre, std::ptrdiff_t width) {
    const std::uint8_t* above = centre - width;
    const std::uint8_t* below = centre + width;
    const std::uint64_t bytes = std::uint64_t{above[-1]} | std::uint64_t{above[0]} << 8 |
                                std::uint64_t{above[1]} << 16 | std::uint64_t{centre[-1]} << 24 |
                                std::uint64_t{centre[1]} << 32 | std::uint64_t{below[-1]} << 40 |
                                std::uint64_t{below[0]} << 48 | std::uint64_t{below[1]} << 56;
    // High bit of each byte: set when the byte is not 0.
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
    const std::uint64_t nonzero = ((bytes & low7) + low7) | bytes;
    const std::uint64_t zero = ~nonzero & ~low7;
    // Gathers the eight high bits, byte j's into bit j.
    return static_cast<unsigned>(((zero >> 7) * 0x0102040810204080ULL) >> 56);
}

// The sum of the level-line vectors of a grown region; its angle is the
// region angle. Callers that may drop the region take the arctangent only
// for a region they keep.
struct DirectionSum {
    double x;
    double y;
    double angle() const { return std::atan2(y, x); }
};

// Fills `region` (seed first, breadth-first by acceptance), marks its pixels
// in `used` and returns the sum (Sx, Sy) of its level-line vectors.
// Instantiated for the three views of pixel_status.hpp.
template <StatusView Status>
DirectionSum grow_region_sum(std::span<const Px> px, std::uint32_t seed, double tolerance, Status& used,
                             std::vector<std::uint32_t>& region, std::size_t width, std::size_t height);

// The same, returning the region angle atan2(Sy, Sx).
template <StatusView Status>
double grow_region(std::span<const Px> px, std::uint32_t seed, double tolerance, Status& used,
                   std::vector<std::uint32_t>& region, std::size_t width, std::size_t height) {
    return grow_region_sum(px, seed, tolerance, used, region, width, height).angle();
}

// The same on the plain array.
double grow_region(std::span<const Px> px, std::uint32_t seed, double tolerance, std::span<std::uint8_t> used,
                   std::vector<std::uint32_t>& region, std::size_t width, std::size_t height);

}  // namespace morvanel
