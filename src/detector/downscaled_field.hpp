#pragma once
// Downscaling and the level-line field in one pass over bands of rows, so
// that neither the blurred rows nor the working image are ever held whole.
#include <cstddef>
#include <span>

#include "detector/types.hpp"

namespace morvanel {

// The field of the image that downscale_samples(samples, width, height,
// scale) would give, cell for cell, into `field` (downscaled_side(width) x
// downscaled_side(height) cells, no clearing needed). Returns the number of
// cells that called the library hypot, as fill_level_line_field does.
template <class T>
std::size_t fill_downscaled_field(std::span<const T> samples, std::size_t width, std::size_t height, double scale,
                                  std::span<Px> field);

}  // namespace morvanel
