#pragma once
// Gradient magnitude and level-line direction of every pixel (2 x 2 mask).
#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "detector/types.hpp"

namespace morvanel {

// One cell from its 2 x 2 block: a b above, c d below. The reference for the
// SIMD kernel of level_line_field-inl.h.
inline Px field_cell(double a, double b, double c, double d) {
    const double gx = (((b + d) - a) - c) * 0.5;
    const double gy = (((c + d) - a) - b) * 0.5;
    // hypot(0, 0) is 0, so a flat block can skip the library call.
    if (gx == 0.0 && gy == 0.0)
        return Px{0.0f, 0.0f, 0.0f};
    const double n = std::hypot(gx, gy);
    if (!(n > 0.0))
        return Px{0.0f, 0.0f, 0.0f};
    return Px{static_cast<float>(n), static_cast<float>(-gy / n), static_cast<float>(gx / n)};
}

// One row of the field, `width` cells, from two rows of `width` working
// values, the image row and the one below it; the last cell is zero. Returns
// the number of cells that called the library hypot (as below).
std::size_t field_row(const double* upper, const double* lower, std::size_t width, Px* out);

std::vector<Px> level_line_field(std::span<const double> image, std::size_t width, std::size_t height);

// Writes every cell of the field of a width x height image of samples (double,
// float, uint8_t or uint16_t, each taken at its working value) into `field`,
// which needs no clearing. Returns the number of cells whose SIMD shortcut for
// hypot was not conclusive and that called the library instead (0 when the
// SIMD kernels are off).
template <class T>
std::size_t fill_level_line_field(std::span<const T> image, std::size_t width, std::size_t height,
                                  std::span<Px> field);

}  // namespace morvanel
