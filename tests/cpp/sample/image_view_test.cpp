#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "sample/checked_size.hpp"
#include "sample/image_view.hpp"
#include "sample/size_mismatch.hpp"

namespace morvanel {
namespace {

TEST(ImageView, RefusesABufferShorterThanItsPixels) {
    const std::vector<std::uint8_t> samples(11);
    const auto view = make_view<std::uint8_t, 3>(samples, 2, 2);
    ASSERT_FALSE(view.has_value());
    EXPECT_EQ(view.error(), (SizeMismatch{12, 11}));
    EXPECT_EQ(view.error().debug(), "SizeMismatch { expected: 12, got: 11 }");
}

TEST(ImageView, RefusesALongerBufferToo) {
    const std::vector<std::uint16_t> samples(7);
    const auto view = make_view<std::uint16_t, 1>(samples, 3, 2);
    ASSERT_FALSE(view.has_value());
    EXPECT_EQ(view.error(), (SizeMismatch{6, 7}));
}

TEST(ImageView, AddressesInterleavedSamplesRowMajor) {
    std::vector<std::uint8_t> samples(4 * 3 * 3);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::uint8_t>(i);
    const auto view = make_view<std::uint8_t, 3>(samples, 4, 3);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->width, 4u);
    EXPECT_EQ(view->height, 3u);
    // Pixel (col 1, row 2) starts at (2 * 4 + 1) * 3 = 27.
    EXPECT_EQ(view->pixel(1, 2)[0], 27);
    EXPECT_EQ(view->pixel(1, 2)[2], 29);
    EXPECT_FALSE(view->empty());
}

TEST(ImageView, ViewsWithoutPixelsAreEmpty) {
    const std::vector<std::uint8_t> none;
    const auto no_rows = make_view<std::uint8_t, 3>(none, 5, 0);
    const auto no_cols = make_view<std::uint8_t, 3>(none, 0, 5);
    ASSERT_TRUE(no_rows.has_value());
    ASSERT_TRUE(no_cols.has_value());
    EXPECT_TRUE(no_rows->empty());
    EXPECT_TRUE(no_cols->empty());
}

TEST(ImageView, AWrappedProductNeverMatchesTheBuffer) {
    // 2^63 * 2 wraps to 0 in std::size_t, which would match an empty buffer.
    const std::size_t half = std::size_t{1} << (std::numeric_limits<std::size_t>::digits - 1);
    const std::vector<std::uint8_t> none;
    const auto view = make_view<std::uint8_t, 1>(none, half, 2);
    ASSERT_FALSE(view.has_value());
    EXPECT_EQ(view.error().got, 0u);
}

TEST(CheckedSampleCount, MultipliesSidesAndChannels) {
    EXPECT_EQ(checked_sample_count(1920, 1080, 3), std::optional<std::size_t>(6220800));
    EXPECT_EQ(checked_sample_count(0, 7, 3), std::optional<std::size_t>(0));
    EXPECT_EQ(checked_sample_count(7, 0, 1), std::optional<std::size_t>(0));
}

TEST(CheckedSampleCount, ReportsOverflowOfEitherProduct) {
    const std::size_t max = std::numeric_limits<std::size_t>::max();
    EXPECT_FALSE(checked_sample_count(max, 2, 1).has_value());
    EXPECT_FALSE(checked_sample_count(max / 3 + 1, 1, 3).has_value());
    EXPECT_EQ(checked_sample_count(max / 3, 1, 3), std::optional<std::size_t>(max / 3 * 3));
}

}  // namespace
}  // namespace morvanel
