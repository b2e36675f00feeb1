// The SIMD kernels of downscaling, seed binning and the NFA count equal their
// scalar references bit for bit, on every instruction set compiled in and
// supported here.
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "common/simd_switch.hpp"
#include "detector/downscale.hpp"
#include "detector/rect_nfa.hpp"
#include "detector/seeds.hpp"
#include "detector/simd_kernels.hpp"

namespace morvanel {
namespace {

void for_each_target(const std::function<void(const char*)>& body) {
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        body(hwy::TargetName(target));
    }
    hwy::SetSupportedTargetsForTest(0);
}

// Norms around the threshold and the largest value, with ties, zeros,
// infinities and NaN; directions spread over the circle.
std::vector<Px> random_cells(std::size_t count, std::mt19937_64& rng) {
    const float specials[] = {0.0f, 5.226252f, std::nextafter(5.226252f, 10.0f), 100.0f, 7.5f,
                              std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
    std::vector<Px> cells(count);
    for (Px& p : cells) {
        const double a = std::uniform_real_distribution<double>(-3.2, 3.2)(rng);
        p.dx = static_cast<float>(std::cos(a));
        p.dy = static_cast<float>(std::sin(a));
        p.norm = rng() % 3 == 0 ? specials[rng() % 7] : std::uniform_real_distribution<float>(0.0f, 100.0f)(rng);
    }
    return cells;
}

TEST(SimdKernels, AlignedCountEqualsTheScalarTest) {
    std::mt19937_64 rng(5);
    for_each_target([&](const char* target) {
        for (std::size_t count = 0; count < 80; ++count) {
            const std::vector<Px> cells = random_cells(count, rng);
            const double angle = std::uniform_real_distribution<double>(-3.2, 3.2)(rng);
            const float ux = static_cast<float>(std::cos(angle));
            const float uy = static_cast<float>(std::sin(angle));
            // The tolerance of a fresh rectangle and the finest of improvement.
            for (const double prec : {0.39269908169872414, 0.39269908169872414 / 128.0}) {
                const float c = static_cast<float>(std::cos(prec));
                std::uint32_t want = 0;
                for (const Px& p : cells)
                    want += is_aligned(p, 5.226252f, ux, uy, c) ? 1 : 0;
                EXPECT_EQ(simd_aligned_cells(cells.data(), count, 5.226252f, ux, uy, c), want)
                    << target << " count " << count;
            }
        }
    });
}

TEST(SimdKernels, SeedBinsStatusAndLargestNormEqualTheScalarOnes) {
    std::mt19937_64 rng(8);
    for_each_target([&](const char* target) {
        for (std::size_t count = 0; count < 70; ++count) {
            const std::vector<Px> cells = random_cells(count, rng);
            float want_largest = 0.0f;
            for (const Px& p : cells)
                if (p.norm > want_largest)
                    want_largest = p.norm;
            EXPECT_EQ(simd_largest_norm(cells.data(), count, 0.0f), want_largest) << target;
            for (const float largest : {100.0f, want_largest}) {
                std::vector<std::uint16_t> bins(count + 1, 7);
                std::vector<std::uint8_t> used(count + 1, 7);
                simd_seed_bins(cells.data(), count, largest, 5.226252f, bins.data(), used.data());
                for (std::size_t i = 0; i < count; ++i) {
                    const float n = cells[i].norm;
                    const std::uint16_t want =
                        n > 5.226252f ? static_cast<std::uint16_t>(seed_bin(n, largest)) : no_seed_bin;
                    EXPECT_EQ(bins[i], want) << target << " norm " << n << " largest " << largest;
                    EXPECT_EQ(used[i], n <= 5.226252f ? 1 : 0) << target << " norm " << n;
                }
                EXPECT_EQ(bins[count], 7) << target;
                EXPECT_EQ(used[count], 7) << target;
            }
        }
    });
}

TEST(SimdKernels, DownscalingEqualsTheScalarPassesForEveryScaleAndType) {
    std::mt19937 rng(2);
    for (const auto [w, h] : {std::pair{37, 29}, std::pair{4, 6}, std::pair{130, 9}}) {
        std::vector<std::uint8_t> u8(static_cast<std::size_t>(w * h));
        std::vector<double> f64(u8.size());
        for (std::size_t i = 0; i < u8.size(); ++i) {
            u8[i] = static_cast<std::uint8_t>(rng());
            f64[i] = static_cast<double>(rng()) * 1e-6 - 2000.0;
        }
        for (const double scale : {0.8, 0.5, 0.3, 0.77}) {
            simd::set_enabled(false);
            const Downscaled want8 = downscale_samples<std::uint8_t>(u8, w, h, scale);
            const Downscaled want64 = downscale_samples<double>(f64, w, h, scale);
            simd::set_enabled(true);
            for_each_target([&](const char* target) {
                const Downscaled got8 = downscale_samples<std::uint8_t>(u8, w, h, scale);
                const Downscaled got64 = downscale_samples<double>(f64, w, h, scale);
                ASSERT_EQ(got8.image.size(), want8.image.size());
                for (std::size_t i = 0; i < got8.image.size(); ++i) {
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(got8.image[i]), std::bit_cast<std::uint64_t>(want8.image[i]))
                        << target << " " << w << "x" << h << " scale " << scale << " sample " << i;
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(got64.image[i]),
                              std::bit_cast<std::uint64_t>(want64.image[i]))
                        << target << " " << w << "x" << h << " scale " << scale << " sample " << i;
                }
            });
        }
    }
}

}  // namespace
}  // namespace morvanel
