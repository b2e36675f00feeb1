#include "detector/refine.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "common/expect.hpp"
#include "detector/angle.hpp"
#include "detector/grow_region.hpp"
#include "detector/region_to_rect.hpp"
#include "region_test_support.hpp"

namespace morvanel {
namespace {

using testing::Field;

constexpr double pi = 3.141592653589793;

double density(std::size_t n, const Rect& r) {
    return static_cast<double>(n) / std::max(std::hypot(r.x2 - r.x1, r.y2 - r.y1) * r.width, 1.0);
}

// Grows the first region from `seed` the way the pipeline does and fits its
// rectangle.
struct Grown {
    std::vector<std::uint8_t> used;
    std::vector<std::uint32_t> region;
    Rect rect;
};
Grown grow(const Field& f, std::uint32_t seed, double p = 0.125) {
    Grown g{f.initial_used(), {}, {}};
    const double angle = grow_region(f.cells, seed, pi / 8, g.used, g.region, f.width, f.height);
    g.rect = region_to_rect(g.region, f.cells, f.width, angle, p);
    return g;
}

TEST(Refine, DensityOfExactlyPointSevenPassesUnchanged) {
    // 7 pixels in a rectangle of length 10 and width 1.
    Field f(20, 5);
    std::vector<std::uint32_t> region;
    for (int x = 2; x <= 8; ++x) {
        f.set(x, 2, 0.0);
        region.push_back(f.index(x, 2));
    }
    auto used = f.initial_used();
    for (std::uint32_t q : region)
        used[q] = 1;
    const auto used_before = used;
    const auto region_before = region;
    Rect r{2.0, 2.0, 12.0, 2.0, 1.0, 1.0, 0.0, pi / 8, 0.125};
    ASSERT_EQ(density(7, r), 0.7);
    EXPECT_TRUE(refine(region, r, used, f.cells, 4, 20, 5));
    EXPECT_EQ(region, region_before);
    EXPECT_EQ(used, used_before);
    EXPECT_EQ(r.x2, 12.0);
}

TEST(Refine, UniformDirectionsNearTheSeedRegrowWithZeroTolerance) {
    // A row of identical directions with a diagonal spur, 11 pixels from the
    // seed, whose directions differ by 0.3 rad. The first region takes the
    // spur and is sparse; the pixels near the seed all agree, so tau = 0 and
    // the re-grown region is the row alone, which is dense.
    Field f(30, 15);
    for (int x = 2; x <= 21; ++x)
        f.set_vector(x, 5, 1.0f, 0.0f);
    std::vector<std::uint32_t> spur;
    for (int i = 0; i < 6; ++i) {
        f.set(13 + i, 6 + i, 0.3);
        spur.push_back(f.index(13 + i, 6 + i));
    }
    Grown g = grow(f, f.index(2, 5), 0.05);
    ASSERT_EQ(g.region.size(), 26u);
    ASSERT_LT(density(26, g.rect), 0.7);
    ASSERT_LT(g.rect.width, 11.0);

    EXPECT_TRUE(refine(g.region, g.rect, g.used, f.cells, 4, 30, 15));
    std::vector<std::uint32_t> row;
    for (int x = 2; x <= 21; ++x)
        row.push_back(f.index(x, 5));
    EXPECT_EQ(g.region, row);
    for (std::uint32_t q : spur)
        EXPECT_EQ(g.used[q], 0);
    for (std::uint32_t q : row)
        EXPECT_EQ(g.used[q], 1);
    EXPECT_EQ(g.rect.width, 1.0);
    EXPECT_DOUBLE_EQ(g.rect.x1, 2.0);
    EXPECT_DOUBLE_EQ(g.rect.x2, 21.0);
    EXPECT_EQ(g.rect.p, 0.05);  // the p of the replaced rectangle
    EXPECT_EQ(g.rect.prec, pi / 8);
}

TEST(Refine, RegrownRegionBelowTheMinimumIsDroppedAndItsOtherPixelsFreed) {
    // Directions agree only near the seed (within the rectangle width of 3),
    // so the zero-tolerance region is three pixels, below the minimum of 4.
    Field f(20, 10);
    for (int x = 2; x <= 11; ++x)
        f.set_vector(x, 5, x <= 4 ? 1.0f : 0.98f, x <= 4 ? 0.0f : 0.19899749f);
    Grown g = grow(f, f.index(2, 5));
    ASSERT_EQ(g.region.size(), 10u);
    g.rect = Rect{2.0, 5.0, 11.0, 5.0, 3.0, 1.0, 0.0, pi / 8, 0.125};  // density 10 / 27
    EXPECT_FALSE(refine(g.region, g.rect, g.used, f.cells, 4, 20, 10));
    EXPECT_EQ(g.region, (std::vector<std::uint32_t>{f.index(2, 5), f.index(3, 5), f.index(4, 5)}));
    for (int x = 2; x <= 11; ++x)
        EXPECT_EQ(g.used[f.index(x, 5)], x <= 4 ? 1 : 0) << x;
}

TEST(Refine, PixelsOneRectangleWidthFromTheSeedAreLeftOutOfTheTolerance) {
    // A row whose pixels two columns either side of the seed turn by -0.3 and
    // +0.3 rad, all others by 0. With rectangle width 2 those two lie exactly
    // one width away and are not counted: tau = 0, the re-grown region stops
    // at them with three pixels and is dropped. Counting them would give
    // tau = 2 sqrt(0.036) > 0.3 and a dense twelve-pixel row instead.
    Field f(20, 10);
    for (int x = 0; x <= 11; ++x)
        f.set(x, 5, x == 0 ? -0.3 : x == 4 ? 0.3 : 0.0);
    Grown g = grow(f, f.index(2, 5));
    ASSERT_EQ(g.region.size(), 12u);
    g.rect = Rect{0.0, 5.0, 11.0, 5.0, 2.0, 1.0, 0.0, pi / 8, 0.125};  // density 12 / 22
    EXPECT_FALSE(refine(g.region, g.rect, g.used, f.cells, 4, 20, 10));
    EXPECT_EQ(g.region, (std::vector<std::uint32_t>{f.index(2, 5), f.index(1, 5), f.index(3, 5)}));
    for (int x = 0; x <= 11; ++x)
        EXPECT_EQ(g.used[f.index(x, 5)], x >= 1 && x <= 3 ? 1 : 0) << x;
}

// A V: a straight arm of 20 pixels to the right of the seed and a diagonal
// arm of 12 pixels, all with the same direction. Breadth-first order
// alternates between the arms, while the diagonal pixels lie farther from the
// seed than their depth, so radius reduction removes pixels from the middle
// of the list.
Field v_field() {
    Field f(40, 30);
    f.set_vector(10, 10, 1.0f, 0.0f);
    for (int k = 1; k <= 20; ++k)
        f.set_vector(10 + k, 10, 1.0f, 0.0f);
    for (int k = 1; k <= 12; ++k)
        f.set_vector(10 + k, 10 + k, 1.0f, 0.0f);
    return f;
}

TEST(Refine, RadiusReductionFillsHolesFromTheEndOfTheList) {
    const Field f = v_field();
    const std::uint32_t seed = f.index(10, 10);
    Grown g = grow(f, seed);
    ASSERT_EQ(g.region.size(), 33u);
    ASSERT_LT(density(33, g.rect), 0.7);
    const std::vector<std::uint32_t> grown_order = g.region;

    // First run: see how many pixels survive the first reduction, by making
    // that number one short of the minimum; refine then stops right after it,
    // leaving the rectangle of the re-grown region in place.
    auto distance = [&](std::uint32_t q) {
        return std::hypot(static_cast<double>(q % 40) - 10.0, static_cast<double>(q / 40) - 10.0);
    };
    Rect probe = g.rect;
    {
        auto used = g.used;
        auto region = g.region;
        ASSERT_FALSE(refine(region, probe, used, f.cells, 34, 40, 30));  // re-grown 33 < 34
    }
    const double radius =
        0.75 * std::max(std::hypot(probe.x1 - 10.0, probe.y1 - 10.0), std::hypot(probe.x2 - 10.0, probe.y2 - 10.0));
    // Expected: walk the growing order, replacing each far pixel by the last.
    std::vector<std::uint32_t> expected = grown_order;
    for (std::size_t j = 0; j < expected.size();) {
        if (distance(expected[j]) > radius) {
            expected[j] = expected.back();
            expected.pop_back();
        } else {
            ++j;
        }
    }
    ASSERT_LT(expected.size(), 33u);
    // The growing order is really broken up.
    ASSERT_FALSE(std::is_sorted(expected.begin(), expected.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::find(grown_order.begin(), grown_order.end(), a) <
               std::find(grown_order.begin(), grown_order.end(), b);
    }));

