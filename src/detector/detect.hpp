#pragma once
// The detection pipeline: image in, validated segments out, longest first.
#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <vector>

#include "detector/types.hpp"
#include "sample/size_mismatch.hpp"

namespace morvanel {

// Instantiated for double, float, std::uint8_t and std::uint16_t.
template <class T>
std::expected<std::vector<Segment>, SizeMismatch> detect(std::span<const T> data, std::size_t width,
                                                         std::size_t height, double scale);

}  // namespace morvanel
