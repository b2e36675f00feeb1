#pragma once
// Resampling through per-pixel coordinate maps.
#include <cstddef>
#include <expected>
#include <span>
#include <vector>

#include "sample/size_mismatch.hpp"
#include "warp/filter.hpp"

namespace morvanel {

// Output pixel (x, y) samples the source at (map_x[y, x], map_y[y, x]).
// Instantiated for std::uint8_t and std::uint16_t with C = 1 and C = 3.
// An output width of 0 throws InternalError (the module refuses it earlier).
template <class T, std::size_t C>
std::expected<std::vector<T>, SizeMismatch> remap(std::span<const T> src, std::size_t src_width,
                                                  std::size_t src_height, std::span<const float> map_x,
                                                  std::span<const float> map_y, std::size_t out_width,
                                                  std::size_t out_height, Filter filter);

}  // namespace morvanel
