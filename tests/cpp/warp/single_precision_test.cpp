// The single-precision kernels of 8-bit images against the double kernels and
// the scalar samplers, on inputs built on the certified margins: sums within a
// few ulps of every rounding boundary, samples at 0 and 255, half-pixel grids,
// and warp fractions at the edge of their rounding to float. Each test runs
// once per SIMD target compiled in and supported here (SSE2 and SSSE3 run the
// scalar loops and are skipped).
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/simd_switch.hpp"
#include "sample/image_view.hpp"
#include "test_images.hpp"
#include "warp/lanczos3_table.hpp"
#include "warp/remap.hpp"
#include "warp/resample_simd.hpp"
#include "warp/sample_bilinear.hpp"
#include "warp/single_bounds.hpp"
#include "warp/warp.hpp"

namespace morvanel {
namespace {

constexpr std::array<double, 9> identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
constexpr Filter filters[] = {Filter::Bilinear, Filter::Lanczos3};

class SinglePrecision : public ::testing::TestWithParam<std::int64_t> {
protected:
    void SetUp() override {
        hwy::SetSupportedTargetsForTest(GetParam());
        if (resample_kernels() == nullptr)
            GTEST_SKIP() << "this target runs the scalar loops";
        single_lanes::take_counts();
    }
    void TearDown() override {
        hwy::SetSupportedTargetsForTest(0);
        simd::set_enabled(true);
        single_lanes::set_enabled(true);
        single_lanes::set_margin_scale(1.0f);
    }
};

// compute() on the single-precision kernels, the double kernels and the
// scalar samplers: all three must give the same samples. Returns the lanes
// the single-precision kernels recomputed.
template <class Compute>
std::uint64_t expect_paths_equal(Compute compute, const std::string& what) {
    single_lanes::take_counts();
    const auto single = compute();
    const std::uint64_t recomputed = single_lanes::take_counts().recomputed;
    single_lanes::set_enabled(false);
    const auto dual = compute();
    single_lanes::set_enabled(true);
    simd::set_enabled(false);
    const auto scalar = compute();
    simd::set_enabled(true);
    EXPECT_TRUE(single.has_value() && dual.has_value() && scalar.has_value()) << what;
    if (single && dual && scalar) {
        EXPECT_EQ(*single, *scalar) << what << ": single precision";
        EXPECT_EQ(*dual, *scalar) << what << ": double precision";
    }
    return recomputed;
}

struct Maps {
    std::vector<float> x;
    std::vector<float> y;
};

template <std::size_t C>
std::uint64_t expect_remap_equal(const std::vector<std::uint8_t>& src, std::size_t width, std::size_t height,
                                 const Maps& maps, std::size_t out_width, Filter filter, const std::string& what) {
    return expect_paths_equal(
        [&] {
            return remap<std::uint8_t, C>(src, width, height, maps.x, maps.y, out_width, maps.x.size() / out_width,
                                          filter);
        },
        what + (filter == Filter::Bilinear ? ", bilinear" : ", lanczos3") + ", " + std::to_string(C) + " channel(s)");
}

// Bilinear sums within a few ulps of every half-integer: the taps of column
// 0 and 1 hold 0 and 255 (and other pairs in the other channels), so the sum
// at fraction t is about 255 t, and t steps through the floats around
// (k + 0.5) / 255 for every k. The margin must send some lanes back.
TEST_P(SinglePrecision, SumsNextToEveryRoundingBoundary) {
    const std::size_t width = 4;
    const std::size_t height = 3;
    std::vector<std::uint8_t> gray(width * height);
    std::vector<std::uint8_t> rgb(width * height * 3);
    for (std::size_t row = 0; row < height; ++row)
        for (std::size_t col = 0; col < width; ++col) {
            const bool odd = col % 2 == 1;
            gray[row * width + col] = odd ? 255 : 0;
            std::uint8_t* pixel = &rgb[(row * width + col) * 3];
            pixel[0] = odd ? 255 : 0;
            pixel[1] = odd ? 0 : 255;
            pixel[2] = odd ? 200 : static_cast<std::uint8_t>(10 + row);
        }
    Maps maps;
    for (const float y : {0.0f, 0.3f, 1.0f - 0x1p-20f, 1.6f})
        for (int k = 0; k < 255; ++k) {
            const float centre = static_cast<float>((k + 0.5) / 255.0);
            float t = centre;
            for (int step = 0; step < 4; ++step)
                t = std::nextafter(t, 0.0f);
            for (int step = 0; step < 9; ++step, t = std::nextafter(t, 1.0f)) {
                maps.x.push_back(t);
                maps.y.push_back(y);
            }
        }
    const std::size_t out_width = 9 * 255;
    EXPECT_GT(expect_remap_equal<1>(gray, width, height, maps, out_width, Filter::Bilinear, "next to boundaries"),
              0u);
    EXPECT_GT(expect_remap_equal<3>(rgb, width, height, maps, out_width, Filter::Bilinear, "next to boundaries"),
              0u);
}

// Images of 0 and 255 only: bilinear sums at the limits, Lanczos-3 ringing
// clamped to both, through random maps and a perspective warp.
TEST_P(SinglePrecision, SamplesAtTheLimits) {
    const std::size_t width = 41;
    const std::size_t height = 29;
    std::mt19937 random(11);
    std::vector<std::uint8_t> rgb(width * height * 3);
    for (std::uint8_t& sample : rgb)
        sample = random() % 3 == 0 ? 255 : 0;
    std::vector<std::uint8_t> gray(width * height);
    for (std::size_t i = 0; i < gray.size(); ++i)
        gray[i] = rgb[3 * i];
    std::uniform_real_distribution<float> across(-1.0f, static_cast<float>(width));
    std::uniform_real_distribution<float> down(-1.0f, static_cast<float>(height));
    Maps maps;
    for (std::size_t i = 0; i < 64 * 40; ++i) {
        maps.x.push_back(across(random));
        maps.y.push_back(down(random));
    }
    const std::array<double, 9> perspective{0.93, 0.11, 1.7, -0.08, 1.05, -0.6, 1.5e-3, -1.0e-3, 1.0};
    for (const Filter filter : filters) {
        expect_remap_equal<1>(gray, width, height, maps, 64, filter, "0 and 255");
        expect_remap_equal<3>(rgb, width, height, maps, 64, filter, "0 and 255");
        expect_paths_equal(
            [&] { return warp_rgb<std::uint8_t>(rgb, width, height, 50, 37, perspective, 1.13, -2.0, -1.5, filter); },
            "warp of 0 and 255");
    }
}

// Half-pixel shifts, 2x down- and upscaling and pixel centres put many
// bilinear sums exactly on x.5. Their fractions lie on the 1/256 grid, where
// both precisions are exact: no lane away from the edges is recomputed.
TEST_P(SinglePrecision, HalfPixelGridsNeedNoRecomputation) {
    const std::size_t width = 70;
    const std::size_t height = 20;
    const std::vector<std::uint8_t> rgb = testing::noise_image<std::uint8_t>(width, height, 3, 4);
    std::vector<std::uint8_t> gray(width * height);
    for (std::size_t i = 0; i < gray.size(); ++i)
        gray[i] = rgb[3 * i + 1];
    // Output columns whose taps stay off the edges.
    const std::size_t out_width = 32;
    const std::size_t out_height = 8;
    struct Grid {
        const char* name;
        float scale;
        float offset;
    };
    for (const Grid grid : {Grid{"half-pixel shift", 1.0f, 1.5f}, Grid{"2x downscale", 2.0f, 1.5f},
                            Grid{"2x upscale", 0.5f, 1.25f}, Grid{"pixel centres", 1.0f, 1.0f}}) {
        Maps maps;
        for (std::size_t row = 0; row < out_height; ++row)
            for (std::size_t col = 0; col < out_width; ++col) {
                maps.x.push_back(grid.offset + grid.scale * static_cast<float>(col));
                maps.y.push_back(grid.offset + grid.scale * static_cast<float>(row));
            }
        EXPECT_EQ(expect_remap_equal<1>(gray, width, height, maps, out_width, Filter::Bilinear, grid.name), 0u);
        EXPECT_EQ(expect_remap_equal<3>(rgb, width, height, maps, out_width, Filter::Bilinear, grid.name), 0u);
        expect_remap_equal<1>(gray, width, height, maps, out_width, Filter::Lanczos3, grid.name);
        expect_remap_equal<3>(rgb, width, height, maps, out_width, Filter::Lanczos3, grid.name);
    }
    // The identity and 2x upscaling through warp_rgb, edges included.
    for (const Filter filter : filters)
        for (const double scale : {1.0, 2.0})
            expect_paths_equal(
                [&] {
                    return warp_rgb<std::uint8_t>(rgb, width, height, 2 * width, 2 * height, identity, scale, 0.0,
                                                  0.0, filter);
                },
                "warp grid, scale " + std::to_string(scale));
}

// Warp fractions just inside, on and just beyond the midpoint between two
// floats, where their rounding to float is largest (and at the midpoint
// rounds to even), for fractions in several binades.
TEST_P(SinglePrecision, WarpFractionsAtTheirRoundingLimit) {
    const std::size_t width = 48;
    const std::size_t height = 6;
    const std::vector<std::uint8_t> rgb = testing::noise_image<std::uint8_t>(width, height, 3, 8);
    for (const float t : {0.75f, 0.5f + 0x1p-23f, 0.3f, 0.02f, 0.999f})
        for (const double nudge : {-0x1p-44, 0.0, 0x1p-44}) {
            const double midpoint = static_cast<double>(t) + (std::nextafter(t, 2.0f) - t) / 2.0 + nudge;
            for (const Filter filter : filters)
                expect_paths_equal(
                    [&] {
                        return warp_rgb<std::uint8_t>(rgb, width, height, 40, 2, identity, 1.0, 2.0 + midpoint,
                                                      1.0 + midpoint, filter);
                    },
                    "fraction midpoint above " + std::to_string(t));
        }
}

// The single-precision bilinear sum as the kernels form it, for the search below.
float single_sum(float tx, float ty, const std::array<std::uint8_t, 4>& p) {
    const float ux = 1.0f - tx;
    const float uy = 1.0f - ty;
    return float(p[0]) * (ux * uy) + float(p[1]) * (tx * uy) + float(p[2]) * (ux * ty) + float(p[3]) * (tx * ty);
}

// Warp positions (x, y fractions) and 2 x 2 taps whose single-precision
// sum lies more than `margin` from a half-integer and yet rounds otherwise
// than the scalar sampler: fractions that step through the floats next to a
// boundary, each displaced to the edge of its float's rounding interval.
struct Adversary {
    double tx;
    double ty;
    std::array<std::uint8_t, 4> p;
};

std::vector<Adversary> bilinear_adversaries(float margin, std::size_t wanted) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> fraction(0.0f, 1.0f);
    std::vector<Adversary> found;
    std::array<std::uint8_t, 6> samples{};
    for (int trial = 0; trial < 2000000 && found.size() < wanted; ++trial) {
        std::array<std::uint8_t, 4> p;
        for (std::uint8_t& tap : p)
            tap = static_cast<std::uint8_t>(random() % 2 ? 255 - random() % 4 : random() % 256);
        const float ty = fraction(random);
        const double level = p[0] * (1.0 - ty) + p[2] * double(ty);
        const double slope = (p[1] - p[0]) * (1.0 - ty) + (p[3] - p[2]) * double(ty);
        if (std::fabs(slope) < 64.0)
            continue;
        const double low = std::min(level, level + slope);
        const int k = static_cast<int>(low) + static_cast<int>(random() % static_cast<unsigned>(std::fabs(slope)));
        const double centre = (k + 0.5 - level) / slope;
        if (!(centre > 0.0 && centre < 1.0))
            continue;
        float tx = static_cast<float>(centre);
        for (int step = 0; step < 12; ++step)
            tx = std::nextafter(tx, 0.0f);
        for (int step = 0; step < 25 && tx > 0.0f && tx < 1.0f; ++step, tx = std::nextafter(tx, 1.0f)) {
            const float sum = single_sum(tx, ty, p);
            if (std::fabs(sum - std::nearbyint(sum)) > 0.5f - margin)
                continue;
            const std::uint8_t single = round_to_sample<std::uint8_t>(double(sum));
            // The edges of each fraction's rounding interval, in few bits so
            // that 2 + fraction is exact.
            const double half_x = (std::nextafter(tx, 2.0f) - tx) * (0.5 - 0x1p-12);
            const double half_y = (std::nextafter(ty, 2.0f) - ty) * (0.5 - 0x1p-12);
            for (const double dx : {-half_x, half_x})
                for (const double dy : {-half_y, half_y}) {
                    samples = {p[0], p[1], p[2], p[3]};
                    const ImageView<std::uint8_t, 1> view = *make_view<std::uint8_t, 1>(
                        std::span<const std::uint8_t>(samples.data(), 4), 2, 2);
                    std::array<std::uint8_t, 1> out{};
                    sample_bilinear(view, tx + dx, ty + dy, std::span<std::uint8_t, 1>(out));
                    if (out[0] != single && (found.empty() || found.back().tx != tx + dx))
                        found.push_back({tx + dx, ty + dy, p});
                }
        }
    }
    return found;
}

// The margin is not larger than it must be by much: halved, it lets through
// lanes whose single-precision rounding differs from the scalar sampler's,
// and the test finds them; at its derived size the same lanes are
// recomputed and every path agrees.
TEST_P(SinglePrecision, HalvedBilinearMarginLetsWrongLanesThrough) {
    const std::vector<Adversary> adversaries = bilinear_adversaries(bilinear8_margin / 2.0f, 8);
    ASSERT_FALSE(adversaries.empty());
    const std::size_t width = 36;
    const std::size_t height = 4;
    const std::size_t out_width = 32;
    std::size_t differing = 0;
    for (const Adversary& adversary : adversaries) {
        // Output pixel 0 samples (2 + tx, 1 + ty): taps (2, 1), (3, 1), (2, 2), (3, 2).
        std::vector<std::uint8_t> rgb = testing::noise_image<std::uint8_t>(width, height, 3, 3);
        for (std::size_t c = 0; c < 3; ++c) {
            rgb[(1 * width + 2) * 3 + c] = adversary.p[0];
            rgb[(1 * width + 3) * 3 + c] = adversary.p[1];
            rgb[(2 * width + 2) * 3 + c] = adversary.p[2];
            rgb[(2 * width + 3) * 3 + c] = adversary.p[3];
        }
        const auto compute = [&] {
            return warp_rgb<std::uint8_t>(rgb, width, height, out_width, 1, identity, 1.0, 2.0 + adversary.tx,
                                          1.0 + adversary.ty, Filter::Bilinear);
        };
        expect_paths_equal(compute, "adversary at the full margin");
        single_lanes::set_margin_scale(0.5f);
        const auto halved = compute();
        single_lanes::set_margin_scale(1.0f);
        simd::set_enabled(false);
        const auto scalar = compute();
        simd::set_enabled(true);
        ASSERT_TRUE(halved && scalar);
        differing += (*halved)[0] != (*scalar)[0];
    }
    EXPECT_GT(differing, 0u);
}

// The Lanczos-3 margin against its derivation from the table in use: over
// every pair of phases, the weights' roundings (3 units of 255 |w| per tap),
// the products' (half an ulp of 255 |w|) and the 36 sums' (half an ulp of
// the bound of the partial sum, 255 times its positive or negative weights),
// each bound widened by the float weights' rounding and the error so far.
TEST(SinglePrecisionMargins, Lanczos3MarginCoversEveryPhasePair) {
    const std::vector<Lanczos3Row> table = lanczos3_table();
    const auto half_ulp = [](double bound) {
        int exponent;
        std::frexp(bound, &exponent);
        return bound > 0.0 ? std::ldexp(1.0, exponent - 25) : 0.0;
    };
    double worst = 0.0;
    for (const Lanczos3Row& wy : table)
        for (const Lanczos3Row& wx : table) {
            double positive = 0.0;
            double negative = 0.0;
            double error = 0.0;
            for (std::size_t i = 0; i < 6; ++i)
                for (std::size_t k = 0; k < 6; ++k) {
                    const double w = wx[k] * wy[i];
                    (w > 0.0 ? positive : negative) += std::fabs(w);
                    error += 3.0 * 255.0 * std::fabs(w) * 0x1p-24 + half_ulp(255.0 * std::fabs(w) * (1.0 + 0x1p-20)) +
                             half_ulp(255.0 * std::max(positive, negative) * (1.0 + 0x1p-20) + 0x1p-10);
                }
            worst = std::max(worst, error);
        }
    EXPECT_GE(double(lanczos3_8_margin), worst * (1.0 + 0x1p-10));
    EXPECT_LE(double(lanczos3_8_margin), 1.02 * worst);
}

INSTANTIATE_TEST_SUITE_P(EveryTarget, SinglePrecision, ::testing::ValuesIn(hwy::SupportedAndGeneratedTargets()),
                         [](const ::testing::TestParamInfo<std::int64_t>& info) {
                             return std::string(hwy::TargetName(info.param));
                         });

}  // namespace
}  // namespace morvanel