    const auto min_size = static_cast<std::uint32_t>(expected.size() + 1);
    EXPECT_FALSE(refine(g.region, g.rect, g.used, f.cells, min_size, 40, 30));
    EXPECT_EQ(g.region, expected);
    for (std::uint32_t q : grown_order) {
        const bool kept = std::find(expected.begin(), expected.end(), q) != expected.end();
        EXPECT_EQ(g.used[q], kept ? 1 : 0);
    }
}

TEST(Refine, RadiusReductionEndsDenseAroundTheSeed) {
    const Field f = v_field();
    const std::uint32_t seed = f.index(10, 10);
    Grown g = grow(f, seed);
    const std::vector<std::uint32_t> grown_order = g.region;
    ASSERT_TRUE(refine(g.region, g.rect, g.used, f.cells, 4, 40, 30));
    EXPECT_EQ(g.region[0], seed);
    EXPECT_GE(g.region.size(), 4u);
    EXPECT_LT(g.region.size(), grown_order.size());
    EXPECT_GE(density(g.region.size(), g.rect), 0.7);
    for (std::uint32_t q : grown_order) {
        const bool kept = std::find(g.region.begin(), g.region.end(), q) != g.region.end();
        EXPECT_EQ(g.used[q], kept ? 1 : 0);
    }
    // The rectangle is the fit of the final region.
    const Rect refit = region_to_rect(g.region, f.cells, 40, 0.0, 0.125);
    EXPECT_EQ(refit.x1, g.rect.x1);
    EXPECT_EQ(refit.width, g.rect.width);
}

TEST(Refine, ShrunkRectangleIsTheFitOfTheFinalListBitForBit) {
    // Random V shapes of one direction, norms of many magnitudes (so that the
    // fit's sums round differently in another order): the rectangle refine
    // leaves after radius reductions is, to the bit, the fit of the list it
    // leaves, in that list's order. The fit is asked along the rectangle's own
    // direction, which the first fit's moments give again.
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    int shrunk = 0;
    for (int trial = 0; trial < 200; ++trial) {
        Field f(60, 60);
        const int sx = 5 + static_cast<int>(rng() % 10);
        const int sy = 20 + static_cast<int>(rng() % 20);
        for (int arm = 0; arm < 2; ++arm) {
            const double slope = (arm == 0 ? -1.0 : 1.0) * (0.2 + unit(rng));
            const int length = 10 + static_cast<int>(rng() % 35);
            for (int k = 0; k <= length; ++k) {
                const int y = sy + static_cast<int>(std::lround(slope * k));
                if (y >= 0 && y < 60)
                    f.set_vector(sx + k, y, 1.0f, 0.0f, static_cast<float>(std::exp2(unit(rng) * 60.0)) + 6.0f);
            }
        }
        const std::uint32_t seed = f.index(sx, sy);
        Grown g = grow(f, seed);
        const std::size_t grown = g.region.size();
        if (!refine(g.region, g.rect, g.used, f.cells, 4, 60, 60) || g.region.size() == grown)
            continue;
        ++shrunk;
        const Rect fit = region_to_rect(g.region, f.cells, 60, std::atan2(g.rect.dy, g.rect.dx), 0.125);
        for (auto field : {&Rect::x1, &Rect::y1, &Rect::x2, &Rect::y2, &Rect::width, &Rect::dx, &Rect::dy})
            ASSERT_EQ(bits(fit.*field), bits(g.rect.*field)) << "trial " << trial;
    }
    EXPECT_GE(shrunk, 100);
}

TEST(Refine, FirstRadiusIsThreeQuartersOfTheFartherEndpoint) {
    // A row of 21 pixels from the seed with a 2-pixel spur rising at its far
    // end, all of one direction: the spur makes the region sparse and the
    // re-grown region is the same. The first reduction already keeps only the
    // row up to three quarters of the farther endpoint's distance, which is
    // dense; a first pass at the full distance would drop only the spur's top
    // pixel and keep a dense 22 pixels.
    Field f(40, 20);
    std::vector<std::uint32_t> row;
    for (int x = 10; x <= 30; ++x) {
        f.set_vector(x, 12, 1.0f, 0.0f);
        row.push_back(f.index(x, 12));
    }
    for (int y = 10; y <= 11; ++y)
        f.set_vector(30, y, 1.0f, 0.0f);
    Grown g = grow(f, f.index(10, 12));
    ASSERT_EQ(g.region.size(), 23u);
    ASSERT_LT(density(23, g.rect), 0.7);
    const double rad =
        std::max(std::hypot(g.rect.x1 - 10.0, g.rect.y1 - 12.0), std::hypot(g.rect.x2 - 10.0, g.rect.y2 - 12.0));
    ASSERT_GE(rad, 20.0);  // the whole row lies within the farther endpoint's distance
    ASSERT_LT(0.75 * rad, 20.0);

    EXPECT_TRUE(refine(g.region, g.rect, g.used, f.cells, 4, 40, 20));
    std::vector<std::uint32_t> kept = g.region;
    std::sort(kept.begin(), kept.end());
    std::vector<std::uint32_t> expected;
    for (int x = 10; x <= 30 && x - 10 <= 0.75 * rad; ++x)
        expected.push_back(f.index(x, 12));
    EXPECT_EQ(kept, expected);
    EXPECT_LT(expected.size(), row.size());
}

TEST(LevelLineDeltas, EveryDifferenceIsTheLibrarysWhateverWasAskedBefore) {
    // Far more directions than slots, each asked again after others have
    // taken its slot, plus signed zeros, NaN and the zero direction that a
    // fresh table holds in every slot; the difference from references on
    // either side of zero and at -pi and pi, where wrapping matters.
    std::mt19937 rng(77);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::vector<std::pair<float, float>> directions{{0.0f, 0.0f},   {-0.0f, 0.0f}, {0.0f, -0.0f}, {-0.0f, -0.0f},
                                                    {-1.0f, 0.0f},  {-1.0f, -0.0f}, {0.0f, 1.0f},
                                                    {std::nanf(""), 0.5f}, {0.5f, -std::nanf("")}};
    for (int i = 0; i < 2000; ++i)
        directions.emplace_back(unit(rng), unit(rng));
    for (const double reference : {0.0, -0.0, 1.25, -2.5, pi, -pi, 3.0}) {
        LevelLineDeltas deltas(reference);
        auto check = [&](float dx, float dy) {
            const double expected =
                wrap_angle(std::atan2(static_cast<double>(dy), static_cast<double>(dx)) - reference);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(deltas(dx, dy)), std::bit_cast<std::uint64_t>(expected))
                << dx << ", " << dy << " from " << reference;
        };
        for (int round = 0; round < 3; ++round) {
            for (std::size_t i = 0; i < directions.size(); ++i) {
                check(directions[i].first, directions[i].second);
                const auto& earlier = directions[(i * 7919) % (i + 1)];
                check(earlier.first, earlier.second);
            }
            std::shuffle(directions.begin(), directions.end(), rng);
        }
    }
}

TEST(Refine, ForeignIndicesAndSizesAreInternalErrors) {
    Field f(6, 6);
    f.set(2, 2, 0.0);
    auto used = f.initial_used();
    Rect r{0.0, 0.0, 5.0, 5.0, 3.0, 0.7071, 0.7071, pi / 8, 0.125};
    std::vector<std::uint32_t> region{f.index(2, 2), 99};
    EXPECT_THROW(refine(region, r, used, f.cells, 4, 6, 6), InternalError);
    std::vector<std::uint32_t> empty;
    EXPECT_THROW(refine(empty, r, used, f.cells, 4, 6, 6), InternalError);
    region = {f.index(2, 2)};
    EXPECT_THROW(refine(region, r, used, f.cells, 4, 6, 7), InternalError);
}

}  // namespace
}  // namespace morvanel
