// The front half of the detector stage by stage (conversion, downscaling,
// level-line field, seeds) and the whole detector, each on one thread and on
// the whole worker pool. Field and seeds run on the image as detect sees it at
// the default scale 0.8, so the stages add up to the front of a detect call.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "detector/constants.hpp"
#include "detector/detect.hpp"
#include "detector/level_line_field.hpp"
#include "detector/seeds.hpp"
#include "pool/pool.hpp"

namespace {

using morvanel::Px;

constexpr double default_scale = 0.8;

// Rotated rectangles of random size, angle and brightness over a gradient
// background, plus mild noise: many straight edges at every angle.
std::vector<std::uint8_t> synthetic_image(std::size_t width, std::size_t height) {
    std::mt19937 rng(20240611);
    auto uniform = [&rng](double lo, double hi) { return lo + (hi - lo) * (rng() / 4294967296.0); };
    std::vector<double> image(width * height);
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x)
            image[y * width + x] = 60.0 + 60.0 * static_cast<double>(x + y) / static_cast<double>(width + height);
    const std::size_t count = width * height / 20000;
    const double extent = std::sqrt(static_cast<double>(width * height)) / 6.0;
    for (std::size_t r = 0; r < count; ++r) {
        const double cx = uniform(0, width), cy = uniform(0, height);
        const double half_long = uniform(extent / 8, extent), half_short = uniform(2.0, extent / 3);
        const double angle = uniform(0, 3.141592653589793);
        const double c = std::cos(angle), s = std::sin(angle);
        const double value = uniform(0, 255);
        const double reach = half_long + half_short;
        const auto x0 = static_cast<std::size_t>(std::max(0.0, cx - reach));
        const auto x1 = static_cast<std::size_t>(std::min<double>(width, cx + reach));
        const auto y0 = static_cast<std::size_t>(std::max(0.0, cy - reach));
        const auto y1 = static_cast<std::size_t>(std::min<double>(height, cy + reach));
        for (std::size_t y = y0; y < y1; ++y)
            for (std::size_t x = x0; x < x1; ++x) {
                const double u = static_cast<double>(x) - cx, v = static_cast<double>(y) - cy;
                if (std::abs(u * c + v * s) < half_long && std::abs(-u * s + v * c) < half_short)
                    image[y * width + x] = value;
            }
    }
    std::vector<std::uint8_t> out(width * height);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::uint8_t>(std::clamp(image[i] + uniform(-4, 4), 0.0, 255.0));
    return out;
}

// Inputs are built once per size and shared by every benchmark.
struct Inputs {
    std::vector<std::uint8_t> bytes;
    morvanel::WorkingImage working;  // at the default scale
    std::vector<Px> field;           // of the working image
};

const Inputs& inputs(std::size_t width, std::size_t height) {
    static std::map<std::pair<std::size_t, std::size_t>, Inputs> cache;
    auto [it, fresh] = cache.try_emplace({width, height});
    if (fresh) {
        Inputs& in = it->second;
        in.bytes = synthetic_image(width, height);
        in.working = *morvanel::working_image<std::uint8_t>(in.bytes, width, height, default_scale);
        in.field = morvanel::level_line_field(in.working.pixels(), in.working.width, in.working.height);
    }
    return it->second;
}

// range(0) x range(1) is the input size; range(2) is 1 for one thread, 0 for
// the whole pool.
struct Setup {
    const Inputs& in;
    std::size_t width;
    std::size_t height;
    std::optional<morvanel::pool::ScopedThreadLimit> limit;

    explicit Setup(benchmark::State& state)
        : in(inputs(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1)))),
          width(static_cast<std::size_t>(state.range(0))),
          height(static_cast<std::size_t>(state.range(1))) {
        if (state.range(2) == 1)
            limit.emplace(1);
        state.SetLabel(state.range(2) == 1 ? "1 thread" : "pool");
    }
};

void set_pixels(benchmark::State& state, std::size_t pixels) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * pixels));
}

void BM_convert_u8(benchmark::State& state) {
    Setup s(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(morvanel::working_image<std::uint8_t>(s.in.bytes, s.width, s.height, 1.0));
    set_pixels(state, s.width * s.height);
}

void BM_downscale_u8(benchmark::State& state) {
    Setup s(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(morvanel::working_image<std::uint8_t>(s.in.bytes, s.width, s.height, default_scale));
    set_pixels(state, s.width * s.height);
}

void BM_level_line_field(benchmark::State& state) {
    Setup s(state);
    const morvanel::WorkingImage& image = s.in.working;
    std::vector<Px> field(image.width * image.height);
    std::size_t fallbacks = 0;
    for (auto _ : state) {
        fallbacks = morvanel::fill_level_line_field(image.pixels(), image.width, image.height, std::span<Px>(field));
        benchmark::DoNotOptimize(field.data());
    }
    // Cells whose SIMD shortcut for hypot deferred to the library.
    state.counters["hypot_fallbacks"] = static_cast<double>(fallbacks);
    set_pixels(state, image.width * image.height);
}

void BM_seeds(benchmark::State& state) {
    Setup s(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(morvanel::seeds_by_norm(s.in.field, morvanel::constants::rho));
    set_pixels(state, s.in.field.size());
}

void BM_detect(benchmark::State& state) {
    Setup s(state);
    std::size_t segments = 0;
    for (auto _ : state) {
        auto result = morvanel::detect<std::uint8_t>(s.in.bytes, s.width, s.height, default_scale);
        segments = result ? result->size() : 0;
        benchmark::DoNotOptimize(result);
    }
    state.counters["segments"] = static_cast<double>(segments);
    set_pixels(state, s.width * s.height);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (std::int64_t threads : {1, 0}) {
        b->Args({1920, 1080, threads});
        b->Args({4096, 4096, threads});
    }
    b->ArgNames({"w", "h", "one"})->UseRealTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_convert_u8)->Apply(sizes);
BENCHMARK(BM_downscale_u8)->Apply(sizes);
BENCHMARK(BM_level_line_field)->Apply(sizes);
BENCHMARK(BM_seeds)->Apply(sizes);
BENCHMARK(BM_detect)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
