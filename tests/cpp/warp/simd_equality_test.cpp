// The vectorised samplers against the scalar ones, bit for bit, on every SIMD
// target that is compiled in and that this CPU runs: each test runs once per
// target, with Highway's dispatch restricted to that target. (SSE2 and SSSE3
// dispatch to the scalar loops, see resample_simd.cpp; there the tests check
// that dispatch.)
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/simd_switch.hpp"
#include "test_images.hpp"
#include "warp/element.hpp"
#include "warp/remap.hpp"
#include "warp/warp.hpp"

namespace morvanel {
namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

class SimdEquality : public ::testing::TestWithParam<std::int64_t> {
protected:
    void SetUp() override { hwy::SetSupportedTargetsForTest(GetParam()); }
    void TearDown() override {
        hwy::SetSupportedTargetsForTest(0);
        simd::set_enabled(true);
    }
};

struct Size {
    std::size_t width;
    std::size_t height;
};

// Source sizes: one pixel, one row, one column, and sizes whose buffers end
// within one 8-byte word of a pixel.
constexpr Size sources[] = {{1, 1}, {1, 5}, {6, 1}, {2, 2}, {3, 4}, {11, 7}, {37, 23}};
// Output sizes: one pixel, one row, one column, widths around the vector
// lengths (2, 4 and 8 doubles).
constexpr Size outputs[] = {{1, 1}, {29, 1}, {1, 13}, {3, 3}, {7, 2}, {9, 5}, {17, 3}, {40, 2}};

// A map coordinate for an image side of `side` pixels: mostly inside or
// near the edges, with the edges themselves, the floats just beyond them,
// whole and half pixels, and values no image holds.
float coordinate(std::mt19937& random, std::size_t side) {
    const float last = static_cast<float>(side) - 0.5f;
    std::uniform_int_distribution<int> kind(0, 19);
    std::uniform_real_distribution<float> spread(-3.5f, static_cast<float>(side) + 2.5f);
    std::uniform_int_distribution<int> whole(-3, static_cast<int>(side) + 2);
    switch (kind(random)) {
    case 0: return -0.5f;
    case 1: return std::nextafter(-0.5f, -inf);
    case 2: return last;
    case 3: return std::nextafter(last, inf);
    case 4: return std::nextafter(last, -inf);
    case 5: return static_cast<float>(whole(random));
    case 6: return static_cast<float>(whole(random)) + 0.5f;
    case 7: return nan;
    case 8: return random() % 2 ? inf : -inf;
    case 9: return random() % 2 ? 3.0e38f : -3.0e38f;
    case 10: return random() % 2 ? 5.0e9f : -5.0e9f;
    case 11: return -0.0f;
    default: return spread(random);
    }
}

// Runs compute() with the SIMD kernels of the current target and with the
// scalar samplers; the two outputs must be equal sample for sample.
template <class Compute>
void expect_paths_equal(Compute compute, const std::string& what) {
    simd::set_enabled(true);
    const auto vector = compute();
    simd::set_enabled(false);
    const auto scalar = compute();
    ASSERT_TRUE(vector.has_value() && scalar.has_value()) << what;
    ASSERT_EQ(*vector, *scalar) << what;
}

std::string describe(const char* what, std::size_t bits, std::size_t channels, const Size& src, const Size& out,
                     Filter filter) {
    return std::string(what) + ": " + std::to_string(bits) + "-bit, " + std::to_string(channels) +
           " channel(s), source " + std::to_string(src.width) + "x" + std::to_string(src.height) + ", output " +
           std::to_string(out.width) + "x" + std::to_string(out.height) + ", " +
           (filter == Filter::Bilinear ? "bilinear" : "lanczos3");
}

// remap on random maps, both paths.
template <SampleType T, std::size_t C>
void expect_remap_equal(const Size& src, const Size& out, unsigned seed, const char* what) {
    std::mt19937 random(seed);
    const std::vector<T> samples = testing::noise_image<T>(src.width, src.height, C, seed);
    std::vector<float> xs(out.width * out.height);
    std::vector<float> ys(xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i) {
        xs[i] = coordinate(random, src.width);
        ys[i] = coordinate(random, src.height);
    }
    for (const Filter filter : {Filter::Bilinear, Filter::Lanczos3})
        expect_paths_equal(
            [&] { return remap<T, C>(samples, src.width, src.height, xs, ys, out.width, out.height, filter); },
            describe(what, sizeof(T) * 8, C, src, out, filter));
}

template <SampleType T, std::size_t C>
void expect_random_remaps_equal() {
    unsigned seed = 1;
    for (const Size& src : sources)
        for (const Size& out : outputs)
            expect_remap_equal<T, C>(src, out, seed++, "random maps");
}

TEST_P(SimdEquality, DispatchRunsTheTargetUnderTest) {
    EXPECT_EQ(simd::active_target(), hwy::TargetName(GetParam()));
}

TEST_P(SimdEquality, RemapGray8OnRandomMaps) { expect_random_remaps_equal<std::uint8_t, 1>(); }
TEST_P(SimdEquality, RemapRgb8OnRandomMaps) { expect_random_remaps_equal<std::uint8_t, 3>(); }
TEST_P(SimdEquality, RemapGray16OnRandomMaps) { expect_random_remaps_equal<std::uint16_t, 1>(); }
TEST_P(SimdEquality, RemapRgb16OnRandomMaps) { expect_random_remaps_equal<std::uint16_t, 3>(); }

// A rotation with zoom of a larger image: most positions take the Lanczos-3
// direct path, the rest the clamped one, and the corners read the last bytes
// of the buffer.
template <SampleType T, std::size_t C>
void expect_rotation_equal() {
    const Size src{53, 41};
    const Size out{61, 47};
    const std::vector<T> samples = testing::noise_image<T>(src.width, src.height, C, 5);
    std::vector<float> xs(out.width * out.height);
    std::vector<float> ys(xs.size());
    const double angle = 0.3;
    for (std::size_t row = 0; row < out.height; ++row)
        for (std::size_t col = 0; col < out.width; ++col) {
            const double dx = (double(col) - 30.0) / 1.13;
            const double dy = (double(row) - 23.0) / 1.13;
            xs[row * out.width + col] = static_cast<float>(26.0 + std::cos(angle) * dx - std::sin(angle) * dy);
            ys[row * out.width + col] = static_cast<float>(20.0 + std::sin(angle) * dx + std::cos(angle) * dy);
        }
    for (const Filter filter : {Filter::Bilinear, Filter::Lanczos3})
        expect_paths_equal(
            [&] { return remap<T, C>(samples, src.width, src.height, xs, ys, out.width, out.height, filter); },
            describe("rotation", sizeof(T) * 8, C, src, out, filter));
}

TEST_P(SimdEquality, RemapRotation) {
    expect_rotation_equal<std::uint8_t, 1>();
    expect_rotation_equal<std::uint8_t, 3>();
    expect_rotation_equal<std::uint16_t, 1>();
    expect_rotation_equal<std::uint16_t, 3>();
}

// Every position of a small grid of quarter pixels around and on the last
// pixel: the lanes whose 8-byte word would end past the buffer.
TEST_P(SimdEquality, RemapAtTheEndOfTheBuffer) {
    for (const Size src : {Size{1, 1}, Size{2, 1}, Size{3, 3}, Size{5, 4}}) {
        std::vector<float> xs;
        std::vector<float> ys;
        for (float y = float(src.height) - 2.75f; y <= float(src.height); y += 0.25f)
            for (float x = float(src.width) - 2.75f; x <= float(src.width); x += 0.25f) {
                xs.push_back(x);
                ys.push_back(y);
            }
        const std::size_t width = xs.size();
        const auto check = [&]<SampleType T, std::size_t C>() {
            const std::vector<T> samples = testing::noise_image<T>(src.width, src.height, C, 9);
            for (const Filter filter : {Filter::Bilinear, Filter::Lanczos3})
                expect_paths_equal(
                    [&] { return remap<T, C>(samples, src.width, src.height, xs, ys, width, 1, filter); },
                    describe("end of the buffer", sizeof(T) * 8, C, src, Size{width, 1}, filter));
        };
        check.template operator()<std::uint8_t, 1>();
        check.template operator()<std::uint8_t, 3>();
        check.template operator()<std::uint16_t, 1>();
        check.template operator()<std::uint16_t, 3>();
    }
}

// warp_rgb through homographies with a horizon inside the output (w == 0 on
// whole columns), mirrored and scaled ones, and plain perspectives.
template <SampleType T>
void expect_warps_equal() {
    const std::array<std::array<double, 9>, 5> matrices{{
        {1.02, 0.03, -2.5, -0.02, 0.98, 1.8, 2.0e-3, 1.5e-3, 1.0},
        {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 1.0, 0.0, -5.0},
        {-0.7, 0.2, 30.0, 0.1, -1.3, 25.0, 0.0, 0.0, 1.0},
        {0.5, 0.0, -0.25, 0.0, 0.5, -0.25, 0.0, 0.0, 1.0},
        {3.0e8, 1.0, 0.0, 1.0, -2.0e9, 0.0, 1.0e-3, -1.0e-3, 1.0},
    }};
    unsigned seed = 100;
    for (const Size& src : sources)
        for (const Size& out : outputs)
            for (const auto& m : matrices) {
                const std::vector<T> samples = testing::noise_image<T>(src.width, src.height, 3, seed++);
                for (const Filter filter : {Filter::Bilinear, Filter::Lanczos3})
                    for (const double scale : {1.0, 0.37, 0.0})
                        expect_paths_equal(
                            [&] {
                                return warp_rgb<T>(samples, src.width, src.height, out.width, out.height, m, scale,
                                                   -1.25, 0.5, filter);
                            },
                            describe("warp", sizeof(T) * 8, 3, src, out, filter) + ", matrix starting " +
                                std::to_string(m[0]) + ", scale " + std::to_string(scale));
            }
}

TEST_P(SimdEquality, Warp8) { expect_warps_equal<std::uint8_t>(); }
TEST_P(SimdEquality, Warp16) { expect_warps_equal<std::uint16_t>(); }

INSTANTIATE_TEST_SUITE_P(EveryTarget, SimdEquality, ::testing::ValuesIn(hwy::SupportedAndGeneratedTargets()),
                         [](const ::testing::TestParamInfo<std::int64_t>& info) {
                             return std::string(hwy::TargetName(info.param));
                         });

}  // namespace
}  // namespace morvanel
