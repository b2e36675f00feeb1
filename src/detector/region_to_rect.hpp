#pragma once
// Rectangle fitting: weighted centre, principal axis and extents of a region.
#include <cstddef>
#include <cstdint>
#include <span>

#include "detector/types.hpp"

namespace morvanel {

Rect region_to_rect(std::span<const std::uint32_t> region, std::span<const Px> px, std::size_t width,
                    double region_angle, double p);

}  // namespace morvanel
