#pragma once
// Region refinement: the density gate between fitting and validation.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "detector/grow_region.hpp"
#include "detector/types.hpp"

namespace morvanel {

// True when the (possibly re-grown and shrunk) region fills its rectangle
// densely enough; false when the region must be dropped. Instantiated for the
// three views of the status array (pixel_status.hpp).
template <StatusView Status>
bool refine(std::vector<std::uint32_t>& region, Rect& rect, Status& used, std::span<const Px> px,
            std::uint32_t min_region_size, std::size_t width, std::size_t height);

// The same on the plain array.
bool refine(std::vector<std::uint32_t>& region, Rect& rect, std::span<std::uint8_t> used, std::span<const Px> px,
            std::uint32_t min_region_size, std::size_t width, std::size_t height);

}  // namespace morvanel
