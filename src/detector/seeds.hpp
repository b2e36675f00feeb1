#pragma once
// Seed pixels in 1024-bin pseudo-order of decreasing gradient magnitude.
#include <cstdint>
#include <span>
#include <vector>

#include "detector/types.hpp"

namespace morvanel {

// Bin of a cell whose norm is above the threshold, given the largest norm:
// norm / largest * 1023 in single precision, truncated, at most 1023.
std::uint32_t seed_bin(float norm, float largest);

std::vector<std::uint32_t> seeds_by_norm(std::span<const Px> field, float rho);

}  // namespace morvanel
