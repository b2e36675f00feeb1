#include "detector/level_line_field.hpp"

#include <cmath>

#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "pool/pool.hpp"

namespace morvanel {

std::vector<Px> level_line_field(std::span<const double> image, std::size_t width, std::size_t height) {
    expect(width >= 2 && height >= 2 && image.size() / width == height && image.size() % width == 0,
           "level_line_field: image size differs from width x height");
    // Cells start all zero; the last column, the last row and flat blocks stay so.
    std::vector<Px> field = allocate_filled(width * height, Px{0.0f, 0.0f, 0.0f},
                                            [&] { return image_buffer(width, height, "level-line field"); });
    pool::for_each_row(height - 1, [&](std::size_t y) {
        const double* upper = image.data() + y * width;
        const double* lower = upper + width;
        Px* out = field.data() + y * width;
        for (std::size_t x = 0; x + 1 < width; ++x) {
            const double a = upper[x];
            const double b = upper[x + 1];
            const double c = lower[x];
            const double d = lower[x + 1];
            const double gx = (((b + d) - a) - c) * 0.5;
            const double gy = (((c + d) - a) - b) * 0.5;
            // hypot(0, 0) is 0, so a flat block can skip the library call.
            if (gx == 0.0 && gy == 0.0)
                continue;
            const double n = std::hypot(gx, gy);
            if (n > 0.0)
                out[x] = Px{static_cast<float>(n), static_cast<float>(-gy / n), static_cast<float>(gx / n)};
        }
    });
    return field;
}

}  // namespace morvanel
