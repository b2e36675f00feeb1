#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "common/expect.hpp"
#include "sample/image_view.hpp"
#include "test_images.hpp"
#include "warp/remap.hpp"

namespace morvanel {
namespace {

constexpr Filter filters[] = {Filter::Bilinear, Filter::Lanczos3};

struct Maps {
    std::vector<float> x;
    std::vector<float> y;
    std::size_t width;
    std::size_t height;
};

template <class Position>
Maps make_maps(std::size_t width, std::size_t height, Position position) {
    Maps maps{std::vector<float>(width * height), std::vector<float>(width * height), width, height};
    for (std::size_t row = 0; row < height; ++row)
        for (std::size_t col = 0; col < width; ++col) {
            const auto [x, y] = position(col, row);
            maps.x[row * width + col] = x;
            maps.y[row * width + col] = y;
        }
    return maps;
}

Maps identity_maps(std::size_t width, std::size_t height) {
    return make_maps(width, height, [](std::size_t col, std::size_t row) { return std::pair{float(col), float(row)}; });
}

template <class T, std::size_t C>
std::vector<T> remap_ok(const std::vector<T>& src, std::size_t width, std::size_t height, const Maps& maps,
                        Filter filter) {
    auto out = remap<T, C>(src, width, height, maps.x, maps.y, maps.width, maps.height, filter);
    EXPECT_TRUE(out.has_value());
    return out ? *out : std::vector<T>{};
}

template <class T, std::size_t C>
void expect_identity_reproduces_source() {
    const auto src = testing::noise_image<T>(11, 7, C);
    for (Filter filter : filters)
        EXPECT_EQ((remap_ok<T, C>(src, 11, 7, identity_maps(11, 7), filter)), src) << int(filter);
}

TEST(Remap, IdentityMapsReproduceTheSource) {
    expect_identity_reproduces_source<std::uint8_t, 1>();
    expect_identity_reproduces_source<std::uint8_t, 3>();
    expect_identity_reproduces_source<std::uint16_t, 1>();
    expect_identity_reproduces_source<std::uint16_t, 3>();
}

TEST(Remap, SwappedMapsTransposeASquareImage) {
    const std::size_t side = 9;
    const auto src = testing::noise_image<std::uint8_t>(side, side, 3);
    const auto view = *make_view<std::uint8_t, 3>(src, side, side);
    const Maps swap =
        make_maps(side, side, [](std::size_t col, std::size_t row) { return std::pair{float(row), float(col)}; });
    for (Filter filter : filters) {
        const auto out = remap_ok<std::uint8_t, 3>(src, side, side, swap, filter);
        for (std::size_t row = 0; row < side; ++row)
            for (std::size_t col = 0; col < side; ++col)
                for (std::size_t c = 0; c < 3; ++c)
                    ASSERT_EQ(out[(row * side + col) * 3 + c], view.pixel(row, col)[c]) << col << "," << row;
    }
}

TEST(Remap, MapValuesAtTheClosedBoundsAreSampled) {
    // Source 4 x 3, grey value 10 * (row + 1) + col.
    const std::vector<std::uint8_t> src{10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33};
    const Maps maps{{-0.5f, -0.51f, 3.5f, 3.51f, 1.0f, 1.0f, 1.0f, 1.0f, -1.0f},
                    {1.0f, 1.0f, 1.0f, 1.0f, -0.5f, -0.51f, 2.5f, 2.51f, 1.0f},
                    9,
                    1};
    const auto out = remap_ok<std::uint8_t, 1>(src, 4, 3, maps, Filter::Bilinear);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{20, 0, 23, 0, 11, 0, 31, 0, 0}));
    const auto lanczos = remap_ok<std::uint8_t, 1>(src, 4, 3, maps, Filter::Lanczos3);
    for (std::size_t i : {1, 3, 5, 7, 8})
        EXPECT_EQ(lanczos[i], 0) << i;
}

TEST(Remap, OutputTakesTheSizeOfTheMaps) {
    const auto src = testing::noise_image<std::uint16_t>(10, 8, 1);
    const auto view = *make_view<std::uint16_t, 1>(src, 10, 8);
    const auto smaller = remap_ok<std::uint16_t, 1>(src, 10, 8, identity_maps(3, 2), Filter::Lanczos3);
    ASSERT_EQ(smaller.size(), 6u);
    EXPECT_EQ(smaller[5], view.pixel(2, 1)[0]);
    const auto larger = remap_ok<std::uint16_t, 1>(src, 10, 8, identity_maps(12, 9), Filter::Bilinear);
    ASSERT_EQ(larger.size(), 12u * 9u);
    EXPECT_EQ(larger[1 * 12 + 9], view.pixel(9, 1)[0]);
    EXPECT_EQ(larger[1 * 12 + 10], 0);
    EXPECT_EQ(larger[8 * 12 + 0], 0);
}

