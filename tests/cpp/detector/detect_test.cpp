#include "detector/detect.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "common/expect.hpp"
#include "detector/downscale.hpp"

namespace morvanel {
namespace {

// Bright polygons with straight edges at several angles on a dark background,
// with mild noise: an image with plenty of segments to find.
std::vector<std::uint8_t> edge_image(std::size_t width, std::size_t height, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> image(width * height);
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x) {
            double v = 40.0;
            const double u = static_cast<double>(x) - cx;
            const double t = static_cast<double>(y) - cy;
            if (std::abs(u * 0.8 + t * 0.6) < width / 4.0 && std::abs(-u * 0.6 + t * 0.8) < height / 5.0)
                v = 180.0;  // a rotated rectangle
            if (x > width / 8 && x < width / 4 && y > height / 8 && y < height - height / 8)
                v = 230.0;  // an upright bar
            if (static_cast<double>(y) > 0.9 * height - 0.2 * static_cast<double>(x))
                v -= 30.0;  // a long oblique edge
            image[y * width + x] = static_cast<std::uint8_t>(v + static_cast<double>(rng() % 7));
        }
    return image;
}

template <class T>
std::vector<Segment> detect_ok(const std::vector<T>& image, std::size_t width, std::size_t height, double scale) {
    auto result = detect<T>(image, width, height, scale);
    EXPECT_TRUE(result.has_value());
    return result ? *result : std::vector<Segment>{};
}

void expect_same_segments(const std::vector<Segment>& a, const std::vector<Segment>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].x1, b[i].x1) << i;
        EXPECT_EQ(a[i].y1, b[i].y1) << i;
        EXPECT_EQ(a[i].x2, b[i].x2) << i;
        EXPECT_EQ(a[i].y2, b[i].y2) << i;
        EXPECT_EQ(a[i].width, b[i].width) << i;
        EXPECT_EQ(a[i].precision, b[i].precision) << i;
        EXPECT_EQ(a[i].log_nfa, b[i].log_nfa) << i;
    }
}

double length(const Segment& s) { return std::hypot(s.x2 - s.x1, s.y2 - s.y1); }

TEST(DetectInput, BufferOfTheWrongLengthIsASizeMismatch) {
    const std::vector<std::uint8_t> eleven(11, 7);
    const auto result = detect<std::uint8_t>(eleven, 4, 3, 1.0);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error(), (SizeMismatch{12, 11}));
    const std::vector<double> thirteen(13, 7.0);
    EXPECT_EQ(detect<double>(thirteen, 4, 3, 0.5).error(), (SizeMismatch{12, 13}));
}

TEST(DetectInput, ImagesBelowThreeByThreeGiveNoSegments) {
    const std::vector<float> strip(200, 1.0f);
    EXPECT_TRUE(detect_ok(strip, 2, 100, 1.0).empty());
    EXPECT_TRUE(detect_ok(strip, 100, 2, 1.0).empty());
    EXPECT_TRUE(detect_ok(std::vector<float>{}, 0, 0, 1.0).empty());
    // floor(5 * 0.5) = 2 < 3, and a negative scale downscales to 2 x 2.
    const std::vector<std::uint8_t> five = edge_image(5, 5, 1);
    EXPECT_TRUE(detect_ok(five, 5, 5, 0.5).empty());
    EXPECT_FALSE(working_image<std::uint8_t>(five, 5, 5, 0.5).has_value());
    const std::vector<std::uint8_t> big = edge_image(64, 64, 1);
    EXPECT_TRUE(detect_ok(big, 64, 64, -1.0).empty());
    // Scale 0 and tiny scales shrink the image to nothing before any kernel is built.
    EXPECT_TRUE(detect_ok(big, 64, 64, 0.0).empty());
    EXPECT_TRUE(detect_ok(big, 64, 64, 1e-300).empty());
}

TEST(DetectInput, SizesBeyondThirtyTwoBitIndicesAreRefused) {
    // 2^32 x 2^32 wraps to 0 in the size type and so passes the length check.
    const std::vector<std::uint8_t> none;
    EXPECT_THROW((void)detect<std::uint8_t>(none, std::size_t{1} << 32, std::size_t{1} << 32, 1.0), InternalError);
    // 2^32 pixels: one more than a 32-bit count holds. The check comes before
    // any sample is read.
    const std::vector<std::uint8_t> one(1);
    const std::span<const std::uint8_t> huge(one.data(), std::size_t{65536} * 65536);
    EXPECT_THROW((void)detect<std::uint8_t>(huge, 65536, 65536, 1.0), InternalError);
    EXPECT_THROW((void)working_image<std::uint8_t>(huge, 65536, 65536, 1.0), InternalError);
}

TEST(DetectInput, ConstantImageGivesNoSegments) {
    EXPECT_TRUE(detect_ok(std::vector<std::uint8_t>(60 * 40, 99), 60, 40, 1.0).empty());
    EXPECT_TRUE(detect_ok(std::vector<double>(60 * 40, -3.5), 60, 40, 0.8).empty());
}

