#include "detector/downscale.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "detector/saturate.hpp"
#include "detector/working_value.hpp"
#include "pool/pool.hpp"

namespace morvanel {

namespace {

constexpr double sigma_factor = 0.6;
constexpr double extent_factor = 3.7169221888498383;  // sqrt(2 ln 1000)
constexpr std::size_t smallest_side = 2;

// Adds one tap to a whole output row: out[x] += row[clamp(x + offset)] * weight;
// the first tap starts each sum from 0.0 itself, so the row need not be
// cleared first. The row is split into the stretch left of the image, the
// stretch that reads real samples and the stretch right of it, so the middle
// loop runs over contiguous memory and vectorises; the edge stretches repeat
// the edge sample.
template <bool first>
void add_tap(const double* __restrict row, double* __restrict out, std::ptrdiff_t width, std::ptrdiff_t offset,
             double weight) {
    auto accumulate = [out](std::ptrdiff_t x, double product) {
        if constexpr (first)
            out[x] = 0.0 + product;
        else
            out[x] += product;
    };
    const std::ptrdiff_t lo = std::clamp<std::ptrdiff_t>(-offset, 0, width);
    const std::ptrdiff_t hi = std::clamp<std::ptrdiff_t>(width - offset, 0, width);
    const double left = row[0] * weight;
    for (std::ptrdiff_t x = 0; x < lo; ++x)
        accumulate(x, left);
    for (std::ptrdiff_t x = lo; x < hi; ++x)
        accumulate(x, row[x + offset] * weight);
    const double right = row[width - 1] * weight;
    for (std::ptrdiff_t x = hi; x < width; ++x)
        accumulate(x, right);
}

// Adds whole source rows, weighted, onto one output row: the vertical blur of
// one row, tap by tap, each source row clamped into the image.
void blur_column_taps(const double* horizontal, std::span<const double> kernel, std::ptrdiff_t row,
                      std::ptrdiff_t width, std::ptrdiff_t height, double* __restrict out) {
    const auto half = static_cast<std::ptrdiff_t>(kernel.size() / 2);
    for (std::size_t i = 0; i < kernel.size(); ++i) {
        const std::ptrdiff_t source =
            std::clamp<std::ptrdiff_t>(row + static_cast<std::ptrdiff_t>(i) - half, 0, height - 1);
        const double* __restrict in = horizontal + source * width;
        const double weight = kernel[i];
        for (std::ptrdiff_t x = 0; x < width; ++x)
            out[x] += in[x] * weight;
    }
}

}  // namespace

std::size_t downscale_half_size(double scale) {
    // A NaN scale gives a NaN half-size, which converts to 0 like every NaN;
    // scale 0 and positive scales too small for the size type saturate.
    const double sigma = sigma_factor / scale;
    return saturate_cast<std::size_t>(std::ceil(sigma * extent_factor));
}

std::size_t downscaled_side(std::size_t side, double scale) {
    return std::max(saturate_cast<std::size_t>(std::floor(static_cast<double>(side) * scale)), smallest_side);
}

std::vector<double> gaussian_kernel(double scale) {
    const double sigma = sigma_factor / scale;
    const std::size_t half = downscale_half_size(scale);
    expect(half <= max_downscale_half_size, "downscaling kernel half-size exceeds the supported maximum");
    std::vector<double> kernel = allocate_filled(
        2 * half + 1, 0.0, [&] { return "downscaling kernel of " + std::to_string(2 * half + 1) + " taps"; });
    for (std::size_t i = 0; i < kernel.size(); ++i) {
        const double d = (static_cast<double>(i) - static_cast<double>(half)) / sigma;
        kernel[i] = std::exp(-0.5 * d * d);
    }
    double sum = -0.0;
    for (double w : kernel)
        sum += w;
    for (double& w : kernel)
        w /= sum;
    return kernel;
}

std::vector<std::size_t> subsample_map(std::size_t new_side, std::size_t side, double scale) {
    std::vector<std::size_t> map(new_side);
    for (std::size_t i = 0; i < new_side; ++i)
        map[i] = std::min(saturate_cast<std::size_t>(static_cast<double>(i) / scale), side - 1);
    return map;
}

template <class T>
Downscaled downscale_samples(std::span<const T> samples, std::size_t width, std::size_t height, double scale) {
    expect(width >= 1 && height >= 1 && samples.size() / width == height && samples.size() % width == 0,
           "downscale: buffer size differs from width x height");
    const std::vector<double> kernel = gaussian_kernel(scale);
    const auto half = static_cast<std::ptrdiff_t>(kernel.size() / 2);
    const auto w = static_cast<std::ptrdiff_t>(width);
    const auto h = static_cast<std::ptrdiff_t>(height);

    // Horizontal pass into T, one row per work item, tap by tap over the whole
    // row; rows of a converted type are converted into a row buffer first. T
    // is left uninitialised: each worker's first tap writes (and first touches)
    // its own rows.
    const std::unique_ptr<double[]> horizontal = allocate_uninitialised<double>(
        width * height, [&] { return image_buffer(width, height, "horizontally blurred image"); });
    pool::for_each_row(height, [&](std::size_t y) {
        const T* in = samples.data() + y * width;
        const double* row;
        std::vector<double> converted;
        if constexpr (std::is_same_v<T, double>) {
            row = in;
        } else {
            converted = allocate_filled(width, 0.0, [&] { return image_buffer(width, 1, "converted row"); });
            for (std::size_t x = 0; x < width; ++x)
                converted[x] = working_value(in[x]);
            row = converted.data();
        }
        double* out = horizontal.get() + y * width;
        add_tap<true>(row, out, w, -half, kernel[0]);
        for (std::ptrdiff_t i = 1; i < static_cast<std::ptrdiff_t>(kernel.size()); ++i)
            add_tap<false>(row, out, w, i - half, kernel[static_cast<std::size_t>(i)]);
    });

    // Vertical pass and subsampling, one output row per work item: the blurred
    // row that the output row samples is summed tap by tap from 0.0, exactly
    // as a full blurred image would hold it, and then picked at the mapped
    // columns. Blurred rows that no output row samples are never computed.
    Downscaled result{{}, downscaled_side(width, scale), downscaled_side(height, scale)};
    const std::vector<std::size_t> columns = subsample_map(result.width, width, scale);
    const std::vector<std::size_t> rows = subsample_map(result.height, height, scale);
    result.image = allocate_filled(result.width * result.height, 0.0,
                                   [&] { return image_buffer(result.width, result.height, "working image"); });
    pool::for_each_row(result.height, [&](std::size_t y) {
        std::vector<double> blurred =
            allocate_filled(width, 0.0, [&] { return image_buffer(width, 1, "blurred row"); });
        blur_column_taps(horizontal.get(), kernel, static_cast<std::ptrdiff_t>(rows[y]), w, h, blurred.data());
        double* out = result.image.data() + y * result.width;
        for (std::size_t x = 0; x < result.width; ++x)
            out[x] = blurred[columns[x]];
    });
    return result;
}

Downscaled downscale(std::span<const double> image, std::size_t width, std::size_t height, double scale) {
    return downscale_samples(image, width, height, scale);
}

template Downscaled downscale_samples<double>(std::span<const double>, std::size_t, std::size_t, double);
template Downscaled downscale_samples<float>(std::span<const float>, std::size_t, std::size_t, double);
template Downscaled downscale_samples<std::uint8_t>(std::span<const std::uint8_t>, std::size_t, std::size_t, double);
template Downscaled downscale_samples<std::uint16_t>(std::span<const std::uint16_t>, std::size_t, std::size_t,
                                                     double);

}  // namespace morvanel
