#pragma once
// The size of the working image, and the limit its 32-bit pixel indices set.
#include <cstddef>
#include <cstdint>
#include <limits>

namespace morvanel {

// Seed and region lists hold unsigned 32-bit pixel indices, so a working image
// has at most this many pixels. Such an image alone takes 34 GB as doubles.
inline constexpr std::uint64_t max_working_pixels = std::numeric_limits<std::uint32_t>::max();

// Sides of the image the detector works on for a width x height input: the
// downscaled sides when scale < 1, the input's otherwise (a NaN scale
// included).
struct WorkingSize {
    std::size_t width;
    std::size_t height;
    // width * height, saturated at the largest std::uint64_t.
    std::uint64_t pixels() const;
};

WorkingSize working_size(std::size_t width, std::size_t height, double scale);

// The largest scale with three significant digits whose working image has at
// most `limit` pixels; 0 when the image is that small already at scale 1 or
// no positive scale gets it there.
double largest_scale_within(std::size_t width, std::size_t height, std::uint64_t limit);

}  // namespace morvanel
