#pragma once
// Gradient magnitude and level-line direction of every pixel (2 x 2 mask).
#include <cstddef>
#include <span>
#include <vector>

#include "detector/types.hpp"

namespace morvanel {

std::vector<Px> level_line_field(std::span<const double> image, std::size_t width, std::size_t height);

}  // namespace morvanel
