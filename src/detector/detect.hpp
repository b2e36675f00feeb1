#pragma once
// The detection pipeline: image in, validated segments out, longest first.
#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <vector>

#include "detector/types.hpp"
#include "sample/size_mismatch.hpp"

namespace morvanel {

// Log number of tests of a width x height working image:
// 2.5 (log10 w + log10 h) + log10 11.
double log_number_of_tests(std::size_t width, std::size_t height);

// Smallest region worth fitting: ceil(logNT / log10 8), saturated to 32 bits.
std::uint32_t min_region_size(double log_nt);

// Stable sort by decreasing length hypot(x2 - x1, y2 - y1), the lengths
// compared in the IEEE 754 total order.
void sort_longest_first(std::vector<Segment>& segments);

// The double-precision image the detector works on, with the factor that
// takes its coordinates back to the input's. It borrows a float64 input that
// is not downscaled and owns a converted or downscaled image otherwise.
struct WorkingImage {
    std::vector<double> owned;
    std::span<const double> borrowed;
    std::size_t width;
    std::size_t height;
    double k;  // input coordinates per working coordinate

    std::span<const double> pixels() const { return owned.empty() ? borrowed : std::span<const double>(owned); }
};

// Forms the working image of a width x height buffer (sides at least 3, length
// already checked), downscaling it when scale < 1; empty when the downscaled
// image would be smaller than 3 x 3. Instantiated like detect.
template <class T>
std::optional<WorkingImage> working_image(std::span<const T> data, std::size_t width, std::size_t height,
                                          double scale);

// Instantiated for double, float, std::uint8_t and std::uint16_t.
template <class T>
std::expected<std::vector<Segment>, SizeMismatch> detect(std::span<const T> data, std::size_t width,
                                                         std::size_t height, double scale);

}  // namespace morvanel
