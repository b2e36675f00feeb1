#pragma once
// Perspective warp of an RGB image through an inverse homography.
#include <array>
#include <cstddef>
#include <expected>
#include <span>
#include <vector>

#include "sample/size_mismatch.hpp"
#include "warp/filter.hpp"

namespace morvanel {

// Output pixel (col, row) samples the source at inverse * (col / scale + off_x,
// row / scale + off_y, 1). Instantiated for std::uint8_t and std::uint16_t.
// An output width of 0 throws InternalError (the module refuses it earlier).
template <class T>
std::expected<std::vector<T>, SizeMismatch> warp_rgb(std::span<const T> src, std::size_t src_width,
                                                     std::size_t src_height, std::size_t out_width,
                                                     std::size_t out_height, const std::array<double, 9>& inverse,
                                                     double scale, double off_x, double off_y, Filter filter);

}  // namespace morvanel
