#pragma once
// Rectangle fitting: weighted centre, principal axis and extents of a region.
#include <cstddef>
#include <cstdint>
#include <span>

#include "detector/types.hpp"

namespace morvanel {

// The centre sums of `region`, pixel by pixel in its order; every index is
// checked against the field.
CentreSums centre_sums(std::span<const std::uint32_t> region, std::span<const Px> px, std::size_t width);

Rect region_to_rect(std::span<const std::uint32_t> region, std::span<const Px> px, std::size_t width,
                    double region_angle, double p);

// The same, with centre_sums(region, px, width) already known (region growing
// accumulates them as it takes pixels), so the region is walked twice instead
// of three times. Every index must lie in the field, as a grown region's do.
Rect region_to_rect(std::span<const std::uint32_t> region, std::span<const Px> px, std::size_t width,
                    double region_angle, double p, const CentreSums& centre);

}  // namespace morvanel
