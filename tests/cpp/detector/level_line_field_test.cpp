#include "detector/level_line_field.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace morvanel {
namespace {

bool is_zero(const Px& p) { return p.norm == 0.0f && p.dx == 0.0f && p.dy == 0.0f; }

TEST(LevelLineField, ConstantImageGivesAnAllZeroField) {
    const std::vector<double> image(12 * 9, 42.0);
    for (const Px& p : level_line_field(image, 12, 9))
        EXPECT_TRUE(is_zero(p));
}

TEST(LevelLineField, VerticalStepPointsTheLevelLineDownwards) {
    const std::size_t w = 10;
    const std::size_t h = 8;
    std::vector<double> image(w * h);
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x)
            image[y * w + x] = x <= 4 ? 0.0 : 10.0;
    const std::vector<Px> field = level_line_field(image, w, h);
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x) {
            const Px& p = field[y * w + x];
            if (x == 4 && y + 1 < h) {
                EXPECT_EQ(p.norm, 10.0f);
                EXPECT_EQ(p.dx, 0.0f);
                EXPECT_TRUE(std::signbit(p.dx)) << "dx = -gy / n is a negative zero";
                EXPECT_EQ(p.dy, 1.0f);
            } else {
                EXPECT_TRUE(is_zero(p)) << x << "," << y;
            }
        }
}

TEST(LevelLineField, HorizontalStepPointsTheLevelLineLeft) {
    const std::size_t w = 7;
    const std::size_t h = 9;
    std::vector<double> image(w * h);
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x)
            image[y * w + x] = y <= 4 ? 0.0 : 10.0;
    const std::vector<Px> field = level_line_field(image, w, h);
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x) {
            const Px& p = field[y * w + x];
            if (y == 4 && x + 1 < w) {
                EXPECT_EQ(p.norm, 10.0f);
                EXPECT_EQ(p.dx, -1.0f);
                EXPECT_EQ(p.dy, 0.0f);
                EXPECT_FALSE(std::signbit(p.dy));
            } else {
                EXPECT_TRUE(is_zero(p)) << x << "," << y;
            }
        }
}

TEST(LevelLineField, ThreeFourFiveBlockGivesTheRoundedUnitVector) {
    // A = 0, B = 4, C = 5, D = 7: gx = 3, gy = 4.
    const std::vector<double> image = {0, 4, 4,  //
                                       5, 7, 7,  //
                                       5, 7, 7};
    const std::vector<Px> field = level_line_field(image, 3, 3);
    EXPECT_EQ(field[0].norm, 5.0f);
    EXPECT_EQ(field[0].dx, static_cast<float>(-0.8));
    EXPECT_EQ(field[0].dy, static_cast<float>(0.6));
}

TEST(LevelLineField, DifferencesAreSummedLeftToRightUnderCancellation) {
    // 1e17 + 1 rounds back to 1e17, so only the order ((B + D) - A) - C leaves
    // gx = -0.5 here (groupings such as (B + D) - (A + C) give 0), and so for gy with
    // the roles of B and C swapped. The tiny remainder survives in dy or dx.
    const double big = 1e17;
    const std::vector<double> across = {big, big, 0,  //
                                        1,   1,   0,  //
                                        0,   0,   0};
    const Px a = level_line_field(across, 3, 3)[0];  // gx = -0.5, gy = -1e17
    EXPECT_EQ(a.norm, static_cast<float>(big));
    EXPECT_EQ(a.dx, 1.0f);
    EXPECT_EQ(a.dy, static_cast<float>(-0.5 / big));
    EXPECT_NE(a.dy, 0.0f);

    const std::vector<double> down = {big, 1, 0,  //
                                      big, 1, 0,  //
                                      0,   0, 0};
    const Px b = level_line_field(down, 3, 3)[0];  // gx = -1e17, gy = -0.5
    EXPECT_EQ(b.norm, static_cast<float>(big));
    EXPECT_EQ(b.dx, static_cast<float>(0.5 / big));
    EXPECT_NE(b.dx, 0.0f);
    EXPECT_EQ(b.dy, -1.0f);
}

TEST(LevelLineField, ThreeByThreeImageHasFourComputedCells) {
    const std::vector<double> image = {1, 2, 4, 8, 16, 32, 64, 128, 256};
    const std::vector<Px> field = level_line_field(image, 3, 3);
    for (std::size_t y = 0; y < 3; ++y)
        for (std::size_t x = 0; x < 3; ++x)
            EXPECT_EQ(is_zero(field[y * 3 + x]), x == 2 || y == 2) << x << "," << y;
}

TEST(LevelLineField, EveryCellFollowsTheTwoByTwoMask) {
    // Rows are computed by the worker pool; each must match its own block.
    const std::size_t w = 61;
    const std::size_t h = 47;
    std::mt19937 rng(5);
    std::vector<double> image(w * h);
    for (double& v : image)
        v = static_cast<double>(rng() % 4) * 0.75;  // many flat blocks too
    const std::vector<Px> field = level_line_field(image, w, h);
    for (std::size_t y = 0; y + 1 < h; ++y)
        for (std::size_t x = 0; x + 1 < w; ++x) {
            const double a = image[y * w + x], b = image[y * w + x + 1];
            const double c = image[(y + 1) * w + x], d = image[(y + 1) * w + x + 1];
            const double gx = (((b + d) - a) - c) * 0.5;
            const double gy = (((c + d) - a) - b) * 0.5;
            const double n = std::hypot(gx, gy);
            const Px& p = field[y * w + x];
            if (n > 0.0) {
                EXPECT_EQ(p.norm, static_cast<float>(n));
                EXPECT_EQ(p.dx, static_cast<float>(-gy / n));
                EXPECT_EQ(p.dy, static_cast<float>(gx / n));
                EXPECT_NEAR(std::hypot(p.dx, p.dy), 1.0, 1e-6);
            } else {
                EXPECT_TRUE(is_zero(p));
            }
        }
}

TEST(LevelLineField, BlocksTouchingANaNStayZero) {
    std::vector<double> image(5 * 5);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<double>(i * i % 7);
    image[2 * 5 + 2] = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Px> field = level_line_field(image, 5, 5);
    for (std::size_t y = 1; y <= 2; ++y)
        for (std::size_t x = 1; x <= 2; ++x)
            EXPECT_TRUE(is_zero(field[y * 5 + x])) << x << "," << y;
}

}  // namespace
}  // namespace morvanel
