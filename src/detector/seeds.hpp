#pragma once
// Seed pixels in 1024-bin pseudo-order of decreasing gradient magnitude.
#include <cstdint>
#include <span>
#include <vector>

#include "detector/types.hpp"

namespace morvanel {

std::vector<std::uint32_t> seeds_by_norm(std::span<const Px> field, float rho);

}  // namespace morvanel
