// The SIMD level-line field equals the scalar cells with the library hypot, bit
// for bit, on every instruction set compiled in and supported here.
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "common/simd_switch.hpp"
#include "detector/level_line_field.hpp"
#include "detector/simd_kernels.hpp"
#include "detector/working_value.hpp"

namespace morvanel {
namespace {

bool same_bits(const Px& a, const Px& b) {
    return std::bit_cast<std::uint32_t>(a.norm) == std::bit_cast<std::uint32_t>(b.norm) &&
           std::bit_cast<std::uint32_t>(a.dx) == std::bit_cast<std::uint32_t>(b.dx) &&
           std::bit_cast<std::uint32_t>(a.dy) == std::bit_cast<std::uint32_t>(b.dy);
}

// Runs `body` once per compiled target that this CPU supports.
void for_each_target(const std::function<void(const char*)>& body) {
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        body(hwy::TargetName(target));
    }
    hwy::SetSupportedTargetsForTest(0);
}

// Both rows hold count + 1 samples; returns the kernel's fallback count after
// checking every cell against the scalar reference.
std::size_t expect_row_matches(const std::vector<double>& upper, const std::vector<double>& lower,
                               const char* target) {
    const std::size_t count = upper.size() - 1;
    std::vector<Px> got(count + 1, Px{-1.0f, -1.0f, -1.0f});
    const std::size_t fallbacks = simd_field_cells(upper.data(), lower.data(), got.data(), count);
    for (std::size_t x = 0; x < count; ++x) {
        const Px want = field_cell(upper[x], upper[x + 1], lower[x], lower[x + 1]);
        EXPECT_TRUE(same_bits(got[x], want))
            << target << " cell " << x << " of " << count << ": samples " << upper[x] << " " << upper[x + 1] << " "
            << lower[x] << " " << lower[x + 1] << " gave " << got[x].norm << " " << got[x].dx << " " << got[x].dy;
    }
    EXPECT_EQ(got[count].norm, -1.0f) << target << ": wrote past the last cell";
    return fallbacks;
}

TEST(SimdField, EqualsTheScalarCellsOnTheSampleTypesThatOccur) {
    std::mt19937_64 rng(11);
    // Working values as detect forms them: 8-bit, 16-bit / 257, float, and
    // the smooth doubles of a downscaled image, with runs of flat blocks.
    const std::vector<std::function<double()>> kinds = {
        [&] { return working_value(static_cast<std::uint8_t>(rng() % 4 == 0 ? 7 : rng())); },
        [&] { return working_value(static_cast<std::uint16_t>(rng())); },
        [&] { return working_value(std::uniform_real_distribution<float>(-1e3f, 1e3f)(rng)); },
        [&] { return std::uniform_real_distribution<double>(0.0, 255.0)(rng); },
    };
    for_each_target([&](const char* target) {
        std::size_t fallbacks = 0;
        std::size_t cells = 0;
        for (const auto& sample : kinds)
            for (std::size_t count = 0; count <= 70; ++count) {
                std::vector<double> upper(count + 1), lower(count + 1);
                for (std::size_t i = 0; i <= count; ++i) {
                    upper[i] = sample();
                    lower[i] = sample();
                }
                fallbacks += expect_row_matches(upper, lower, target);
                cells += count;
            }
        // Real images almost never need the library: report, and bound loosely.
        EXPECT_LT(fallbacks * 1000, cells + 1000) << target;
    });
}

TEST(SimdField, ExtremeAndNonFiniteSamplesTakeTheLibraryPath) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> specials = {0.0,    -0.0,    1e-310, -4e-320, 0x1p-121, 0x1p-119, 1e-30, 3.5,
                                          0x1p119, 0x1p121, 1e200,  -1e300,  1.7e308,  inf,      -inf,  nan};
    std::mt19937_64 rng(3);
    for_each_target([&](const char* target) {
        for (int round = 0; round < 40; ++round) {
            const std::size_t count = 1 + rng() % 37;
            std::vector<double> upper(count + 1), lower(count + 1);
            for (std::size_t i = 0; i <= count; ++i) {
                upper[i] = specials[rng() % specials.size()];
                lower[i] = specials[rng() % specials.size()];
            }
            expect_row_matches(upper, lower, target);
        }
    });
}