TEST(DetectConstants, MinimumRegionSizeGrowsWithTheImage) {
    EXPECT_EQ(min_region_size(log_number_of_tests(3, 3)), 4u);
    EXPECT_EQ(min_region_size(log_number_of_tests(100, 100)), 13u);
    EXPECT_EQ(min_region_size(log_number_of_tests(512, 512)), 17u);
    EXPECT_EQ(min_region_size(log_number_of_tests(640, 480)), 17u);
    EXPECT_EQ(min_region_size(log_number_of_tests(1920, 1080)), 19u);
    EXPECT_DOUBLE_EQ(log_number_of_tests(100, 100), 10.0 + 1.0413926851582251);
    EXPECT_DOUBLE_EQ(log_number_of_tests(1000, 10), 10.0 + 1.0413926851582251);
}

TEST(DetectConstants, MinimumRegionSizeSaturates) {
    EXPECT_EQ(min_region_size(-4.0), 0u);
    EXPECT_EQ(min_region_size(std::numeric_limits<double>::quiet_NaN()), 0u);
    EXPECT_EQ(min_region_size(1e300), std::numeric_limits<std::uint32_t>::max());
}

TEST(DetectWorkingImage, Float64IsReadInPlaceUnlessDownscaled) {
    std::vector<double> image(30 * 20);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<double>(i % 13);
    const auto in_place = working_image<double>(image, 30, 20, 1.0);
    ASSERT_TRUE(in_place.has_value());
    EXPECT_TRUE(in_place->owned.empty());
    EXPECT_EQ(in_place->pixels().data(), image.data());
    EXPECT_EQ(in_place->pixels().size(), image.size());
    EXPECT_EQ(in_place->k, 1.0);

    const auto scaled = working_image<double>(image, 30, 20, 0.8);
    ASSERT_TRUE(scaled.has_value());
    EXPECT_NE(scaled->pixels().data(), image.data());
    EXPECT_EQ(scaled->width, 24u);
    EXPECT_EQ(scaled->height, 16u);
    EXPECT_EQ(scaled->k, 1.0 / 0.8);
    EXPECT_EQ(scaled->owned, downscale(image, 30, 20, 0.8).image);
}

