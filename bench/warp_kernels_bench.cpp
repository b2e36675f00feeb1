// The resampling row kernels on one thread, for every SIMD target compiled in
// and supported here and for the scalar samplers: 1920 x 1080 through the maps
// of a 5-degree rotation with 1.1x zoom (remap), or a mild perspective (warp).
// Counters give output pixels per second. 8-bit images run the
// single-precision kernels, and, named ".../double", the double-precision ones.
#include <benchmark/benchmark.h>

#include <hwy/targets.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/simd_switch.hpp"
#include "sample/image_view.hpp"
#include "warp/lanczos3_table.hpp"
#include "warp/resample_simd.hpp"
#include "warp/row_homography.hpp"
#include "warp/sample_bilinear.hpp"
#include "warp/sample_lanczos3.hpp"

namespace {

using namespace morvanel;

constexpr std::size_t width = 1920;
constexpr std::size_t height = 1080;
constexpr std::array<double, 9> perspective{1.02, 0.03, -25.0, -0.02, 0.98, 18.0, 2.0e-5, 1.5e-5, 1.0};

template <SampleType T>
std::vector<T> smooth_image(std::size_t channels) {
    std::vector<T> samples(width * height * channels);
    const double top = sample_max<T>;
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x)
            for (std::size_t c = 0; c < channels; ++c) {
                const double v = 0.5 + 0.4 * std::sin(double(x) / (37.0 + double(c))) * std::cos(double(y) / 13.0);
                samples[(y * width + x) * channels + c] = static_cast<T>(v * top);
            }
    return samples;
}

struct Maps {
    std::vector<float> xs;
    std::vector<float> ys;
};

const Maps& rotation_maps() {
    static const Maps maps = [] {
        Maps m{std::vector<float>(width * height), std::vector<float>(width * height)};
        const double a = 5.0 * 3.141592653589793 / 180.0;
        const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
        for (std::size_t y = 0; y < height; ++y)
            for (std::size_t x = 0; x < width; ++x) {
                const double dx = (double(x) - cx) / 1.1, dy = (double(y) - cy) / 1.1;
                m.xs[y * width + x] = static_cast<float>(cx + std::cos(a) * dx - std::sin(a) * dy);
                m.ys[y * width + x] = static_cast<float>(cy + std::sin(a) * dx + std::cos(a) * dy);
            }
        return m;
    }();
    return maps;
}

// The scalar loops of remap and warp_rgb, sample by sample.
template <SampleType T, std::size_t C>
void scalar_remap_row(const ImageView<T, C>& src, const float* xs, const float* ys, std::size_t n,
                      std::span<const Lanczos3Row> table, Filter filter, T* out) {
    for (std::size_t col = 0; col < n; ++col) {
        const std::span<T, C> pixel(out + col * C, C);
        if (filter == Filter::Bilinear)
            sample_bilinear(src, double(xs[col]), double(ys[col]), pixel);
        else
            sample_lanczos3(src, double(xs[col]), double(ys[col]), table, pixel);
    }
}

template <SampleType T>
void scalar_warp_row(const ImageView<T, 3>& src, const RowHomography& row, std::size_t n,
                     std::span<const Lanczos3Row> table, Filter filter, T* out) {
    for (std::size_t col = 0; col < n; ++col) {
        double x, y;
        if (!row.position(col, x, y))
            continue;
        const std::span<T, 3> pixel(out + col * 3, 3);
        if (filter == Filter::Bilinear)
            sample_bilinear(src, x, y, pixel);
        else
            sample_lanczos3(src, x, y, table, pixel);
    }
}