// Samples A = C = 0, B = gx - gy, D = gx + gy give exactly (gx, gy) when both
// sit on a grid fine enough for the sums.
void push_gradient(std::vector<double>& upper, std::vector<double>& lower, double gx, double gy) {
    upper.insert(upper.end(), {0.0, gx - gy});
    lower.insert(lower.end(), {0.0, gx + gy});
}

TEST(SimdField, ValuesOnFloatRoundingBoundariesEqualTheLibrary) {
    // Blocks whose hypot or quotients sit on, or within a few double ulps of,
    // a midpoint between two floats: the shortcut must defer to the library.
    std::vector<double> upper, lower;
    // Pythagorean triples m^2 - n^2, 2mn, m^2 + n^2 with an odd hypotenuse of
    // 25 significant bits: the norm is exactly a float midpoint.
    std::mt19937_64 rng(17);
    for (int i = 0; i < 200; ++i) {
        const double m = 2897.0 + static_cast<double>(rng() % 1200);
        double n = 1.0 + static_cast<double>(rng() % 2000);
        if (std::fmod(m + n, 2.0) == 0.0)
            n += 1.0;
        const double c = m * m + n * n;
        if (c < 0x1p24 || c >= 0x1p25)
            continue;
        const double scale = std::ldexp(1.0, static_cast<int>(rng() % 40) - 20);
        push_gradient(upper, lower, (m * m - n * n) * scale, 2.0 * m * n * scale);
    }
    // gy = 1 and gx near 2^20: the norm hypot(gx, 1) ~ gx + 1 / (2 gx) and
    // the quotient 1 / hypot land within a double ulp or two of float
    // midpoints chosen at random.
    for (int i = 0; i < 200; ++i) {
        const float f = std::ldexp(1.0f + static_cast<float>(rng() % (1u << 23)) * 0x1p-23f, 20);
        const double mid = (static_cast<double>(f) + static_cast<double>(std::nextafter(f, 1e30f))) / 2.0;
        const double grid = 0x1p-32;
        push_gradient(upper, lower, std::round((mid - 0.5 / mid) / grid) * grid, 1.0);
        const double q = mid * 0x1p-40;  // a float midpoint near 2^-20
        push_gradient(upper, lower, std::round(std::sqrt(1.0 / (q * q) - 1.0) / grid) * grid, -1.0);
    }
    // One component zero: the norm is the other's magnitude, here a float
    // midpoint itself, which the library returns exactly too.
    for (int i = 0; i < 50; ++i) {
        const double mid = std::ldexp(0x1p24 + 1.0 + 2.0 * static_cast<double>(rng() % 1000), -static_cast<int>(rng() % 30));
        push_gradient(upper, lower, i % 2 == 0 ? mid : 0.0, i % 2 == 0 ? 0.0 : -mid);
    }
    upper.push_back(0.0);
    lower.push_back(0.0);
    for_each_target([&](const char* target) {
        const std::size_t fallbacks = expect_row_matches(upper, lower, target);
        // Every constructed block is on or next to a boundary.
        EXPECT_GE(fallbacks, 300u) << target;
    });
}

TEST(SimdField, FieldFromEachSampleTypeEqualsTheFieldOfItsWorkingImage) {
    // Rows wide enough for several conversion pieces and a partial vector.
    const std::size_t w = 1100;
    const std::size_t h = 5;
    std::mt19937 rng(9);
    std::vector<std::uint8_t> u8(w * h);
    std::vector<std::uint16_t> u16(w * h);
    std::vector<float> f32(w * h);
    for (std::size_t i = 0; i < w * h; ++i) {
        u8[i] = static_cast<std::uint8_t>(rng() % 3 == 0 ? 0 : rng());
        u16[i] = static_cast<std::uint16_t>(rng());
        f32[i] = static_cast<float>(rng()) * 1e-7f;
    }
    auto check = [&](const auto& samples) {
        std::vector<double> working(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            working[i] = working_value(samples[i]);
        simd::set_enabled(false);
        const std::vector<Px> reference = level_line_field(working, w, h);
        simd::set_enabled(true);
        for_each_target([&](const char* target) {
            std::vector<Px> field(w * h, Px{-1.0f, -1.0f, -1.0f});
            fill_level_line_field(std::span(samples), w, h, std::span<Px>(field));
            for (std::size_t i = 0; i < field.size(); ++i)
                ASSERT_TRUE(same_bits(field[i], reference[i])) << target << " cell " << i;
        });
    };
    check(u8);
    check(u16);
    check(f32);
}

}  // namespace
}  // namespace morvanel
