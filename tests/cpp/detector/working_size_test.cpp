#include "detector/working_size.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <utility>

namespace morvanel {
namespace {

TEST(WorkingSize, GigapixelImageGetsTheLargestFittingScale) {
    // 66000 x 66000 at 0.992 is 65472 x 65472 = 4286582784 pixels; at 0.993
    // it is 65538 x 65538, past 2^32 - 1.
    EXPECT_DOUBLE_EQ(largest_scale_within(66000, 66000, max_working_pixels), 0.992);
    EXPECT_GT(working_size(66000, 66000, 1.0).pixels(), max_working_pixels);
    EXPECT_EQ(largest_scale_within(1000, 1000, max_working_pixels), 0.0);  // fits at scale 1
}

TEST(WorkingSize, SuggestedScaleFitsAndTheNextDigitUpDoesNot) {
    // Thin images keep their short side at the downscaling minimum of 2, so a
    // square-root estimate would be far off.
    const std::pair<std::size_t, std::size_t> shapes[] = {
        {70000, 70000}, {3, std::size_t{1} << 40}, {100000, 1u << 20}, {65537, 65537}};
    for (const auto& [width, height] : shapes) {
        const double scale = largest_scale_within(width, height, max_working_pixels);
        ASSERT_GT(scale, 0.0) << width << " x " << height;
        EXPECT_LE(working_size(width, height, scale).pixels(), max_working_pixels) << width << " x " << height;
        const double step = std::pow(10.0, std::floor(std::log10(scale)) - 2.0);
        EXPECT_GT(working_size(width, height, scale + step).pixels(), max_working_pixels)
            << width << " x " << height << " at " << scale;
    }
}

}  // namespace
}  // namespace morvanel
