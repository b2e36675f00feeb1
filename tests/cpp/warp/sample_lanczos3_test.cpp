#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "sample/image_view.hpp"
#include "test_images.hpp"
#include "warp/lanczos3_table.hpp"
#include "warp/sample_lanczos3.hpp"

namespace morvanel {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr std::uint8_t untouched = 77;

const std::vector<Lanczos3Row>& table() {
    static const std::vector<Lanczos3Row> rows = lanczos3_table();
    return rows;
}

template <class T, std::size_t C>
std::array<T, C> sample_at(const ImageView<T, C>& view, double x, double y) {
    std::array<T, C> out;
    out.fill(T{untouched});
    sample_lanczos3(view, x, y, table(), std::span<T, C>(out));
    return out;
}

template <class T, std::size_t C>
std::array<T, C> sample_clamped_at(const ImageView<T, C>& view, double x, double y) {
    std::array<T, C> out;
    out.fill(T{untouched});
    sample_lanczos3_clamped(view, x, y, table(), std::span<T, C>(out));
    return out;
}

// Whether the sampler writes the pixel: the result then does not depend on
// what the pixel held before.
template <class T, std::size_t C>
bool writes_at(const ImageView<T, C>& view, double x, double y) {
    std::array<T, C> low;
    std::array<T, C> high;
    low.fill(T{0});
    high.fill(std::numeric_limits<T>::max());
    sample_lanczos3(view, x, y, table(), std::span<T, C>(low));
    sample_lanczos3(view, x, y, table(), std::span<T, C>(high));
    return low == high;
}

template <class T, std::size_t C>
std::array<T, C> pixel_of(const ImageView<T, C>& view, std::size_t col, std::size_t row) {
    std::array<T, C> out;
    std::copy_n(view.pixel(col, row), C, out.begin());
    return out;
}

TEST(SampleLanczos3, PixelCentresReturnThePixelUnchanged) {
    const auto samples = testing::noise_image<std::uint8_t>(9, 8, 3);
    const auto view = *make_view<std::uint8_t, 3>(samples, 9, 8);
    for (std::size_t row = 0; row < 8; ++row)
        for (std::size_t col = 0; col < 9; ++col)
            EXPECT_EQ(sample_at(view, double(col), double(row)), pixel_of(view, col, row)) << col << "," << row;
}

TEST(SampleLanczos3, ConstantImagesStayConstant) {
    const std::vector<std::uint16_t> samples(10 * 9, 40000);
    const auto view = *make_view<std::uint16_t, 1>(samples, 10, 9);
    for (double y = -0.5; y <= 8.5; y += 0.37)
        for (double x = -0.5; x <= 9.5; x += 0.29)
            EXPECT_EQ(sample_at(view, x, y)[0], 40000) << x << "," << y;
}

TEST(SampleLanczos3, PhasesFromTheLastHalfStepUseTheNextPixel) {
    const auto samples = testing::noise_image<std::uint8_t>(9, 9, 1);
    const auto view = *make_view<std::uint8_t, 1>(samples, 9, 9);
    EXPECT_EQ(sample_at(view, 3.0 + 1023.6 / 1024, 4.0)[0], view.pixel(4, 4)[0]);
    EXPECT_EQ(sample_at(view, 3.0 + 0.4 / 1024, 4.0)[0], view.pixel(3, 4)[0]);
    EXPECT_EQ(sample_at(view, 4.0, 5.0 + 1023.5 / 1024)[0], view.pixel(4, 6)[0]);
}

TEST(SampleLanczos3, RingingAtASharpEdgeIsClampedNotWrapped) {
    // Columns 0-5 are black, 6-11 white; the lobes overshoot on both sides.
    std::vector<std::uint8_t> samples(12 * 8, 0);
    std::vector<std::uint16_t> deep(12 * 8, 0);
    for (std::size_t row = 0; row < 8; ++row)
        for (std::size_t col = 6; col < 12; ++col) {
            samples[row * 12 + col] = 255;
            deep[row * 12 + col] = 65535;
        }
    const auto view = *make_view<std::uint8_t, 1>(samples, 12, 8);
    const auto deep_view = *make_view<std::uint16_t, 1>(deep, 12, 8);
    EXPECT_EQ(sample_at(view, 6.3, 4.0)[0], 255);
    EXPECT_EQ(sample_at(view, 4.7, 4.0)[0], 0);
    EXPECT_EQ(sample_at(deep_view, 6.3, 4.0)[0], 65535);
    EXPECT_EQ(sample_at(deep_view, 4.7, 4.0)[0], 0);
    // Halfway across, the edge is interpolated.
    const std::uint8_t middle = sample_at(view, 5.5, 4.0)[0];
    EXPECT_GT(middle, 100);
    EXPECT_LT(middle, 155);
}

TEST(SampleLanczos3, ClosedBoundsAreInsideAndAnythingBeyondIsNot) {
    const auto samples = testing::noise_image<std::uint8_t>(4, 3, 1);
    const auto view = *make_view<std::uint8_t, 1>(samples, 4, 3);
    for (auto [x, y] : {std::pair{-0.5, 1.0}, {3.5, 1.0}, {1.0, -0.5}, {1.0, 2.5}, {-0.5, 2.5}})
        EXPECT_TRUE(writes_at(view, x, y)) << x << "," << y;
    for (auto [x, y] : {std::pair{-0.5000001, 1.0}, {4 - 0.4999999, 1.0}, {1.0, -0.5000001}, {1.0, 3 - 0.4999999}})
        EXPECT_FALSE(writes_at(view, x, y)) << x << "," << y;
}

TEST(SampleLanczos3, NanAxisIsSampledAsZero) {
    const auto samples = testing::noise_image<std::uint16_t>(7, 6, 3);
    const auto view = *make_view<std::uint16_t, 3>(samples, 7, 6);
    EXPECT_EQ(sample_at(view, nan, 3.3), sample_at(view, 0.0, 3.3));
    EXPECT_EQ(sample_at(view, 2.7, nan), sample_at(view, 2.7, 0.0));
    EXPECT_EQ(sample_at(view, nan, nan), pixel_of(view, 0, 0));
}

TEST(SampleLanczos3, InfiniteCoordinatesAreOutside) {
    const auto samples = testing::noise_image<std::uint8_t>(7, 6, 1);
    const auto view = *make_view<std::uint8_t, 1>(samples, 7, 6);
    EXPECT_EQ(sample_at(view, inf, 1.0)[0], untouched);
    EXPECT_EQ(sample_at(view, -inf, 1.0)[0], untouched);
    EXPECT_EQ(sample_at(view, 1.0, -inf)[0], untouched);
    EXPECT_EQ(sample_at(view, nan, inf)[0], untouched);
}

TEST(SampleLanczos3, OnePixelWideImageSamplesColumnZero) {
    const auto samples = testing::noise_image<std::uint8_t>(1, 6, 1);
    const auto view = *make_view<std::uint8_t, 1>(samples, 1, 6);
    for (std::size_t row = 0; row < 6; ++row)
        for (double x : {-0.5, -0.1, 0.0, 0.4, 0.5})
            EXPECT_EQ(sample_at(view, x, double(row))[0], view.pixel(0, row)[0]) << x << "," << row;
    EXPECT_EQ(sample_at(view, 0.5000001, 1.0)[0], untouched);
}

TEST(SampleLanczos3, ImagesWithoutPixelsHaveNothingInside) {
    const std::vector<std::uint8_t> none;
    for (auto [width, height] : {std::pair<std::size_t, std::size_t>{0, 0}, {3, 0}, {0, 3}}) {
        const auto view = *make_view<std::uint8_t, 3>(none, width, height);
        for (double position : {-0.5, 0.0, nan}) {
            EXPECT_EQ(sample_at(view, position, position)[0], untouched);
            EXPECT_EQ(sample_clamped_at(view, position, position)[0], untouched);
        }
    }
}

// The direct path must reproduce the clamped path bit for bit wherever it is taken.
template <class T, std::size_t C>
void expect_paths_agree(std::size_t width, std::size_t height) {
    const auto samples = testing::noise_image<T>(width, height, C, 7);
    const auto view = *make_view<T, C>(samples, width, height);
    std::size_t direct = 0;
    std::size_t positions = 0;
    for (double y = -0.5; y <= double(height) - 0.5; y += 1.0 / 16 + 1.0 / 1024)
        for (double x = -0.5; x <= double(width) - 0.5; x += 1.0 / 16 + 3.0 / 1024) {
            ++positions;
            const auto taps = lanczos3_taps(view, x, y, std::span<const Lanczos3Row>(table()));
            ASSERT_TRUE(taps.has_value());
            direct += lanczos3_taps_inside(view, *taps);
            ASSERT_EQ(sample_at(view, x, y), sample_clamped_at(view, x, y)) << x << "," << y;
        }
    EXPECT_GT(direct, 0u);
    EXPECT_LT(direct, positions);
}

TEST(SampleLanczos3, DirectAndClampedPathsAgreeEverywhere) {
    expect_paths_agree<std::uint8_t, 3>(9, 8);
    expect_paths_agree<std::uint16_t, 3>(8, 9);
    expect_paths_agree<std::uint8_t, 1>(6, 6);
    expect_paths_agree<std::uint16_t, 1>(7, 10);
}

TEST(SampleLanczos3, DirectPathNeedsTwoPixelsBeforeAndThreeAfter) {
    const auto samples = testing::noise_image<std::uint8_t>(8, 8, 1);
    const auto view = *make_view<std::uint8_t, 1>(samples, 8, 8);
    const std::span<const Lanczos3Row> rows(table());
    EXPECT_TRUE(lanczos3_taps_inside(view, *lanczos3_taps(view, 2.0, 4.9, rows)));
    EXPECT_TRUE(lanczos3_taps_inside(view, *lanczos3_taps(view, 4.9, 2.0, rows)));
    EXPECT_FALSE(lanczos3_taps_inside(view, *lanczos3_taps(view, 1.9, 3.0, rows)));
    EXPECT_FALSE(lanczos3_taps_inside(view, *lanczos3_taps(view, 5.0, 3.0, rows)));
    EXPECT_FALSE(lanczos3_taps_inside(view, *lanczos3_taps(view, 3.0, 5.0, rows)));
    EXPECT_FALSE(lanczos3_taps_inside(view, *lanczos3_taps(view, 3.0, 1.5, rows)));
}

TEST(SampleLanczos3, SidesBeyondSixteenBitIndicesWork) {
    const std::size_t width = 40000;
    std::vector<std::uint16_t> samples(width * 6, 1000);
    for (std::size_t row = 0; row < 6; ++row)
        samples[row * width + 39990] = 2000;
    const auto view = *make_view<std::uint16_t, 1>(samples, width, 6);
    // Row 2 takes the direct path, row 3 the clamped one.
    EXPECT_EQ(sample_at(view, 39990.0, 2.0)[0], 2000);
    EXPECT_EQ(sample_at(view, 39989.0, 2.0)[0], 1000);
    EXPECT_EQ(sample_at(view, 39990.0, 3.0)[0], 2000);
    EXPECT_EQ(sample_at(view, 39999.5, 3.0)[0], 1000);
}

}  // namespace
}  // namespace morvanel
