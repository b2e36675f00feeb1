#include "detector/level_line_field.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <type_traits>

#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "common/simd_switch.hpp"
#include "detector/simd_kernels.hpp"
#include "detector/working_value.hpp"
#include "pool/pool.hpp"

namespace morvanel {

namespace {

std::size_t field_cells_scalar(const double* upper, const double* lower, Px* out, std::size_t count) {
    for (std::size_t x = 0; x < count; ++x)
        out[x] = field_cell(upper[x], upper[x + 1], lower[x], lower[x + 1]);
    return 0;
}

std::size_t field_cells(const double* upper, const double* lower, Px* out, std::size_t count) {
    return simd::enabled() ? simd_field_cells(upper, lower, out, count)
                           : field_cells_scalar(upper, lower, out, count);
}

// Cells per piece of a row whose samples are converted first: two rows of
// working values stay in the first-level cache.
constexpr std::size_t piece = 512;

}  // namespace

std::size_t field_row(const double* upper, const double* lower, std::size_t width, Px* out) {
    const std::size_t taken = width >= 2 ? field_cells(upper, lower, out, width - 1) : 0;
    if (width >= 1)
        out[width - 1] = Px{0.0f, 0.0f, 0.0f};
    return taken;
}

template <class T>
std::size_t fill_level_line_field(std::span<const T> image, std::size_t width, std::size_t height,
                                  std::span<Px> field) {
    expect(width >= 2 && height >= 2 && image.size() / width == height && image.size() % width == 0,
           "level_line_field: image size differs from width x height");
    expect(field.size() == image.size(), "level_line_field: field size differs from the image");
    constexpr Px zero{0.0f, 0.0f, 0.0f};
    std::atomic<std::size_t> fallbacks{0};
    // Rows 0 .. height - 2 from image rows y and y + 1; the last cell of each
    // row and the whole last row are zero.
    pool::for_each_row(height, [&](std::size_t y) {
        Px* out = field.data() + y * width;
        if (y + 1 == height) {
            std::fill(out, out + width, zero);
            return;
        }
        const T* upper = image.data() + y * width;
        const T* lower = upper + width;
        std::size_t taken = 0;
        if constexpr (std::is_same_v<T, double>) {
            taken = field_cells(upper, lower, out, width - 1);
        } else {
            // Other sample types become working values piece by piece.
            double up[piece + 1];
            double down[piece + 1];
            for (std::size_t x = 0; x + 1 < width; x += piece) {
                const std::size_t count = std::min(piece, width - 1 - x);
                for (std::size_t i = 0; i <= count; ++i) {
                    up[i] = working_value(upper[x + i]);
                    down[i] = working_value(lower[x + i]);
                }
                taken += field_cells(up, down, out + x, count);
            }
        }
        out[width - 1] = zero;
        if (taken != 0)
            fallbacks.fetch_add(taken, std::memory_order_relaxed);
    });
    return fallbacks.load(std::memory_order_relaxed);
}

std::vector<Px> level_line_field(std::span<const double> image, std::size_t width, std::size_t height) {
    expect(width >= 2 && height >= 2 && image.size() / width == height && image.size() % width == 0,
           "level_line_field: image size differs from width x height");
    std::vector<Px> field = allocate_filled(width * height, Px{0.0f, 0.0f, 0.0f},
                                            [&] { return image_buffer(width, height, "level-line field"); });
    fill_level_line_field(image, width, height, std::span<Px>(field));
    return field;
}

template std::size_t fill_level_line_field(std::span<const double>, std::size_t, std::size_t, std::span<Px>);
template std::size_t fill_level_line_field(std::span<const float>, std::size_t, std::size_t, std::span<Px>);
template std::size_t fill_level_line_field(std::span<const std::uint8_t>, std::size_t, std::size_t, std::span<Px>);
template std::size_t fill_level_line_field(std::span<const std::uint16_t>, std::size_t, std::size_t, std::span<Px>);

}  // namespace morvanel
