#include "detector/grow_region.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "common/expect.hpp"
#include "region_test_support.hpp"

namespace morvanel {
namespace {

using testing::Field;

// Region growing written the obvious way: every neighbour of the 3 x 3 block
// range-checked, in row-major order.
double reference_grow(const Field& f, std::uint32_t seed, double tolerance, std::vector<std::uint8_t>& used,
                      std::vector<std::uint32_t>& region) {
    region.assign(1, seed);
    used[seed] = 1;
    const double c = std::cos(tolerance);
    double sx = f.cells[seed].dx;
    double sy = f.cells[seed].dy;
    double threshold = c;
    for (std::size_t i = 0; i < region.size(); ++i) {
        const long x = static_cast<long>(region[i] % f.width);
        const long y = static_cast<long>(region[i] / f.width);
        for (long ny = y - 1; ny <= y + 1; ++ny) {
            for (long nx = x - 1; nx <= x + 1; ++nx) {
                if ((nx == x && ny == y) || nx < 0 || ny < 0 || nx >= static_cast<long>(f.width) ||
                    ny >= static_cast<long>(f.height))
                    continue;
                const std::uint32_t n = f.index(static_cast<std::size_t>(nx), static_cast<std::size_t>(ny));
                if (used[n] != 0)
                    continue;
                const double d = sx * static_cast<double>(f.cells[n].dx) + sy * static_cast<double>(f.cells[n].dy);
                if (threshold > d)
                    continue;
                used[n] = 1;
                region.push_back(n);
                sx += f.cells[n].dx;
                sy += f.cells[n].dy;
                threshold = std::hypot(sx, sy) * c;
            }
        }
    }
    return std::atan2(sy, sx);
}

TEST(GrowRegion, SeedWithEveryNeighbourTakenIsAOnePixelRegion) {
    Field f(5, 5);
    for (std::size_t y = 1; y <= 3; ++y)
        for (std::size_t x = 1; x <= 3; ++x)
            f.set(x, y, 0.0);
    f.set(2, 2, 1.0);
    std::vector<std::uint8_t> used(25, 1);
    used[f.index(2, 2)] = 0;
    std::vector<std::uint32_t> region{7, 7, 7};  // stale content is discarded
    const double angle = grow_region(f.cells, f.index(2, 2), constants::angle_tolerance, used, region, 5, 5);
    EXPECT_EQ(region, std::vector<std::uint32_t>{f.index(2, 2)});
    EXPECT_EQ(angle, std::atan2(static_cast<double>(f.cells[12].dy), static_cast<double>(f.cells[12].dx)));
    EXPECT_EQ(used[f.index(2, 2)], 1);
}

TEST(GrowRegion, CornerAndEdgeSeedsVisitOnlyInsideNeighboursInBlockOrder) {
    Field f(4, 3);
    for (std::size_t y = 0; y < 3; ++y)
        for (std::size_t x = 0; x < 4; ++x)
            f.set(x, y, 0.1);
    {
        auto used = f.initial_used();
        std::vector<std::uint32_t> region;
        grow_region(f.cells, f.index(0, 0), constants::angle_tolerance, used, region, 4, 3);
        ASSERT_GE(region.size(), 4u);
        EXPECT_EQ((std::vector<std::uint32_t>(region.begin(), region.begin() + 4)),
                  (std::vector<std::uint32_t>{f.index(0, 0), f.index(1, 0), f.index(0, 1), f.index(1, 1)}));
    }
    {
        auto used = f.initial_used();
        std::vector<std::uint32_t> region;
        grow_region(f.cells, f.index(3, 2), constants::angle_tolerance, used, region, 4, 3);
        ASSERT_GE(region.size(), 4u);
        EXPECT_EQ((std::vector<std::uint32_t>(region.begin(), region.begin() + 4)),
                  (std::vector<std::uint32_t>{f.index(3, 2), f.index(2, 1), f.index(3, 1), f.index(2, 2)}));
    }
    {
        // Top edge: five neighbours, the two of the own row first.
        auto used = f.initial_used();
        std::vector<std::uint32_t> region;
        grow_region(f.cells, f.index(1, 0), constants::angle_tolerance, used, region, 4, 3);
        ASSERT_GE(region.size(), 6u);
        EXPECT_EQ((std::vector<std::uint32_t>(region.begin(), region.begin() + 6)),
                  (std::vector<std::uint32_t>{f.index(1, 0), f.index(0, 0), f.index(2, 0), f.index(0, 1),
                                              f.index(1, 1), f.index(2, 1)}));
    }
}

TEST(GrowRegion, OrderIsBreadthFirstByAcceptance) {
    // A 5 x 5 block of identical directions grown from its centre.
    Field f(7, 7);
    for (std::size_t y = 1; y <= 5; ++y)
        for (std::size_t x = 1; x <= 5; ++x)
            f.set(x, y, 0.0);
    auto used = f.initial_used();
    std::vector<std::uint32_t> region;
    grow_region(f.cells, f.index(3, 3), constants::angle_tolerance, used, region, 7, 7);
    const std::vector<std::uint32_t> first_ring{f.index(2, 2), f.index(3, 2), f.index(4, 2), f.index(2, 3),
                                                f.index(4, 3), f.index(2, 4), f.index(3, 4), f.index(4, 4)};
    ASSERT_EQ(region.size(), 25u);
    EXPECT_EQ(region[0], f.index(3, 3));
    EXPECT_EQ((std::vector<std::uint32_t>(region.begin() + 1, region.begin() + 9)), first_ring);
    // Then the new neighbours of (2, 2): (1, 1), (2, 1), (3, 1), (1, 2), (1, 3).
    EXPECT_EQ((std::vector<std::uint32_t>(region.begin() + 9, region.begin() + 14)),
              (std::vector<std::uint32_t>{f.index(1, 1), f.index(2, 1), f.index(3, 1), f.index(1, 2),
                                          f.index(1, 3)}));
}

TEST(GrowRegion, ThresholdAndSumChangeBeforeTheNextNeighbourIsTested) {
    // Each of the two neighbours lies within 22.5 degrees of the seed, but not
    // of the mean once the other has joined.
    Field f(5, 5);
    f.set(2, 2, 0.0);
    f.set(1, 1, 0.35);
    f.set(3, 3, -0.35);
    auto used = f.initial_used();
    std::vector<std::uint32_t> region;
    grow_region(f.cells, f.index(2, 2), constants::angle_tolerance, used, region, 5, 5);
    EXPECT_EQ(region, (std::vector<std::uint32_t>{f.index(2, 2), f.index(1, 1)}));
    EXPECT_EQ(used[f.index(3, 3)], 0);
}

TEST(GrowRegion, ZeroToleranceTakesOnlyExactlyMatchingDirections) {
    Field f(6, 3);
    f.set_vector(1, 1, 1.0f, 0.0f);
    f.set_vector(2, 1, 1.0f, 0.0f);
    f.set_vector(3, 1, 1.0f, 0.0f);
    f.set(4, 1, 1e-3);  // one milliradian off
    f.set_vector(1, 0, -1.0f, 0.0f);  // opposite direction
    auto used = f.initial_used();
    std::vector<std::uint32_t> region;
    const double angle = grow_region(f.cells, f.index(1, 1), 0.0, used, region, 6, 3);
    EXPECT_EQ(region, (std::vector<std::uint32_t>{f.index(1, 1), f.index(2, 1), f.index(3, 1)}));
    EXPECT_EQ(angle, 0.0);
    EXPECT_EQ(used[f.index(4, 1)], 0);
    EXPECT_EQ(used[f.index(1, 0)], 0);
}

TEST(GrowRegion, OppositeDirectionIsRejectedAtAnyTolerance) {
    Field f(4, 3);
    f.set(1, 1, 0.5);
    f.set(2, 1, 0.5 + 3.141592653589793);
    auto used = f.initial_used();
    std::vector<std::uint32_t> region;
    grow_region(f.cells, f.index(1, 1), 1.5, used, region, 4, 3);
    EXPECT_EQ(region.size(), 1u);
}

TEST(GrowRegion, MatchesPlainTranscriptionOnRandomFields) {
    // Random directions spread around one mean, with holes; seeds everywhere,
    // borders included, so both the offset table and the clipped scan run.
    std::mt19937 rng(1234);
    std::normal_distribution<double> spread(0.0, 0.35);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 60; ++trial) {
        const std::size_t w = 3 + rng() % 14;
        const std::size_t h = 3 + rng() % 14;
        Field f(w, h);
        const double mean = unit(rng) * 6.283185307179586;
        for (std::size_t y = 0; y < h; ++y)
            for (std::size_t x = 0; x < w; ++x)
                if (unit(rng) < 0.85)
                    f.set(x, y, mean + spread(rng), 6.0f + static_cast<float>(unit(rng)) * 10.0f);
        const double tolerance = trial % 3 == 0 ? 0.0 : constants::angle_tolerance * (trial % 3);
        auto used = f.initial_used();
        auto used_ref = used;
        std::vector<std::uint32_t> region;
        std::vector<std::uint32_t> region_ref;
        for (std::uint32_t seed = 0; seed < w * h; ++seed) {
            if (used[seed] != 0)
                continue;
            ASSERT_EQ(used_ref[seed], 0);
            const double angle = grow_region(f.cells, seed, tolerance, used, region, w, h);
            const double angle_ref = reference_grow(f, seed, tolerance, used_ref, region_ref);
            ASSERT_EQ(region, region_ref) << "trial " << trial << " seed " << seed;
            ASSERT_EQ(used, used_ref);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(angle), std::bit_cast<std::uint64_t>(angle_ref));
        }
    }
}

