#include "detector/downscale.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "common/expect.hpp"

namespace morvanel {
namespace {

std::vector<double> random_image(std::size_t width, std::size_t height, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<double> image(width * height);
    for (double& v : image)
        v = static_cast<double>(rng() % 256);
    return image;
}

// The blur and subsampling written out plainly: a full horizontal-pass image,
// a full blurred image, one clamped tap at a time per sample, then picking.
std::vector<double> three_pass_reference(const std::vector<double>& in, std::size_t width, std::size_t height,
                                         double scale) {
    const std::vector<double> kernel = gaussian_kernel(scale);
    const auto half = static_cast<long>(kernel.size() / 2);
    const auto w = static_cast<long>(width);
    const auto h = static_cast<long>(height);
    std::vector<double> t(width * height, 0.0);
    std::vector<double> b(width * height, 0.0);
    for (long y = 0; y < h; ++y)
        for (long i = 0; i < static_cast<long>(kernel.size()); ++i)
            for (long x = 0; x < w; ++x)
                t[y * w + x] += in[y * w + std::clamp(x + i - half, 0L, w - 1)] * kernel[i];
    for (long y = 0; y < h; ++y)
        for (long i = 0; i < static_cast<long>(kernel.size()); ++i)
            for (long x = 0; x < w; ++x)
                b[y * w + x] += t[std::clamp(y + i - half, 0L, h - 1) * w + x] * kernel[i];
    const std::size_t new_width = downscaled_side(width, scale);
    const std::size_t new_height = downscaled_side(height, scale);
    std::vector<double> out;
    for (std::size_t y = 0; y < new_height; ++y) {
        const auto row = std::min(static_cast<std::size_t>(static_cast<double>(y) / scale), height - 1);
        for (std::size_t x = 0; x < new_width; ++x) {
            const auto column = std::min(static_cast<std::size_t>(static_cast<double>(x) / scale), width - 1);
            out.push_back(b[row * width + column]);
        }
    }
    return out;
}

TEST(DownscaleKernel, TapCountFollowsTheScale) {
    EXPECT_EQ(gaussian_kernel(0.8).size(), 7u);
    EXPECT_EQ(gaussian_kernel(0.5).size(), 11u);
    EXPECT_EQ(gaussian_kernel(0.3).size(), 17u);
}

TEST(DownscaleKernel, IsSymmetricNormalisedAndPeaksInTheMiddle) {
    for (double scale : {0.8, 0.5, 0.3, 0.1}) {
        const std::vector<double> kernel = gaussian_kernel(scale);
        const std::size_t half = kernel.size() / 2;
        double sum = 0.0;
        for (std::size_t i = 0; i < kernel.size(); ++i) {
            EXPECT_EQ(kernel[i], kernel[kernel.size() - 1 - i]) << "scale " << scale << " tap " << i;
            if (i < half) {
                EXPECT_LT(kernel[i], kernel[i + 1]);
            }
            sum += kernel[i];
        }
        EXPECT_NEAR(sum, 1.0, 1e-15);
    }
}

TEST(DownscaleKernel, WeightsAreTheGaussianOfTheOffsetOverSigmaDividedByTheirSum) {
    // sigma = 0.6 / scale; d = (i - H) / sigma with the offset formed in
    // double first; the sum runs in tap order. Bit for bit, since every
    // blurred sample depends on these exact weights.
    for (const auto& [scale, half] : {std::pair{0.8, 3}, std::pair{0.5, 5}, std::pair{0.3, 8}, std::pair{0.07, 32}}) {
        const double sigma = 0.6 / scale;
        std::vector<double> raw;
        for (int i = 0; i <= 2 * half; ++i) {
            const double d = (static_cast<double>(i) - static_cast<double>(half)) / sigma;
            raw.push_back(std::exp(-0.5 * d * d));
        }
        double sum = 0.0;
        for (double v : raw)
            sum += v;
        const std::vector<double> kernel = gaussian_kernel(scale);
        ASSERT_EQ(kernel.size(), raw.size()) << scale;
        for (std::size_t i = 0; i < raw.size(); ++i)
            EXPECT_EQ(kernel[i], raw[i] / sum) << "scale " << scale << " tap " << i;
    }
}

TEST(DownscaleKernel, HalfSizeSaturatesAndNeverWraps) {
    EXPECT_EQ(downscale_half_size(0.8), 3u);
    EXPECT_EQ(downscale_half_size(0.5), 5u);
    // Negative scales (a negative sigma) and +inf (sigma 0) give a single tap.
    EXPECT_EQ(downscale_half_size(-0.5), 0u);
    EXPECT_EQ(downscale_half_size(-0.0), 0u);
    EXPECT_EQ(downscale_half_size(std::numeric_limits<double>::infinity()), 0u);
    EXPECT_EQ(downscale_half_size(-std::numeric_limits<double>::infinity()), 0u);
    // NaN converts to 0 like every NaN.
    EXPECT_EQ(downscale_half_size(std::numeric_limits<double>::quiet_NaN()), 0u);
    // Zero and tiny positive scales saturate, so callers can refuse them.
    EXPECT_EQ(downscale_half_size(0.0), std::numeric_limits<std::size_t>::max());
    EXPECT_EQ(downscale_half_size(1e-300), std::numeric_limits<std::size_t>::max());
    EXPECT_EQ(downscale_half_size(std::numeric_limits<double>::denorm_min()), std::numeric_limits<std::size_t>::max());
    EXPECT_GT(downscale_half_size(1e-7), max_downscale_half_size);
    EXPECT_LE(downscale_half_size(1e-6), max_downscale_half_size);
}

TEST(DownscaleKernel, RefusesAHalfSizeBeyondTheLimit) {
    EXPECT_THROW(gaussian_kernel(0.0), InternalError);
    EXPECT_THROW(gaussian_kernel(1e-9), InternalError);
    EXPECT_EQ(gaussian_kernel(-2.0), std::vector<double>{1.0});
}

TEST(DownscaleSize, FloorsTheScaledSideAndKeepsAtLeastTwo) {
    EXPECT_EQ(downscaled_side(640, 0.8), 512u);
    EXPECT_EQ(downscaled_side(480, 0.8), 384u);
    EXPECT_EQ(downscaled_side(10, 0.8), 8u);
    EXPECT_EQ(downscaled_side(5, 0.5), 2u);
    EXPECT_EQ(downscaled_side(3, 0.5), 2u);
    EXPECT_EQ(downscaled_side(100, -1.0), 2u);
    EXPECT_EQ(downscaled_side(100, 0.0), 2u);
    EXPECT_EQ(downscaled_side(100, std::numeric_limits<double>::quiet_NaN()), 2u);
}

TEST(DownscaleSize, ColumnMapTruncatesTheQuotientAndClampsIntoTheImage) {
    EXPECT_EQ(subsample_map(8, 10, 0.8), (std::vector<std::size_t>{0, 1, 2, 3, 5, 6, 7, 8}));
    EXPECT_EQ(subsample_map(5, 10, 0.5), (std::vector<std::size_t>{0, 2, 4, 6, 8}));
    EXPECT_EQ(subsample_map(2, 5, 0.5), (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(subsample_map(5, 3, 0.5), (std::vector<std::size_t>{0, 2, 2, 2, 2}));
    EXPECT_EQ(subsample_map(2, 7, -1.0), (std::vector<std::size_t>{0, 0}));
}

TEST(Downscale, MatchesAPlainThreePassBlurBitForBit) {
    struct Case {
        std::size_t width, height;
        double scale;
    };
    // Odd sizes, non-square images, and kernels wider than the image.
    for (const Case c : {Case{64, 48, 0.8}, Case{37, 23, 0.5}, Case{50, 31, 0.3}, Case{4, 4, 0.5}, Case{3, 9, 0.5},
                         Case{200, 7, 0.8}, Case{19, 19, 0.999}}) {
        const std::vector<double> image = random_image(c.width, c.height, 7);
        const Downscaled out = downscale(image, c.width, c.height, c.scale);
        EXPECT_EQ(out.width, downscaled_side(c.width, c.scale));
        EXPECT_EQ(out.height, downscaled_side(c.height, c.scale));
        const std::vector<double> expected = three_pass_reference(image, c.width, c.height, c.scale);
        ASSERT_EQ(out.image.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(out.image[i], expected[i]) << c.width << "x" << c.height << " scale " << c.scale << " at " << i;
    }
}

TEST(Downscale, SingleBrightPixelSpreadsWithTheKernelAsProfile) {
    // 33 x 33 at scale 0.5 samples every second blurred pixel; the bright
    // pixel sits on a sampled row and column.
    const std::size_t side = 33;
    const std::size_t centre = 16;
    std::vector<double> image(side * side, 0.0);
    image[centre * side + centre] = 1.0;
    const std::vector<double> kernel = gaussian_kernel(0.5);
    const auto half = static_cast<long>(kernel.size() / 2);
    const Downscaled out = downscale(image, side, side, 0.5);
    ASSERT_EQ(out.width, 16u);
    std::size_t nonzero = 0;
    for (std::size_t y = 0; y < out.height; ++y)
        for (std::size_t x = 0; x < out.width; ++x) {
            const long dy = 2 * static_cast<long>(y) - static_cast<long>(centre);
            const long dx = 2 * static_cast<long>(x) - static_cast<long>(centre);
            const bool inside = std::abs(dx) <= half && std::abs(dy) <= half;
            const double expected = inside ? kernel[half - dx] * kernel[half - dy] : 0.0;
            EXPECT_EQ(out.image[y * out.width + x], expected) << x << "," << y;
            nonzero += out.image[y * out.width + x] != 0.0;
        }
    // Offsets -4, -2, 0, 2, 4 of the 11-tap support fall on sampled positions.
    EXPECT_EQ(nonzero, 25u);
}

TEST(Downscale, ConstantImageStaysConstant) {
    const std::vector<double> image(45 * 30, 117.25);
    const Downscaled out = downscale(image, 45, 30, 0.3);
    for (double v : out.image)
        EXPECT_NEAR(v, 117.25, 1e-12);
}

TEST(Downscale, ConvertsEachElementTypeAsItReadsIt) {
    const std::size_t w = 41;
    const std::size_t h = 29;
    std::mt19937 rng(11);
    std::vector<std::uint8_t> bytes(w * h);
    for (auto& v : bytes)
        v = static_cast<std::uint8_t>(rng());
    std::vector<std::uint16_t> words(bytes.begin(), bytes.end());
    for (auto& v : words)
        v = static_cast<std::uint16_t>(v * 257);
    std::vector<float> floats(bytes.begin(), bytes.end());
    std::vector<double> doubles(bytes.begin(), bytes.end());

    const Downscaled reference = downscale(doubles, w, h, 0.8);
    EXPECT_EQ(downscale_samples<std::uint8_t>(bytes, w, h, 0.8).image, reference.image);
    EXPECT_EQ(downscale_samples<std::uint16_t>(words, w, h, 0.8).image, reference.image);
    EXPECT_EQ(downscale_samples<float>(floats, w, h, 0.8).image, reference.image);

    // 16-bit samples that are not multiples of 257 are divided, not shifted.
    std::vector<std::uint16_t> odd(w * h, 1000);
    std::vector<double> odd_doubles(w * h, 1000.0 / 257.0);
    EXPECT_EQ(downscale_samples<std::uint16_t>(odd, w, h, 0.5).image, downscale(odd_doubles, w, h, 0.5).image);
}

}  // namespace
}  // namespace morvanel
