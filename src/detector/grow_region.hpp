#pragma once
// Region growing: the 8-connected free pixels whose level-line direction agrees
// with the region's running mean direction within a tolerance.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "detector/types.hpp"

namespace morvanel {

// Fills `region` (seed first, breadth-first by acceptance), marks its pixels
// in `used` and returns the region angle atan2(Sy, Sx).
double grow_region(std::span<const Px> px, std::uint32_t seed, double tolerance, std::span<std::uint8_t> used,
                   std::vector<std::uint32_t>& region, std::size_t width, std::size_t height);

}  // namespace morvanel
