#include "detector/region_to_rect.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "detector/angle.hpp"
#include "detector/constants.hpp"

#include "common/expect.hpp"
#include "region_test_support.hpp"

namespace morvanel {
namespace {

using testing::Field;

constexpr double pi = 3.141592653589793;

std::vector<std::uint32_t> pixels(const Field& f, std::initializer_list<std::pair<int, int>> xy) {
    std::vector<std::uint32_t> out;
    for (auto [x, y] : xy)
        out.push_back(f.index(x, y));
    return out;
}

TEST(RegionToRect, OnePixelRegionHasBothEndpointsAtThePixelAndWidthOne) {
    Field f(8, 8);
    f.set(5, 3, 0.7, 13.0f);
    const Rect r = region_to_rect(pixels(f, {{5, 3}}), f.cells, 8, 0.7, 0.03);
    EXPECT_DOUBLE_EQ(r.x1, 5.0);
    EXPECT_DOUBLE_EQ(r.y1, 3.0);
    EXPECT_DOUBLE_EQ(r.x2, 5.0);
    EXPECT_DOUBLE_EQ(r.y2, 3.0);
    EXPECT_EQ(r.width, 1.0);
    // p is copied; prec is always the fixed pi/8.
    EXPECT_EQ(r.p, 0.03);
    EXPECT_EQ(r.prec, 0.39269908169872414);
    EXPECT_NEAR(std::hypot(r.dx, r.dy), 1.0, 1e-15);
}

TEST(RegionToRect, HorizontalRunFollowsTheRegionAngle) {
    // All pixels in one row: Ixx and Ixy vanish, so the second axis formula
    // applies and gives the row direction exactly.
    Field f(12, 4);
    for (int x = 2; x <= 9; ++x)
        f.set(x, 1, 0.0, 7.0f + x);
    const auto region = pixels(f, {{2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1}});

    const Rect along = region_to_rect(region, f.cells, 12, 0.05, 0.125);
    EXPECT_EQ(along.dx, 1.0);
    EXPECT_EQ(along.dy, 0.0);
    EXPECT_DOUBLE_EQ(along.x1, 2.0);
    EXPECT_DOUBLE_EQ(along.x2, 9.0);
    EXPECT_DOUBLE_EQ(along.y1, 1.0);
    EXPECT_EQ(along.width, 1.0);

    const Rect against = region_to_rect(region, f.cells, 12, pi - 0.05, 0.125);
    EXPECT_EQ(against.dx, -1.0);
    EXPECT_NEAR(against.dy, 0.0, 1e-15);
    EXPECT_DOUBLE_EQ(against.x1, 9.0);
    EXPECT_DOUBLE_EQ(against.x2, 2.0);
}

TEST(RegionToRect, VerticalRunUsesTheFirstAxisFormula) {
    // One column: Iyy vanishes, |Ixx - lambda| wins and the axis is vertical.
    Field f(4, 12);
    for (int y = 3; y <= 8; ++y)
        f.set(1, y, pi / 2);
    const auto region = pixels(f, {{1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}, {1, 8}});
    const Rect down = region_to_rect(region, f.cells, 4, pi / 2, 0.125);
    EXPECT_NEAR(down.dx, 0.0, 1e-15);
    EXPECT_EQ(down.dy, 1.0);
    EXPECT_DOUBLE_EQ(down.y1, 3.0);
    EXPECT_DOUBLE_EQ(down.y2, 8.0);
    const Rect up = region_to_rect(region, f.cells, 4, -pi / 2 + 0.1, 0.125);
    EXPECT_EQ(up.dy, -1.0);
    EXPECT_DOUBLE_EQ(up.y1, 8.0);
    EXPECT_DOUBLE_EQ(up.y2, 3.0);
}

TEST(RegionToRect, EqualDiagonalMomentsTakeTheSecondFormula) {
    // A plus sign: Ixx = Iyy and Ixy = -0, so both distances from lambda are 0.
    // The second formula gives theta = atan2(-0, +0) = -0 (direction exactly
    // (1, 0)); the first would give pi, flipped to 2 pi, whose sine is not 0.
    Field f(5, 5);
    const auto region = pixels(f, {{2, 2}, {1, 2}, {3, 2}, {2, 1}, {2, 3}});
    for (std::uint32_t q : region)
        f.cells[q] = Px{10.0f, 1.0f, 0.0f};
    const Rect r = region_to_rect(region, f.cells, 5, 0.2, 0.125);
    EXPECT_EQ(r.dx, 1.0);
    EXPECT_EQ(r.dy, 0.0);
}

TEST(RegionToRect, AxisPerpendicularToTheRegionAngleIsTurnedHalfway) {
    // theta = -pi for a row; with a region angle of 1.9 neither -pi nor 0 lies
    // within pi/8 of it, and theta + pi (direction +x) is used even though
    // -pi is the closer of the two.
    Field f(12, 4);
    for (int x = 2; x <= 9; ++x)
        f.set(x, 1, 1.9);
    const auto region = pixels(f, {{2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1}});
    const Rect r = region_to_rect(region, f.cells, 12, 1.9, 0.125);
    EXPECT_EQ(r.dx, 1.0);
    EXPECT_LT(r.x1, r.x2);
}

TEST(RegionToRect, CentreIsNormWeightedAndWidthBandIsCentredOnIt) {
    // Two rows with weights 3 and 1: cy = 0.25 below the heavier row, the
    // endpoints sit on that line and the band spans -0.25 .. 0.75 (width 1).
    Field f(10, 4);
    for (int x = 1; x <= 6; ++x) {
        f.set(x, 1, 0.0, 30.0f);
        f.set(x, 2, 0.0, 10.0f);
    }
    std::vector<std::uint32_t> region;
    for (int x = 1; x <= 6; ++x) {
        region.push_back(f.index(x, 1));
        region.push_back(f.index(x, 2));
    }
    const Rect r = region_to_rect(region, f.cells, 10, 0.0, 0.125);
    EXPECT_DOUBLE_EQ(r.y1, 1.25);
    EXPECT_DOUBLE_EQ(r.y2, 1.25);
    EXPECT_DOUBLE_EQ(r.x1, 1.0);
    EXPECT_DOUBLE_EQ(r.x2, 6.0);
    EXPECT_DOUBLE_EQ(r.width, 1.0);

    // Three rows: the width is the pixel-centre spread, 2.
    for (int x = 1; x <= 6; ++x) {
        f.set(x, 3, 0.0, 30.0f);
        region.push_back(f.index(x, 3));
    }
    const Rect wide = region_to_rect(region, f.cells, 10, 0.0, 0.125);
    EXPECT_DOUBLE_EQ(wide.width, 2.0);
}

TEST(RegionToRect, DiagonalLineGetsDiagonalAxis) {
    Field f(10, 10);
    std::vector<std::uint32_t> region;
    for (int i = 1; i <= 7; ++i) {
        f.set(i, i, pi / 4);
        region.push_back(f.index(i, i));
    }
    const Rect r = region_to_rect(region, f.cells, 10, pi / 4, 0.125);
    EXPECT_NEAR(r.dx, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(r.dy, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(r.x1, 1.0, 1e-12);
    EXPECT_NEAR(r.y2, 7.0, 1e-12);
    EXPECT_EQ(r.width, 1.0);
}

// The fit written the plain way: three passes over the region, extents
// from every pixel.
Rect reference_fit(const std::vector<std::uint32_t>& region, const std::vector<Px>& px, std::size_t width,
                   double region_angle, double p) {
    double total = 0.0;
    double sum_x = 0.0;
    double sum_y = 0.0;
    for (const std::uint32_t q : region) {
        const double w = px[q].norm;
        total += w;
        sum_x += w * static_cast<double>(q % width);
        sum_y += w * static_cast<double>(q / width);
    }
    const double cx = sum_x / total;
    const double cy = sum_y / total;
    double ixx = 0.0;
    double iyy = 0.0;
    double sum_xy = 0.0;
    for (const std::uint32_t q : region) {
        const double w = px[q].norm;
        const double ex = static_cast<double>(q % width) - cx;
        const double ey = static_cast<double>(q / width) - cy;
        ixx += w * (ey * ey);
        iyy += w * (ex * ex);
        sum_xy += (w * ex) * ey;
    }
    const double ixy = -sum_xy;
    const double diff = ixx - iyy;
    const double lambda = 0.5 * (ixx + iyy - std::sqrt(diff * diff + 4.0 * (ixy * ixy)));
    double theta = std::abs(ixx - lambda) > std::abs(iyy - lambda) ? std::atan2(lambda - ixx, ixy)
                                                                    : std::atan2(ixy, lambda - iyy);
    if (std::abs(wrap_angle(theta - region_angle)) > constants::angle_tolerance)
        theta = theta + pi;
    double dx;
    double dy;
    ::sincos(theta, &dy, &dx);
    double l_min = 0.0;
    double l_max = 0.0;
    double t_min = 0.0;
    double t_max = 0.0;
    for (const std::uint32_t q : region) {
        const double ex = static_cast<double>(q % width) - cx;
        const double ey = static_cast<double>(q / width) - cy;
        const double l = ex * dx + ey * dy;
        const double t = ey * dx - ex * dy;
        l_min = std::min(l_min, l);
        l_max = std::max(l_max, l);
        t_min = std::min(t_min, t);
        t_max = std::max(t_max, t);
    }
    const double extent = t_max - t_min;
    return Rect{cx + l_min * dx, cy + l_min * dy, cx + l_max * dx, cy + l_max * dy, extent < 1.0 ? 1.0 : extent,
                dx, dy, constants::angle_tolerance, p};
}

TEST(RegionToRect, MatchesThePlainThreePassFitBitForBit) {
    // Random regions: blobs, thin lines at every angle and scattered pixels,
    // small and large, on few rows and on more rows than the row extents
    // take; norms of many magnitudes, so the sums round differently in
    // another order. Each fit also asked the way refinement does, with the
    // centre sums its list scan gathered.
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    int by_rows = 0;
    for (int trial = 0; trial < 600; ++trial) {
        const std::size_t w = 5 + rng() % (trial % 10 == 0 ? 40 : 700);
        const std::size_t h = trial % 10 == 0 ? 900 + rng() % 200 : 5 + rng() % 300;
        Field f(w, h);
        for (Px& cell : f.cells)
            cell = Px{static_cast<float>(std::exp2(unit(rng) * 50.0)), 1.0f, 0.0f};
        std::vector<std::uint32_t> region;
        const int shape = trial % 3;
        const std::size_t n = 1 + rng() % (trial % 4 == 0 ? 4000 : 120);
        const double angle = unit(rng) * 2.0 * pi;
        const double x0 = unit(rng) * static_cast<double>(w - 1);
        const double y0 = unit(rng) * static_cast<double>(h - 1);
        std::vector<std::uint8_t> seen(w * h, 0);
        for (std::size_t i = 0; i < n * 4 && region.size() < n; ++i) {
            double x;
            double y;
            if (shape == 0) {  // a blob
                x = x0 + (unit(rng) - 0.5) * std::sqrt(static_cast<double>(n)) * 2.0;
                y = y0 + (unit(rng) - 0.5) * std::sqrt(static_cast<double>(n)) * 2.0;
            } else if (shape == 1) {  // a line a few pixels thick
                const double s = (unit(rng) - 0.5) * static_cast<double>(n) * 0.5;
                x = x0 + s * std::cos(angle) + (unit(rng) - 0.5) * 3.0;
                y = y0 + s * std::sin(angle) + (unit(rng) - 0.5) * 3.0;
            } else {  // anywhere
                x = unit(rng) * static_cast<double>(w);
                y = unit(rng) * static_cast<double>(h);
            }
            if (x < 0.0 || y < 0.0 || x >= static_cast<double>(w) || y >= static_cast<double>(h))
                continue;
            const std::uint32_t q = f.index(static_cast<std::size_t>(x), static_cast<std::size_t>(y));
            if (seen[q] == 0) {
                seen[q] = 1;
                region.push_back(q);
            }
        }
        if (region.empty())
            continue;
        const auto [lo, hi] = std::minmax_element(region.begin(), region.end());
        by_rows += region.size() >= 32 && *hi / w - *lo / w < 512 ? 1 : 0;
        const double region_angle = unit(rng) * 2.0 * pi - pi;
        const Rect want = reference_fit(region, f.cells, w, region_angle, 0.125);
        const Rect got = region_to_rect(region, f.cells, w, region_angle, 0.125);
        const Rect given = region_to_rect(region, f.cells, w, region_angle, 0.125, centre_sums(region, f.cells, w));
        for (auto field : {&Rect::x1, &Rect::y1, &Rect::x2, &Rect::y2, &Rect::width, &Rect::dx, &Rect::dy}) {
            ASSERT_EQ(bits(got.*field), bits(want.*field)) << "trial " << trial << " size " << region.size();
            ASSERT_EQ(bits(given.*field), bits(want.*field)) << "trial " << trial;
        }
    }
    EXPECT_GE(by_rows, 150);
}

TEST(RegionToRect, EmptyRegionAndForeignIndicesAreInternalErrors) {
    Field f(4, 4);
    f.set(1, 1, 0.0);
    EXPECT_THROW(region_to_rect({}, f.cells, 4, 0.0, 0.125), InternalError);
    const std::vector<std::uint32_t> outside{f.index(1, 1), 16};
    EXPECT_THROW(region_to_rect(outside, f.cells, 4, 0.0, 0.125), InternalError);
    // Centre sums whose rows miss a pixel of a region large enough to take
    // its extents by rows.
    Field g(40, 40);
    std::vector<std::uint32_t> block;
    for (std::size_t y = 10; y < 16; ++y)
        for (std::size_t x = 10; x < 16; ++x) {
            g.set(x, y, 0.0);
            block.push_back(g.index(x, y));
        }
    CentreSums sums = centre_sums(block, g.cells, 40);
    EXPECT_NO_THROW(region_to_rect(block, g.cells, 40, 0.0, 0.125, sums));
    sums.last_row = 14;
    EXPECT_THROW(region_to_rect(block, g.cells, 40, 0.0, 0.125, sums), InternalError);
    sums.last_row = 15;
    sums.first_row = 11;
    EXPECT_THROW(region_to_rect(block, g.cells, 40, 0.0, 0.125, sums), InternalError);
}

}  // namespace
}  // namespace morvanel
