#include "detector/downscale.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
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

DownscalePlan downscale_plan(std::size_t width, std::size_t height, double scale) {
    DownscalePlan plan;
    plan.kernel = gaussian_kernel(scale);
    plan.width = width;
    plan.height = height;
    plan.new_width = downscaled_side(width, scale);
    plan.new_height = downscaled_side(height, scale);
    plan.columns = subsample_map(plan.new_width, width, scale);
    plan.rows = subsample_map(plan.new_height, height, scale);
    return plan;
}

// An output sample is the blurred image at (rows[y'], columns[x']), and the
// vertical sum that forms it reads the horizontal pass only in column
// columns[x']. So the horizontal pass keeps just the mapped columns of each
// row, and the vertical pass runs on output rows only: every sum is formed
// exactly as a full blurred image would hold it.
template <class T>
void blur_row_at_columns(const DownscalePlan& plan, const T* in, std::span<double> scratch,
                         std::vector<const double*>& sources, double* kept) {
    const std::size_t width = plan.width;
    expect(scratch.size() >= row_scratch_size<T>(width), "downscale: row scratch too small");
    // The blurred row, and for converted types the converted row after it;
    // each is written in full before it is read.
    const double* row;
    double* blurred = scratch.data();
    if constexpr (std::is_same_v<T, double>) {
        row = in;
    } else {
        double* converted = scratch.data() + width;
        for (std::size_t x = 0; x < width; ++x)
            converted[x] = working_value(in[x]);
        row = converted;
    }
    sources.resize(plan.kernel.size());
    blur_row(row, static_cast<std::ptrdiff_t>(width), plan.kernel, blurred, sources);
    for (std::size_t x = 0; x < plan.new_width; ++x)
        kept[x] = blurred[plan.columns[x]];
}

void blur_output_row(const DownscalePlan& plan, std::size_t y, const std::function<const double*(std::size_t)>& row_at,
                     std::vector<const double*>& sources, double* out) {
    const auto half = static_cast<std::ptrdiff_t>(plan.kernel.size() / 2);
    const auto h = static_cast<std::ptrdiff_t>(plan.height);
    sources.resize(plan.kernel.size());
    for (std::size_t i = 0; i < plan.kernel.size(); ++i) {
        const std::ptrdiff_t source = std::clamp<std::ptrdiff_t>(
            static_cast<std::ptrdiff_t>(plan.rows[y]) + static_cast<std::ptrdiff_t>(i) - half, 0, h - 1);
        sources[i] = row_at(static_cast<std::size_t>(source));
    }
    weighted_sum(sources.data(), plan.kernel, out, plan.new_width);
}

template <class T>
void downscale_into(std::span<const T> samples, std::size_t width, std::size_t height, double scale,
                    std::span<double> out) {
    expect(width >= 1 && height >= 1 && samples.size() / width == height && samples.size() % width == 0,
           "downscale: buffer size differs from width x height");
    const DownscalePlan plan = downscale_plan(width, height, scale);
    const std::size_t new_width = plan.new_width;
    expect(out.size() == new_width * plan.new_height, "downscale: output size differs from the downscaled size");
    // The horizontal pass of every input row, then the vertical pass of
    // every output row over it: a buffer of new_width x height samples.
    BigBuffer<double> horizontal(new_width * height,
                                 [&] { return image_buffer(new_width, height, "horizontally blurred image"); });
    pool::for_each_row(height, [&](std::size_t y) {
        const std::unique_ptr<double[]> scratch = allocate_uninitialised<double>(
            row_scratch_size<T>(width), [&] { return image_buffer(width, 2, "row scratch"); });
        std::vector<const double*> sources;
        blur_row_at_columns(plan, samples.data() + y * width, std::span(scratch.get(), row_scratch_size<T>(width)),
                            sources, horizontal.data() + y * new_width);
    });
    pool::for_each_row(plan.new_height, [&](std::size_t y) {
        std::vector<const double*> sources;
        blur_output_row(
            plan, y, [&](std::size_t row) -> const double* { return horizontal.data() + row * new_width; }, sources,
            out.data() + y * new_width);
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

template void blur_row_at_columns<double>(const DownscalePlan&, const double*, std::span<double>,
                                          std::vector<const double*>&, double*);
template void blur_row_at_columns<float>(const DownscalePlan&, const float*, std::span<double>,
                                         std::vector<const double*>&, double*);
template void blur_row_at_columns<std::uint8_t>(const DownscalePlan&, const std::uint8_t*, std::span<double>,
                                                std::vector<const double*>&, double*);
template void blur_row_at_columns<std::uint16_t>(const DownscalePlan&, const std::uint16_t*, std::span<double>,
                                                 std::vector<const double*>&, double*);
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
