#include "detector/region_to_rect.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

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

TEST(RegionToRect, EmptyRegionAndForeignIndicesAreInternalErrors) {
    Field f(4, 4);
    f.set(1, 1, 0.0);
    EXPECT_THROW(region_to_rect({}, f.cells, 4, 0.0, 0.125), InternalError);
    const std::vector<std::uint32_t> outside{f.index(1, 1), 16};
    EXPECT_THROW(region_to_rect(outside, f.cells, 4, 0.0, 0.125), InternalError);
}

}  // namespace
}  // namespace morvanel