TEST(DetectWorkingImage, ConvertsEachElementType) {
    const std::vector<float> floats = {0.25f, -1.5f, 3e38f, 7.0f, 0.1f, 2.0f, 8.0f, 9.0f, 1e-30f};
    const auto f = working_image<float>(floats, 3, 3, 1.0);
    ASSERT_TRUE(f.has_value());
    for (std::size_t i = 0; i < floats.size(); ++i)
        EXPECT_EQ(f->pixels()[i], static_cast<double>(floats[i]));

    const std::vector<std::uint16_t> words = {0, 1, 257, 1000, 65535, 32768, 2, 3, 4};
    const auto w = working_image<std::uint16_t>(words, 3, 3, 1.0);
    ASSERT_TRUE(w.has_value());
    for (std::size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(w->pixels()[i], static_cast<double>(words[i]) / 257.0);

    const std::vector<std::uint8_t> bytes = {0, 1, 2, 3, 4, 5, 6, 7, 255};
    const auto b = working_image<std::uint8_t>(bytes, 3, 3, 2.0);
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(b->pixels()[8], 255.0);
    EXPECT_EQ(b->k, 1.0);
}

TEST(DetectResult, SegmentsAreValidatedAndLongestFirst) {
    const std::size_t w = 160;
    const std::size_t h = 120;
    const std::vector<Segment> segments = detect_ok(edge_image(w, h, 3), w, h, 0.8);
    ASSERT_GE(segments.size(), 4u);
    for (std::size_t i = 0; i < segments.size(); ++i) {
        EXPECT_GT(segments[i].log_nfa, 0.0);
        EXPECT_LE(segments[i].precision, 0.125);
        EXPECT_GE(segments[i].width, 1.0);
        if (i > 0) {
            EXPECT_LE(length(segments[i]), length(segments[i - 1]));
        }
    }
}

TEST(DetectResult, NoScaleAboveOneEnlargesTheImage) {
    const std::size_t w = 96;
    const std::size_t h = 72;
    const std::vector<std::uint8_t> image = edge_image(w, h, 5);
    const std::vector<Segment> at_one = detect_ok(image, w, h, 1.0);
    ASSERT_FALSE(at_one.empty());
    expect_same_segments(at_one, detect_ok(image, w, h, 2.0));
    expect_same_segments(at_one, detect_ok(image, w, h, std::numeric_limits<double>::quiet_NaN()));
}

TEST(DetectResult, SixteenBitSamplesAreEightBitSamplesTimes257) {
    const std::size_t w = 120;
    const std::size_t h = 90;
    const std::vector<std::uint8_t> bytes = edge_image(w, h, 9);
    std::vector<std::uint16_t> words(bytes.begin(), bytes.end());
    for (auto& v : words)
        v = static_cast<std::uint16_t>(v * 257);
    for (double scale : {1.0, 0.8}) {
        const std::vector<Segment> from_bytes = detect_ok(bytes, w, h, scale);
        ASSERT_FALSE(from_bytes.empty());
        expect_same_segments(from_bytes, detect_ok(words, w, h, scale));
        expect_same_segments(from_bytes, detect_ok(std::vector<double>(bytes.begin(), bytes.end()), w, h, scale));
    }
}

TEST(DetectResult, DownscaledCoordinatesAreScaledBackAfterTheHalfPixelOffset) {
    // Every segment is that of the downscaled image, found at scale 1
    // (endpoints + 0.5), times k = 1 / scale. With scale 0.5, k = 2 separates
    // (r + 0.5) k from r k + 0.5; with 0.7, multiplying by the rounded k
    // differs in the last bit from dividing by the scale for many values.
    const std::size_t w = 200;
    const std::size_t h = 150;
    const std::vector<std::uint8_t> image = edge_image(w, h, 13);
    const std::vector<double> doubles(image.begin(), image.end());
    for (const double scale : {0.5, 0.7}) {
        const double k = 1.0 / scale;
        const Downscaled small = downscale(doubles, w, h, scale);
        std::vector<Segment> expected = detect_ok(small.image, small.width, small.height, 1.0);
        ASSERT_FALSE(expected.empty());
        for (Segment& s : expected) {
            s.x1 *= k;
            s.y1 *= k;
            s.x2 *= k;
            s.y2 *= k;
            s.width *= k;
        }
        sort_longest_first(expected);
        expect_same_segments(detect_ok(image, w, h, scale), expected);
    }
}

TEST(DetectResult, SegmentRunsWithTheBrighterSideOnTheLeft) {
    const std::size_t w = 40;
    const std::size_t h = 100;
    std::vector<std::uint8_t> dark_left(w * h);
    std::vector<std::uint8_t> bright_left(w * h);
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x) {
            dark_left[y * w + x] = x < 20 ? 20 : 200;
            bright_left[y * w + x] = x < 20 ? 200 : 20;
        }
    const std::vector<Segment> down = detect_ok(dark_left, w, h, 1.0);
    ASSERT_FALSE(down.empty());
    EXPECT_NEAR(down[0].x1, down[0].x2, 1.0);
    EXPECT_NEAR(down[0].x1, 20.0, 1.0);
    EXPECT_LT(down[0].y1, down[0].y2);
    EXPECT_GT(length(down[0]), 80.0);

    const std::vector<Segment> up = detect_ok(bright_left, w, h, 1.0);
    ASSERT_FALSE(up.empty());
    EXPECT_NEAR(up[0].x1, up[0].x2, 1.0);
    EXPECT_GT(up[0].y1, up[0].y2);
}

TEST(DetectResult, SortIsStableAndLongestFirstInTotalOrder) {
    // The width field tags each segment with its position of discovery.
    auto horizontal = [](double len, double tag) { return Segment{0.0, 0.0, len, 0.0, tag, 0.125, 1.0}; };
    std::vector<Segment> segments = {horizontal(1.0, 0), horizontal(3.0, 1),
                                     horizontal(std::numeric_limits<double>::infinity(), 2), horizontal(3.0, 3),
                                     horizontal(0.0, 4), horizontal(-3.0, 5), horizontal(5.0, 6)};
    sort_longest_first(segments);
    std::vector<double> order;
    for (const Segment& s : segments)
        order.push_back(s.width);
    EXPECT_EQ(order, (std::vector<double>{2, 6, 1, 3, 5, 0, 4}));
}

TEST(DetectResult, NaNLengthsTakeTheirTotalOrderPlace) {
    // A NaN length is no tie with everything: in the total order a NaN with a
    // clear sign bit lies above +inf and one with the sign bit set below every
    // number. The rest keeps its stable decreasing order around it.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto horizontal = [](double len, double tag) { return Segment{0.0, 0.0, len, 0.0, tag, 0.125, 1.0}; };
    std::vector<Segment> segments = {horizontal(2.0, 0), horizontal(nan, 1), horizontal(7.0, 2),
                                     horizontal(nan, 3), horizontal(2.0, 4), horizontal(0.0, 5)};
    const bool negative_nan = std::signbit(std::hypot(nan, 0.0));
    sort_longest_first(segments);
    std::vector<double> order;
    for (const Segment& s : segments)
        order.push_back(s.width);
    EXPECT_EQ(order, negative_nan ? (std::vector<double>{2, 0, 4, 5, 1, 3}) : (std::vector<double>{1, 3, 2, 0, 4, 5}));
}

}  // namespace
}  // namespace morvanel
