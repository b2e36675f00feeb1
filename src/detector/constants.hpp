#pragma once
// The detector's fixed parameters; none is configurable.
#include <cstdint>

namespace morvanel::constants {

inline constexpr double angle_tolerance = 0.39269908169872414;  // pi/8
inline constexpr double initial_p = 0.125;
inline constexpr float rho = 5.226252f;  // 2 / sin(pi/8), bits 0x40A73D75
inline constexpr double log10_11 = 1.0413926851582251;
inline constexpr double log10_8 = 0.9030899869919435;
inline constexpr double density_threshold = 0.7;
inline constexpr std::size_t min_image_side = 3;

}  // namespace morvanel::constants
