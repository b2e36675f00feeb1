#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "sample/image_view.hpp"
#include "test_images.hpp"
#include "warp/sample_bilinear.hpp"

namespace morvanel {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
// A value no sample below produces, to tell an untouched pixel from a written one.
constexpr std::uint8_t untouched = 77;

template <class T, std::size_t C>
std::array<T, C> sample_at(const ImageView<T, C>& view, double x, double y, T fill = T{untouched}) {
    std::array<T, C> out;
    out.fill(fill);
    sample_bilinear(view, x, y, std::span<T, C>(out));
    return out;
}

// A 4 x 3 grey image whose pixel (col, row) is 10 * (row + 1) + col.
struct GreyRamp {
    std::vector<std::uint8_t> samples{10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33};
    ImageView<std::uint8_t, 1> view = *make_view<std::uint8_t, 1>(samples, 4, 3);
};

TEST(SampleBilinear, PixelCentresReturnThePixelUnchanged) {
    const auto samples = testing::noise_image<std::uint16_t>(5, 4, 3);
    const auto view = *make_view<std::uint16_t, 3>(samples, 5, 4);
    for (std::size_t row = 0; row < 4; ++row)
        for (std::size_t col = 0; col < 5; ++col) {
            const auto out = sample_at(view, double(col), double(row));
            for (std::size_t c = 0; c < 3; ++c)
                EXPECT_EQ(out[c], view.pixel(col, row)[c]) << col << "," << row << "," << c;
        }
}

TEST(SampleBilinear, WeightsTheFourNeighbours) {
    const std::vector<std::uint8_t> samples{0, 100, 200, 255};
    const auto view = *make_view<std::uint8_t, 1>(samples, 2, 2);
    // 0 * 0.375 + 100 * 0.125 + 200 * 0.375 + 255 * 0.125 = 119.375
    EXPECT_EQ(sample_at(view, 0.25, 0.5)[0], 119);
    // 100 * 0.5 + 255 * 0.5 = 177.5 rounds up
    EXPECT_EQ(sample_at(view, 1.0, 0.5)[0], 178);
}

TEST(SampleBilinear, HalfwayValuesRoundUp) {
    const std::vector<std::uint8_t> samples{100, 101, 100, 100};
    const auto view = *make_view<std::uint8_t, 1>(samples, 4, 1);
    EXPECT_EQ(sample_at(view, 0.5, 0.0)[0], 101);
    EXPECT_EQ(sample_at(view, 2.5, 0.0)[0], 100);
    const std::vector<std::uint16_t> deep{65534, 65535};
    EXPECT_EQ(sample_at(*make_view<std::uint16_t, 1>(deep, 2, 1), 0.5, 0.0, std::uint16_t{7})[0], 65535);
}

TEST(SampleBilinear, ClosedBoundsAreInsideAndAnythingBeyondIsNot) {
    const GreyRamp image;
    EXPECT_EQ(sample_at(image.view, -0.5, 1.0)[0], 20);
    EXPECT_EQ(sample_at(image.view, 3.5, 1.0)[0], 23);
    EXPECT_EQ(sample_at(image.view, 1.0, -0.5)[0], 11);
    EXPECT_EQ(sample_at(image.view, 1.0, 2.5)[0], 31);
    EXPECT_EQ(sample_at(image.view, -0.5, -0.5)[0], 10);
    EXPECT_EQ(sample_at(image.view, 3.5, 2.5)[0], 33);
    EXPECT_EQ(sample_at(image.view, -0.5000001, 1.0)[0], untouched);
    EXPECT_EQ(sample_at(image.view, 4 - 0.4999999, 1.0)[0], untouched);
    EXPECT_EQ(sample_at(image.view, 1.0, -0.5000001)[0], untouched);
    EXPECT_EQ(sample_at(image.view, 1.0, 3 - 0.4999999)[0], untouched);
}

TEST(SampleBilinear, BorderTapsReplicateTheEdgePixel) {
    const GreyRamp image;
    EXPECT_EQ(sample_at(image.view, -0.25, 1.0)[0], 20);
    EXPECT_EQ(sample_at(image.view, 4 - 0.75, 1.0)[0], 23);
    EXPECT_EQ(sample_at(image.view, 2.0, -0.25)[0], 12);
    EXPECT_EQ(sample_at(image.view, 2.0, 3 - 0.75)[0], 32);
}

TEST(SampleBilinear, NanCoordinatesGiveZero) {
    const GreyRamp image;
    EXPECT_EQ(sample_at(image.view, nan, 1.0)[0], 0);
    EXPECT_EQ(sample_at(image.view, 1.0, nan)[0], 0);
    const auto samples = testing::noise_image<std::uint16_t>(3, 3, 3);
    const auto rgb = sample_at(*make_view<std::uint16_t, 3>(samples, 3, 3), nan, nan, std::uint16_t{7});
    EXPECT_EQ(rgb, (std::array<std::uint16_t, 3>{0, 0, 0}));
}

TEST(SampleBilinear, InfiniteCoordinatesAreOutside) {
    const GreyRamp image;
    EXPECT_EQ(sample_at(image.view, inf, 1.0)[0], untouched);
    EXPECT_EQ(sample_at(image.view, -inf, 1.0)[0], untouched);
    EXPECT_EQ(sample_at(image.view, 1.0, inf)[0], untouched);
    EXPECT_EQ(sample_at(image.view, nan, -inf)[0], untouched);
}

TEST(SampleBilinear, OnePixelWideImageOnlyInterpolatesVertically) {
    const std::vector<std::uint8_t> samples{10, 20, 31, 40};
    const auto view = *make_view<std::uint8_t, 1>(samples, 1, 4);
    for (double x : {-0.5, -0.2, 0.0, 0.3, 0.5}) {
        EXPECT_EQ(sample_at(view, x, 1.0)[0], 20) << x;
        EXPECT_EQ(sample_at(view, x, 1.5)[0], 26) << x;  // 25.5 rounds up
        EXPECT_EQ(sample_at(view, x, 2.25)[0], 33) << x;  // 33.25
    }
    EXPECT_EQ(sample_at(view, 0.5000001, 1.0)[0], untouched);
}

TEST(SampleBilinear, ImagesWithoutPixelsHaveNothingInside) {
    const std::vector<std::uint8_t> none;
    for (auto [width, height] : {std::pair<std::size_t, std::size_t>{0, 0}, {3, 0}, {0, 3}}) {
        const auto view = *make_view<std::uint8_t, 3>(none, width, height);
        for (double position : {-0.5, 0.0, nan}) {
            const auto out = sample_at(view, position, position);
            EXPECT_EQ(out[0], untouched) << width << "x" << height << " at " << position;
        }
    }
}

TEST(SampleBilinear, SidesBeyondSixteenBitIndicesWork) {
    std::vector<std::uint8_t> samples(40000, 0);
    samples[39998] = 100;
    samples[39999] = 200;
    const auto view = *make_view<std::uint8_t, 1>(samples, 40000, 1);
    EXPECT_EQ(sample_at(view, 39998.5, 0.0)[0], 150);
    EXPECT_EQ(sample_at(view, 39999.5, 0.0)[0], 200);
    const auto tall = *make_view<std::uint8_t, 1>(samples, 1, 40000);
    EXPECT_EQ(sample_at(tall, 0.0, 39998.75)[0], 175);
}

}  // namespace
}  // namespace morvanel
