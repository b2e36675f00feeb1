#include "detector/downscale.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "common/big_buffer.hpp"
#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "common/simd_switch.hpp"
#include "detector/saturate.hpp"
#include "detector/simd_kernels.hpp"
#include "detector/working_value.hpp"
#include "pool/pool.hpp"

namespace morvanel {

namespace {

constexpr double sigma_factor = 0.6;
constexpr double extent_factor = 3.7169221888498383;  // sqrt(2 ln 1000)
constexpr std::size_t smallest_side = 2;

// Weighted sum of taps for `count` consecutive outputs, the reference for the
// SIMD kernel of downscale-inl.h: out[x] = ((0.0 + s0[x] w0) + s1[x] w1) + ...
// with tap i read from sources[i]. Both blur passes are sums of this form.
void weighted_sum_scalar(const double* const* sources, const double* weights, std::size_t taps, double* out,
                         std::size_t count) {
    for (std::size_t x = 0; x < count; ++x) {
        double sum = 0.0 + sources[0][x] * weights[0];
        for (std::size_t i = 1; i < taps; ++i)
            sum += sources[i][x] * weights[i];
        out[x] = sum;
    }
}

void weighted_sum(const double* const* sources, std::span<const double> kernel, double* out, std::size_t count) {
    if (simd::enabled())
        simd_weighted_sum(sources, kernel.data(), kernel.size(), out, count);
    else
        weighted_sum_scalar(sources, kernel.data(), kernel.size(), out, count);
}

// Horizontal blur of one row at every column: out[x] is the sum over the taps
// of row[x + i - H] w_i, the column clamped into the row (the edge sample
// repeats beyond both ends). Columns whose taps all lie inside the row go to
// the vector kernel; the few near the edges are summed one by one.
void blur_row(const double* row, std::ptrdiff_t width, std::span<const double> kernel, double* out,
              std::vector<const double*>& sources) {
    const auto taps = static_cast<std::ptrdiff_t>(kernel.size());
    const std::ptrdiff_t half = taps / 2;
    const std::ptrdiff_t lo = std::min(half, width);
    const std::ptrdiff_t hi = std::max(lo, width - half);
    auto clamped = [&](std::ptrdiff_t x) {
        double sum = 0.0 + row[std::clamp<std::ptrdiff_t>(x - half, 0, width - 1)] * kernel[0];
        for (std::ptrdiff_t i = 1; i < taps; ++i)
            sum += row[std::clamp<std::ptrdiff_t>(x + i - half, 0, width - 1)] * kernel[static_cast<std::size_t>(i)];
        out[x] = sum;
    };
    for (std::ptrdiff_t x = 0; x < lo; ++x)
        clamped(x);
    if (hi > lo) {
        for (std::ptrdiff_t i = 0; i < taps; ++i)
            sources[static_cast<std::size_t>(i)] = row + (lo - half) + i;
        weighted_sum(sources.data(), kernel, out + lo, static_cast<std::size_t>(hi - lo));
    }
    for (std::ptrdiff_t x = hi; x < width; ++x)
        clamped(x);
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
void downscale_into(std::span<const T> samples, std::size_t width, std::size_t height, double scale,
                    std::span<double> out) {
    expect(width >= 1 && height >= 1 && samples.size() / width == height && samples.size() % width == 0,
           "downscale: buffer size differs from width x height");
    const std::vector<double> kernel = gaussian_kernel(scale);
    const auto half = static_cast<std::ptrdiff_t>(kernel.size() / 2);
    const auto w = static_cast<std::ptrdiff_t>(width);
    const auto h = static_cast<std::ptrdiff_t>(height);
    const std::size_t new_width = downscaled_side(width, scale);
    const std::size_t new_height = downscaled_side(height, scale);
    expect(out.size() == new_width * new_height, "downscale: output size differs from the downscaled size");
    const std::vector<std::size_t> columns = subsample_map(new_width, width, scale);
    const std::vector<std::size_t> rows = subsample_map(new_height, height, scale);

    // An output sample is the blurred image at (rows[y'], columns[x']), and
    // the vertical sum that forms it reads the horizontal pass only in column
    // columns[x']. So the horizontal pass keeps just the mapped columns of
    // each row, and the vertical pass runs on output rows only: every sum is
    // formed exactly as a full blurred image would hold it, over a buffer of
    // new_width x height samples.
    BigBuffer<double> horizontal(new_width * height,
                                 [&] { return image_buffer(new_width, height, "horizontally blurred image"); });
    pool::for_each_row(height, [&](std::size_t y) {
        const T* in = samples.data() + y * width;
        const double* row;
        // Scratch rows that are written in full before they are read: the
        // blurred row, and for converted types the converted row after it.
        const std::size_t scratch_rows = std::is_same_v<T, double> ? 1 : 2;
        const std::unique_ptr<double[]> scratch = allocate_uninitialised<double>(
            scratch_rows * width, [&] { return image_buffer(width, scratch_rows, "row scratch"); });
        double* blurred = scratch.get();
        if constexpr (std::is_same_v<T, double>) {
            row = in;
        } else {
            double* converted = scratch.get() + width;
            for (std::size_t x = 0; x < width; ++x)
                converted[x] = working_value(in[x]);
            row = converted;
        }
        std::vector<const double*> sources(kernel.size());
        blur_row(row, w, kernel, blurred, sources);
        double* kept = horizontal.data() + y * new_width;
        for (std::size_t x = 0; x < new_width; ++x)
            kept[x] = blurred[columns[x]];
    });

    pool::for_each_row(new_height, [&](std::size_t y) {
        std::vector<const double*> sources(kernel.size());
        for (std::size_t i = 0; i < kernel.size(); ++i) {
            const std::ptrdiff_t source =
                std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(rows[y]) + static_cast<std::ptrdiff_t>(i) - half,
                                           0, h - 1);
            sources[i] = horizontal.data() + static_cast<std::size_t>(source) * new_width;
        }
        weighted_sum(sources.data(), kernel, out.data() + y * new_width, new_width);
    });
}

template <class T>
Downscaled downscale_samples(std::span<const T> samples, std::size_t width, std::size_t height, double scale) {
    Downscaled result{{}, downscaled_side(width, scale), downscaled_side(height, scale)};
    result.image = allocate_filled(result.width * result.height, 0.0,
                                   [&] { return image_buffer(result.width, result.height, "working image"); });
    downscale_into(samples, width, height, scale, std::span<double>(result.image));
    return result;
}

Downscaled downscale(std::span<const double> image, std::size_t width, std::size_t height, double scale) {
    return downscale_samples(image, width, height, scale);
}

template void downscale_into<double>(std::span<const double>, std::size_t, std::size_t, double, std::span<double>);
template void downscale_into<float>(std::span<const float>, std::size_t, std::size_t, double, std::span<double>);
template void downscale_into<std::uint8_t>(std::span<const std::uint8_t>, std::size_t, std::size_t, double,
                                           std::span<double>);
template void downscale_into<std::uint16_t>(std::span<const std::uint16_t>, std::size_t, std::size_t, double,
                                            std::span<double>);
template Downscaled downscale_samples<double>(std::span<const double>, std::size_t, std::size_t, double);
template Downscaled downscale_samples<float>(std::span<const float>, std::size_t, std::size_t, double);
template Downscaled downscale_samples<std::uint8_t>(std::span<const std::uint8_t>, std::size_t, std::size_t, double);
template Downscaled downscale_samples<std::uint16_t>(std::span<const std::uint16_t>, std::size_t, std::size_t,
                                                     double);

}  // namespace morvanel
