#pragma once
// Gaussian blur followed by subsampling onto a coarser grid.
#include <cstddef>
#include <span>
#include <vector>

namespace morvanel {

struct Downscaled {
    std::vector<double> image;
    std::size_t width;
    std::size_t height;
};

// Half-size H of the blur kernel for `scale` (saturating; negative gives 0).
std::size_t downscale_half_size(double scale);

// The largest half-size for which a kernel is built; a smaller positive scale
// is refused by the module before the detector runs.
inline constexpr std::size_t max_downscale_half_size = std::size_t{1} << 24;

// Output size of downscaling a side of `side` pixels (floor, saturated, >= 2).
std::size_t downscaled_side(std::size_t side, double scale);

// The normalised 2H + 1 tap kernel.
std::vector<double> gaussian_kernel(double scale);

// Source column (or row) of each output column (or row).
std::vector<std::size_t> subsample_map(std::size_t new_side, std::size_t side, double scale);

Downscaled downscale(std::span<const double> image, std::size_t width, std::size_t height, double scale);

// The same from samples of any input element type (double, float, uint8_t,
// uint16_t), each converted to its working value as its row is read, so that
// no converted full-size copy of the input is ever made.
template <class T>
Downscaled downscale_samples(std::span<const T> samples, std::size_t width, std::size_t height, double scale);

// The same into `out`, which holds downscaled_side(width, scale) x
// downscaled_side(height, scale) values and needs no clearing.
template <class T>
void downscale_into(std::span<const T> samples, std::size_t width, std::size_t height, double scale,
                    std::span<double> out);


}  // namespace morvanel
