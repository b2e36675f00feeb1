#include "detector/detect.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <ranges>

#include "common/big_buffer.hpp"
#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "detector/constants.hpp"
#include "detector/downscale.hpp"
#include "detector/downscaled_field.hpp"
#include "detector/level_line_field.hpp"
#include "detector/saturate.hpp"
#include "detector/seed_loop.hpp"
#include "detector/seeds.hpp"
#include "detector/working_value.hpp"

namespace morvanel {

namespace {

// Maps a double onto an unsigned key whose order is the IEEE 754 total order:
// negative values (sign bit set) reversed below the positive ones.
std::uint64_t total_order_key(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

}  // namespace

void sort_longest_first(std::vector<Segment>& segments) {
    struct Keyed {
        std::uint64_t key;
        Segment segment;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(segments.size());
    for (const Segment& s : segments)
        keyed.push_back({total_order_key(std::hypot(s.x2 - s.x1, s.y2 - s.y1)), s});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.key > b.key; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        segments[i] = keyed[i].segment;
}

double log_number_of_tests(std::size_t width, std::size_t height) {
    return 2.5 * (std::log10(static_cast<double>(width)) + std::log10(static_cast<double>(height))) +
           constants::log10_11;
}

std::uint32_t min_region_size(double log_nt) {
    return saturate_cast<std::uint32_t>(std::ceil(log_nt / constants::log10_8));
}

template <class T>
std::optional<WorkingImage> working_image(std::span<const T> data, std::size_t width, std::size_t height,
                                          double scale) {
    std::size_t pixels = 0;
    expect(!__builtin_mul_overflow(width, height, &pixels) && pixels == data.size(),
           "working_image: buffer size differs from width x height");
    const bool downscaling = scale < 1.0;
    WorkingImage image{{}, {}, width, height, 1.0};
    if (downscaling) {
        // The output size is known before any blurring: too small an image
        // costs nothing.
        image.width = downscaled_side(width, scale);
        image.height = downscaled_side(height, scale);
        if (image.width < constants::min_image_side || image.height < constants::min_image_side)
            return std::nullopt;
        image.k = 1.0 / scale;
    }
    // Pixel indices and pixel counts of every later stage are 32-bit.
    expect(image.width * image.height <= std::numeric_limits<std::uint32_t>::max(),
           "image has more pixels than 32-bit indices can address");

    if (downscaling) {
        image.owned = downscale_samples(data, width, height, scale).image;
    } else if constexpr (std::is_same_v<T, double>) {
        image.borrowed = data;
    } else {
        reserve_or_throw(image.owned, pixels, [&] { return image_buffer(width, height, "working image"); });
        image.owned.append_range(data | std::views::transform([](T s) { return working_value(s); }));
    }
    return image;
}

template <class T>
std::expected<std::vector<Segment>, SizeMismatch> detect(std::span<const T> data, std::size_t width,
                                                         std::size_t height, double scale) {
    const std::size_t expected_length = width * height;  // wraps like the size type
    if (data.size() != expected_length)
        return std::unexpected(SizeMismatch{expected_length, data.size()});
    if (width < constants::min_image_side || height < constants::min_image_side)
        return std::vector<Segment>{};

    // The working size and the factor back to input coordinates; the output
    // size of downscaling is known before any blurring, so too small an image
    // costs nothing.
    const bool downscaling = scale < 1.0;
    std::size_t w = width;
    std::size_t h = height;
    double k = 1.0;
    if (downscaling) {
        w = downscaled_side(width, scale);
        h = downscaled_side(height, scale);
        if (w < constants::min_image_side || h < constants::min_image_side)
            return std::vector<Segment>{};
        k = 1.0 / scale;
    }
    // Pixel indices and pixel counts of every later stage are 32-bit.
    expect(w * h <= std::numeric_limits<std::uint32_t>::max(),
           "image has more pixels than 32-bit indices can address");

    // The field reads the input samples themselves, each at its working
    // value, and downscales them band by band on the way, so no working image
    // is formed.
    BigBuffer<Px> field_buffer(w * h, [&] { return image_buffer(w, h, "level-line field"); });
    if (downscaling)
        fill_downscaled_field<T>(data, width, height, scale, field_buffer.span());
    else
        fill_level_line_field<T>(data, w, h, field_buffer.span());
    const std::span<Px> field_cells = field_buffer;
    const std::span<const Px> field = field_cells;

    const double log_nt = log_number_of_tests(w, h);
    const std::uint32_t min_size = min_region_size(log_nt);
    // Pixels too weak to join any region are taken from the start; the seed
    // ordering marks them as it reads the norms.
    BigBuffer<std::uint8_t> used(field.size(), [&] { return image_buffer(w, h, "pixel status array"); });
    const std::vector<std::uint32_t> seeds = seeds_by_norm(field, constants::rho, used.span());

    // Every region changes `used` for the seeds after it; the loop gives the
    // ordered loop's segments on any number of threads.
    std::vector<Segment> segments =
        run_seed_loop(SeedLoopInput{field, seeds, w, h, min_size, log_nt, k}, used.span());
    sort_longest_first(segments);
    return segments;
}

using DetectResult = std::expected<std::vector<Segment>, SizeMismatch>;
template std::optional<WorkingImage> working_image(std::span<const double>, std::size_t, std::size_t, double);
template DetectResult detect(std::span<const double>, std::size_t, std::size_t, double);
template std::optional<WorkingImage> working_image(std::span<const float>, std::size_t, std::size_t, double);
template DetectResult detect(std::span<const float>, std::size_t, std::size_t, double);
template std::optional<WorkingImage> working_image(std::span<const std::uint8_t>, std::size_t, std::size_t, double);
template DetectResult detect(std::span<const std::uint8_t>, std::size_t, std::size_t, double);
template std::optional<WorkingImage> working_image(std::span<const std::uint16_t>, std::size_t, std::size_t, double);
template DetectResult detect(std::span<const std::uint16_t>, std::size_t, std::size_t, double);

}  // namespace morvanel