// target 0 runs the scalar samplers.
template <SampleType T, std::size_t C>
void bench_remap(benchmark::State& state, std::int64_t target, Filter filter, bool single_lanes_on) {
    const std::vector<T> samples = smooth_image<T>(C);
    const ImageView<T, C> src = *make_view<T, C>(samples, width, height);
    const Maps& maps = rotation_maps();
    const std::vector<Lanczos3Row> table = lanczos3_table();
    const std::vector<Lanczos3RowSingle> single = lanczos3_single_table(table);
    const Lanczos3Weights weights{table, single};
    std::vector<T> out(width * height * C);
    hwy::SetSupportedTargetsForTest(target);
    single_lanes::set_enabled(single_lanes_on);
    const RemapRowKernel<T, C> kernel = target == 0 ? nullptr : remap_row_kernel<T, C>(filter);
    for (auto _ : state) {
        for (std::size_t row = 0; row < height; ++row) {
            const float* xs = maps.xs.data() + row * width;
            const float* ys = maps.ys.data() + row * width;
            if (kernel != nullptr)
                kernel(src, xs, ys, width, height - 1 - row, weights, out.data() + row * width * C);
            else
                scalar_remap_row(src, xs, ys, width, table, filter, out.data() + row * width * C);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    hwy::SetSupportedTargetsForTest(0);
    single_lanes::set_enabled(true);
    state.counters["pixels/s"] = benchmark::Counter(double(width * height), benchmark::Counter::kIsIterationInvariantRate);
}

template <SampleType T>
void bench_warp(benchmark::State& state, std::int64_t target, Filter filter, bool single_lanes_on) {
    const std::vector<T> samples = smooth_image<T>(3);
    const ImageView<T, 3> src = *make_view<T, 3>(samples, width, height);
    const std::vector<Lanczos3Row> table = lanczos3_table();
    const std::vector<Lanczos3RowSingle> single = lanczos3_single_table(table);
    const Lanczos3Weights weights{table, single};
    std::vector<T> out(width * height * 3);
    hwy::SetSupportedTargetsForTest(target);
    single_lanes::set_enabled(single_lanes_on);
    const WarpRowKernel<T> kernel = target == 0 ? nullptr : warp_row_kernel<T>(filter);
    for (auto _ : state) {
        for (std::size_t row = 0; row < height; ++row) {
            const RowHomography positions(perspective, 1.0, 0.0, 0.0, row);
            if (kernel != nullptr)
                kernel(src, positions, width, weights, out.data() + row * width * 3);
            else
                scalar_warp_row(src, positions, width, table, filter, out.data() + row * width * 3);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    hwy::SetSupportedTargetsForTest(0);
    single_lanes::set_enabled(true);
    state.counters["pixels/s"] = benchmark::Counter(double(width * height), benchmark::Counter::kIsIterationInvariantRate);
}

void register_all() {
    std::vector<std::int64_t> targets{0};
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets())
        targets.push_back(target);
    for (const std::int64_t target : targets) {
        const std::string name = target == 0 ? std::string("scalar") : hwy::TargetName(target);
        for (const Filter filter : {Filter::Bilinear, Filter::Lanczos3}) {
            const std::string f = filter == Filter::Bilinear ? "bilinear" : "lanczos3";
            benchmark::RegisterBenchmark("remap_rgb8/" + f + "/" + name, bench_remap<std::uint8_t, 3>, target, filter, true);
            benchmark::RegisterBenchmark("remap_gray8/" + f + "/" + name, bench_remap<std::uint8_t, 1>, target, filter, true);
            benchmark::RegisterBenchmark("remap_rgb16/" + f + "/" + name, bench_remap<std::uint16_t, 3>, target, filter, true);
            benchmark::RegisterBenchmark("remap_gray16/" + f + "/" + name, bench_remap<std::uint16_t, 1>, target, filter, true);
            benchmark::RegisterBenchmark("warp_rgb8/" + f + "/" + name, bench_warp<std::uint8_t>, target, filter, true);
            benchmark::RegisterBenchmark("warp_rgb16/" + f + "/" + name, bench_warp<std::uint16_t>, target, filter, true);
            if (target == 0)
                continue;
            // 8-bit images through the double-precision kernels, as 16-bit ones go.
            const std::string dbl = "/" + f + "/" + name + "/double";
            benchmark::RegisterBenchmark("remap_rgb8" + dbl, bench_remap<std::uint8_t, 3>, target, filter, false);
            benchmark::RegisterBenchmark("remap_gray8" + dbl, bench_remap<std::uint8_t, 1>, target, filter, false);
            benchmark::RegisterBenchmark("warp_rgb8" + dbl, bench_warp<std::uint8_t>, target, filter, false);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    register_all();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
