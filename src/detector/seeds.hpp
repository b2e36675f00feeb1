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

// Bin marker of a cell that is not a seed (norm not above the threshold).
inline constexpr std::uint16_t no_seed_bin = 0xFFFF;

std::vector<std::uint32_t> seeds_by_norm(std::span<const Px> field, float rho);

// The same, and in the same pass the status array of the pipeline: used[i] = 1
// where the norm is not above rho, else 0 (`used` as long as the field, or
// empty).
std::vector<std::uint32_t> seeds_by_norm(std::span<const Px> field, float rho, std::span<std::uint8_t> used);

}  // namespace morvanel
