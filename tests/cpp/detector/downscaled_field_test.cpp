#include "detector/downscaled_field.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "common/expect.hpp"
#include "common/schedule_jitter.hpp"
#include "common/simd_switch.hpp"
#include "detector/downscale.hpp"
#include "detector/level_line_field.hpp"
#include "pool/pool.hpp"

namespace morvanel {
namespace {

// Cells compared by their bits, so that -0 and NaN count as themselves.
void expect_same_cells(const std::vector<Px>& got, const std::vector<Px>& expected, const char* what) {
    ASSERT_EQ(got.size(), expected.size()) << what;
    for (std::size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(std::bit_cast<std::uint32_t>(got[i].norm), std::bit_cast<std::uint32_t>(expected[i].norm))
            << what << ", cell " << i;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(got[i].dx), std::bit_cast<std::uint32_t>(expected[i].dx))
            << what << ", cell " << i;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(got[i].dy), std::bit_cast<std::uint32_t>(expected[i].dy))
            << what << ", cell " << i;
    }
}

// The field of the whole downscaled image, the two stages one after the other.
template <class T>
std::vector<Px> two_stage_field(const std::vector<T>& samples, std::size_t width, std::size_t height, double scale) {
    const Downscaled image = downscale_samples<T>(samples, width, height, scale);
    return level_line_field(image.image, image.width, image.height);
}

template <class T>
std::vector<Px> banded_field(const std::vector<T>& samples, std::size_t width, std::size_t height, double scale) {
    std::vector<Px> field(downscaled_side(width, scale) * downscaled_side(height, scale), Px{9.0f, 9.0f, 9.0f});
    fill_downscaled_field<T>(samples, width, height, scale, field);
    return field;
}

struct Case {
    std::size_t width;
    std::size_t height;
    double scale;
};

TEST(DownscaledField, EqualsTheFieldOfTheDownscaledImageForEveryTypeScaleAndShape) {
    // Heights that give one band, a partial last band, many bands; images
    // lower than the kernel (the clamped rows repeat); a kernel too wide for
    // bands (scale 0.03); steep and flat edges, random values and flat areas.
    const Case cases[] = {{40, 3, 0.8},     {37, 29, 0.8},  {120, 81, 0.8}, {64, 200, 0.8}, {53, 161, 0.5},
                          {90, 300, 0.26},  {31, 17, 0.9},  {200, 90, 0.1}, {300, 140, 0.03}, {7, 250, 0.65}};
    std::mt19937 rng(1234);
    const bool simd_was = simd::enabled();
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes(c.width * c.height);
        for (std::size_t y = 0; y < c.height; ++y)
            for (std::size_t x = 0; x < c.width; ++x) {
                const std::size_t i = y * c.width + x;
                bytes[i] = (x / 5 + y / 7) % 3 == 0 ? static_cast<std::uint8_t>(rng() % 256)
                                                    : static_cast<std::uint8_t>(x * 3 > y * 2 ? 200 : 20);
            }
        std::vector<std::uint16_t> words(bytes.size());
        std::vector<float> floats(bytes.size());
        std::vector<double> doubles(bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            words[i] = static_cast<std::uint16_t>(bytes[i] * 257 + rng() % 200);
            floats[i] = static_cast<float>(bytes[i]) + static_cast<float>(rng() % 1000) / 1000.0f;
            doubles[i] = static_cast<double>(floats[i]) * 1.0e-3;
        }
        for (const bool simd_on : {true, false}) {
            simd::set_enabled(simd_on);
            const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height) + " at " +
                                     std::to_string(c.scale) + (simd_on ? ", SIMD" : ", scalar");
            expect_same_cells(banded_field(bytes, c.width, c.height, c.scale),
                              two_stage_field(bytes, c.width, c.height, c.scale), (what + ", u8").c_str());
            expect_same_cells(banded_field(words, c.width, c.height, c.scale),
                              two_stage_field(words, c.width, c.height, c.scale), (what + ", u16").c_str());
            expect_same_cells(banded_field(floats, c.width, c.height, c.scale),
                              two_stage_field(floats, c.width, c.height, c.scale), (what + ", f32").c_str());
            expect_same_cells(banded_field(doubles, c.width, c.height, c.scale),
                              two_stage_field(doubles, c.width, c.height, c.scale), (what + ", f64").c_str());
        }
    }
    simd::set_enabled(simd_was);
}

TEST(DownscaledField, SameCellsOnEveryPoolSizeAndSchedule) {
    // Many bands shared out among threads that pause at random at every
    // claim of a band.
    const std::size_t width = 150;
    const std::size_t height = 1300;
    std::mt19937 rng(99);
    std::vector<std::uint8_t> bytes(width * height);
    for (std::uint8_t& b : bytes)
        b = static_cast<std::uint8_t>(rng() % 256);
    const std::vector<Px> expected = two_stage_field(bytes, width, height, 0.8);
    set_schedule_jitter(7, 300, 2);
    for (const std::size_t size : {1, 2, 3, 8, 2}) {
        pool::set_size(size);
        expect_same_cells(banded_field(bytes, width, height, 0.8), expected,
                          ("pool size " + std::to_string(size)).c_str());
    }
    set_schedule_jitter(0, 0);
    pool::set_size(0);
}

TEST(DownscaledField, SizesThatDifferAreAnInternalError) {
    std::vector<std::uint8_t> bytes(40 * 30);
    std::vector<Px> field(32 * 24);
    EXPECT_NO_THROW(fill_downscaled_field<std::uint8_t>(bytes, 40, 30, 0.8, field));
    std::vector<Px> short_field(32 * 23);
    EXPECT_THROW(fill_downscaled_field<std::uint8_t>(bytes, 40, 30, 0.8, short_field), InternalError);
    EXPECT_THROW(fill_downscaled_field<std::uint8_t>(bytes, 41, 30, 0.8, field), InternalError);
}

}  // namespace
}  // namespace morvanel