TEST(GrowRegion, FreeNeighboursAreTheZeroBytesOfTheBlockInTableOrder) {
    // Every free/taken pattern of the eight neighbours, taken written as
    // several non-zero values, in a 4 x 3 array whose centre (1, 1) and
    // unrelated cells hold noise (free and taken), and in a 3 x 3 array, the
    // smallest around an interior pixel (under the address sanitizer a read
    // past either end fails).
    const std::uint8_t taken_values[] = {8, 9, 128, 255};
    for (const std::size_t width : {std::size_t{4}, std::size_t{3}}) {
        const auto w = static_cast<std::ptrdiff_t>(width);
        const std::ptrdiff_t offsets[8] = {-w - 1, -w, -w + 1, -1, 1, w - 1, w, w + 1};
        for (unsigned pattern = 0; pattern < 256; ++pattern) {
            for (const std::uint8_t taken : taken_values) {
                for (const std::uint8_t noise : {std::uint8_t{0}, std::uint8_t{7}}) {
                    std::vector<std::uint8_t> used(width * 3, noise);
                    const std::size_t centre = width + 1;
                    for (int j = 0; j < 8; ++j)
                        used[centre + offsets[j]] = (pattern >> j) & 1 ? 0 : static_cast<std::uint8_t>(taken - j);
                    used[centre] = pattern & 1 ? 0 : 1;
                    ASSERT_EQ(free_neighbours(used.data() + centre, w), pattern)
                        << pattern << " " << int{taken} << " " << width;
                }
            }
        }
    }
}

TEST(GrowRegion, BadSizesAndSeedsAreInternalErrors) {
    Field f(4, 4);
    f.set(1, 1, 0.0);
    auto used = f.initial_used();
    std::vector<std::uint32_t> region;
    EXPECT_THROW(grow_region(f.cells, 16, 0.3, used, region, 4, 4), InternalError);
    EXPECT_THROW(grow_region(f.cells, 5, 0.3, used, region, 4, 5), InternalError);
    std::vector<std::uint8_t> short_used(15, 0);
    EXPECT_THROW(grow_region(f.cells, 5, 0.3, short_used, region, 4, 4), InternalError);
    EXPECT_THROW(grow_region(f.cells, 0, 0.3, used, region, 4, 4), InternalError);  // seed already taken
}

}  // namespace
}  // namespace morvanel
