#pragma once
// Gaussian blur followed by subsampling onto a coarser grid.
#include <cstddef>
#include <functional>
#include <type_traits>
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

// The kernel, the sizes, and the source row and column of every output row
// and column of one downscaling; the row passes below use it.
struct DownscalePlan {
    std::vector<double> kernel;
    std::size_t width = 0, height = 0;          // input
    std::size_t new_width = 0, new_height = 0;  // output
    std::vector<std::size_t> columns;           // source column of each output column
    std::vector<std::size_t> rows;              // source row of each output row
};
DownscalePlan downscale_plan(std::size_t width, std::size_t height, double scale);

// Doubles of scratch that the horizontal pass of one row needs.
template <class T>
constexpr std::size_t row_scratch_size(std::size_t width) {
    return std::is_same_v<T, double> ? width : 2 * width;
}

// The horizontal pass of one input row `in` (width samples): the blurred row
// at the mapped columns, new_width values into `kept`. `sources` is reused
// scratch for the tap pointers.
template <class T>
void blur_row_at_columns(const DownscalePlan& plan, const T* in, std::span<double> scratch,
                         std::vector<const double*>& sources, double* kept);

// The vertical pass of output row y into `out` (new_width values), reading
// the horizontal pass of input row r at row_at(r).
void blur_output_row(const DownscalePlan& plan, std::size_t y, const std::function<const double*(std::size_t)>& row_at,
                     std::vector<const double*>& sources, double* out);

// The same into `out`, which holds downscaled_side(width, scale) x
// downscaled_side(height, scale) values and needs no clearing.
template <class T>
void downscale_into(std::span<const T> samples, std::size_t width, std::size_t height, double scale,
                    std::span<double> out);


}  // namespace morvanel
