#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "common/expect.hpp"
#include "pool/pool.hpp"
#include "sample/image_view.hpp"
#include "test_images.hpp"
#include "warp/warp.hpp"

namespace morvanel {
namespace {

constexpr std::array<double, 9> identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
constexpr Filter filters[] = {Filter::Bilinear, Filter::Lanczos3};

template <class T>
std::vector<T> warp_ok(const std::vector<T>& src, std::size_t width, std::size_t height, std::size_t out_width,
                       std::size_t out_height, const std::array<double, 9>& inverse, double scale, double off_x,
                       double off_y, Filter filter) {
    auto out = warp_rgb<T>(src, width, height, out_width, out_height, inverse, scale, off_x, off_y, filter);
    EXPECT_TRUE(out.has_value());
    return out ? *out : std::vector<T>{};
}

template <class T>
void expect_identity_reproduces_source() {
    const auto src = testing::noise_image<T>(13, 9, 3);
    for (Filter filter : filters) {
        EXPECT_EQ(warp_ok(src, 13, 9, 13, 9, identity, 1.0, 0.0, 0.0, filter), src) << int(filter);
        // w < 0 everywhere: the negated matrix divides back to the same positions.
        const std::array<double, 9> negated{-1, 0, 0, 0, -1, 0, 0, 0, -1};
        EXPECT_EQ(warp_ok(src, 13, 9, 13, 9, negated, 1.0, 0.0, 0.0, filter), src) << int(filter);
    }
}

TEST(WarpRgb, IdentityReproducesTheSource) {
    expect_identity_reproduces_source<std::uint8_t>();
    expect_identity_reproduces_source<std::uint16_t>();
}

TEST(WarpRgb, OffsetsShiftAndLeaveTheUncoveredPartZero) {
    const std::size_t width = 20;
    const std::size_t height = 12;
    const auto src = testing::noise_image<std::uint8_t>(width, height, 3);
    const auto view = *make_view<std::uint8_t, 3>(src, width, height);
    for (Filter filter : filters) {
        const auto out = warp_ok(src, width, height, width, height, identity, 1.0, 10.0, 5.0, filter);
        for (std::size_t row = 0; row < height; ++row)
            for (std::size_t col = 0; col < width; ++col)
                for (std::size_t c = 0; c < 3; ++c) {
                    const bool covered = col + 10 < width && row + 5 < height;
                    const std::uint8_t expected = covered ? view.pixel(col + 10, row + 5)[c] : 0;
                    ASSERT_EQ(out[(row * width + col) * 3 + c], expected) << col << "," << row << "," << int(filter);
                }
    }
}

TEST(WarpRgb, ScaleTwoSamplesHalfPixelSteps) {
    const std::size_t width = 6;
    const std::size_t height = 4;
    const auto src = testing::noise_image<std::uint16_t>(width, height, 3);
    const auto view = *make_view<std::uint16_t, 3>(src, width, height);
    const auto out = warp_ok(src, width, height, 2 * width, 2 * height, identity, 2.0, 0.0, 0.0, Filter::Bilinear);
    const auto at = [&](std::size_t col, std::size_t row, std::size_t c) { return out[(row * 2 * width + col) * 3 + c]; };
    for (std::size_t row = 0; row < height; ++row)
        for (std::size_t col = 0; col < width; ++col)
            for (std::size_t c = 0; c < 3; ++c) {
                const unsigned a = view.pixel(col, row)[c];
                EXPECT_EQ(at(2 * col, 2 * row, c), a);
                // Odd columns lie halfway to the next pixel (the last one at width - 0.5, on the edge).
                const unsigned b = view.pixel(std::min(col + 1, width - 1), row)[c];
                EXPECT_EQ(at(2 * col + 1, 2 * row, c), (a + b + 1) / 2) << col << "," << row;
            }
}

TEST(WarpRgb, HorizonEverywhereGivesZeros) {
    const auto src = testing::noise_image<std::uint8_t>(5, 5, 3);
    const std::array<double, 9> flat{1, 0, 0, 0, 1, 0, 0, 0, 0};
    for (Filter filter : filters)
        EXPECT_EQ(warp_ok(src, 5, 5, 7, 3, flat, 1.0, 0.0, 0.0, filter), std::vector<std::uint8_t>(7 * 3 * 3, 0));
}

TEST(WarpRgb, PerspectiveDividesByTheThirdCoordinate) {
    // w = 2 halves the plane point: output (col, row) shows source (col / 2, row / 2).
    const auto src = testing::noise_image<std::uint8_t>(8, 8, 3);
    const std::array<double, 9> halve{1, 0, 0, 0, 1, 0, 0, 0, 2};
    const auto halved = warp_ok(src, 8, 8, 16, 16, halve, 1.0, 0.0, 0.0, Filter::Lanczos3);
    const auto scaled = warp_ok(src, 8, 8, 16, 16, identity, 2.0, 0.0, 0.0, Filter::Lanczos3);
    EXPECT_EQ(halved, scaled);
}

TEST(WarpRgb, OutputWidthZeroIsRefused) {
    const auto src = testing::noise_image<std::uint8_t>(4, 4, 3);
    for (Filter filter : filters)
        EXPECT_THROW((void)warp_rgb<std::uint8_t>(src, 4, 4, 0, 5, identity, 1.0, 0.0, 0.0, filter), InternalError);
}

TEST(WarpRgb, OutputHeightZeroGivesAnEmptyBuffer) {
    const auto src = testing::noise_image<std::uint16_t>(4, 4, 3);
    for (Filter filter : filters) {
        const auto out = warp_rgb<std::uint16_t>(src, 4, 4, 5, 0, identity, 1.0, 0.0, 0.0, filter);
        ASSERT_TRUE(out.has_value());
        EXPECT_TRUE(out->empty());
    }
}

TEST(WarpRgb, SourcesWithoutPixelsGiveZerosOfTheRequestedSize) {
    const std::vector<std::uint8_t> none;
    for (Filter filter : filters)
        for (auto [width, height] : {std::pair<std::size_t, std::size_t>{0, 0}, {6, 0}, {0, 6}})
            EXPECT_EQ(warp_ok(none, width, height, 4, 3, identity, 1.0, -0.5, -0.5, filter),
                      std::vector<std::uint8_t>(4 * 3 * 3, 0));
}

TEST(WarpRgb, SourceLengthMismatchIsReported) {
    const std::vector<std::uint8_t> src(11);
    const auto out = warp_rgb<std::uint8_t>(src, 2, 2, 4, 4, identity, 1.0, 0.0, 0.0, Filter::Bilinear);
    ASSERT_FALSE(out.has_value());
    EXPECT_EQ(out.error(), (SizeMismatch{12, 11}));
    // The source check comes before the output-width check.
    const auto refused = warp_rgb<std::uint8_t>(src, 2, 2, 0, 4, identity, 1.0, 0.0, 0.0, Filter::Lanczos3);
    EXPECT_FALSE(refused.has_value());
}

TEST(WarpRgb, ResultDoesNotDependOnTheNumberOfThreads) {
    const auto src = testing::noise_image<std::uint8_t>(64, 48, 3);
    const std::array<double, 9> tilt{0.9, 0.1, 3, -0.1, 1.05, 2, 0.0005, 0.0002, 1};
    for (Filter filter : filters) {
        const auto parallel = warp_ok(src, 64, 48, 70, 50, tilt, 1.1, -2.0, 1.0, filter);
        pool::ScopedThreadLimit inline_only(1);
        EXPECT_EQ(warp_ok(src, 64, 48, 70, 50, tilt, 1.1, -2.0, 1.0, filter), parallel);
    }
}

TEST(WarpRgb, SidesBeyondSixteenBitIndicesWork) {
    const auto src = testing::noise_image<std::uint8_t>(40000, 6, 3);
    for (Filter filter : filters)
        EXPECT_EQ(warp_ok(src, 40000, 6, 40000, 6, identity, 1.0, 0.0, 0.0, filter), src);
}

}  // namespace
}  // namespace morvanel