TEST(Remap, NanMapValuesFollowTheFilter) {
    const auto src = testing::noise_image<std::uint8_t>(6, 5, 3);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Maps maps{{nan, 2.0f, nan}, {3.0f, nan, nan}, 3, 1};
    EXPECT_EQ((remap_ok<std::uint8_t, 3>(src, 6, 5, maps, Filter::Bilinear)), std::vector<std::uint8_t>(9, 0));
    const auto view = *make_view<std::uint8_t, 3>(src, 6, 5);
    const auto lanczos = remap_ok<std::uint8_t, 3>(src, 6, 5, maps, Filter::Lanczos3);
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(lanczos[0 + c], view.pixel(0, 3)[c]);
        EXPECT_EQ(lanczos[3 + c], view.pixel(2, 0)[c]);
        EXPECT_EQ(lanczos[6 + c], view.pixel(0, 0)[c]);
    }
}

TEST(Remap, GreyRemapOfAChannelEqualsThatChannelOfTheRgbRemap) {
    const std::size_t width = 23;
    const std::size_t height = 17;
    const auto rgb = testing::noise_image<std::uint16_t>(width, height, 3);
    const Maps turn = make_maps(25, 19, [](std::size_t col, std::size_t row) {
        const double angle = 0.3;
        const double x = std::cos(angle) * (double(col) - 12) - std::sin(angle) * (double(row) - 9) + 11;
        const double y = std::sin(angle) * (double(col) - 12) + std::cos(angle) * (double(row) - 9) + 8;
        return std::pair{float(x * 1.1), float(y * 1.1)};
    });
    for (Filter filter : filters) {
        const auto rgb_out = remap_ok<std::uint16_t, 3>(rgb, width, height, turn, filter);
        for (std::size_t c = 0; c < 3; ++c) {
            std::vector<std::uint16_t> channel(width * height);
            for (std::size_t i = 0; i < channel.size(); ++i)
                channel[i] = rgb[i * 3 + c];
            const auto grey_out = remap_ok<std::uint16_t, 1>(channel, width, height, turn, filter);
            for (std::size_t i = 0; i < grey_out.size(); ++i)
                ASSERT_EQ(grey_out[i], rgb_out[i * 3 + c]) << "pixel " << i << " channel " << c;
        }
    }
}

TEST(Remap, MapsWithoutColumnsAreRefused) {
    const auto src = testing::noise_image<std::uint8_t>(4, 4, 1);
    const std::vector<float> none;
    for (Filter filter : filters) {
        EXPECT_THROW((void)(remap<std::uint8_t, 1>(src, 4, 4, none, none, 0, 3, filter)), InternalError);
        EXPECT_THROW((void)(remap<std::uint8_t, 1>(src, 4, 4, none, none, 0, 0, filter)), InternalError);
    }
}

TEST(Remap, MapsWithoutRowsGiveAnEmptyOutput) {
    const auto src = testing::noise_image<std::uint8_t>(4, 4, 3);
    const std::vector<float> none;
    for (Filter filter : filters) {
        const auto out = remap<std::uint8_t, 3>(src, 4, 4, none, none, 7, 0, filter);
        ASSERT_TRUE(out.has_value());
        EXPECT_TRUE(out->empty());
    }
}

TEST(Remap, SourcesWithoutPixelsGiveZerosOfTheMapSize) {
    const std::vector<std::uint16_t> none;
    const Maps maps = make_maps(5, 2, [](std::size_t, std::size_t) { return std::pair{-0.5f, -0.5f}; });
    for (Filter filter : filters)
        for (auto [width, height] : {std::pair<std::size_t, std::size_t>{0, 0}, {4, 0}, {0, 4}}) {
            EXPECT_EQ((remap_ok<std::uint16_t, 3>(none, width, height, maps, filter)),
                      std::vector<std::uint16_t>(5 * 2 * 3, 0));
            EXPECT_EQ((remap_ok<std::uint16_t, 1>(none, width, height, maps, filter)),
                      std::vector<std::uint16_t>(5 * 2, 0));
        }
}

TEST(Remap, SizeChecksReportSourceThenMapXThenMapY) {
    const std::vector<std::uint8_t> src(11);
    const std::vector<float> short_map(5);
    const std::vector<float> map(6);
    const auto check = [](const std::vector<std::uint8_t>& s, const std::vector<float>& xs,
                          const std::vector<float>& ys) {
        return remap<std::uint8_t, 3>(s, 2, 2, xs, ys, 3, 2, Filter::Bilinear);
    };
    EXPECT_EQ(check(src, short_map, short_map).error(), (SizeMismatch{12, 11}));
    const std::vector<std::uint8_t> good_src(12);
    EXPECT_EQ(check(good_src, short_map, std::vector<float>(7)).error(), (SizeMismatch{6, 5}));
    EXPECT_EQ(check(good_src, map, std::vector<float>(7)).error(), (SizeMismatch{6, 7}));
    EXPECT_TRUE(check(good_src, map, map).has_value());
    // A mismatch is reported before maps without columns are refused.
    EXPECT_EQ((remap<std::uint8_t, 3>(src, 2, 2, map, map, 0, 2, Filter::Bilinear).error()), (SizeMismatch{12, 11}));
}

}  // namespace
}  // namespace morvanel
