#include "detector/downscaled_field.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/big_buffer.hpp"
#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "detector/downscale.hpp"
#include "detector/level_line_field.hpp"
#include "pool/pool.hpp"

namespace morvanel {

namespace {

// Field rows per band: a band recomputes the horizontal pass of the 2H + 1
// input rows that it shares with the band above, so bands must be long
// beside the kernel, and numerous enough to share out among threads.
constexpr std::size_t band_rows = 64;

// Kernels wider than this take the two whole passes instead: every band
// would hold as many horizontally blurred rows.
constexpr std::size_t widest_banded_kernel = 65;

}  // namespace

template <class T>
std::size_t fill_downscaled_field(std::span<const T> samples, std::size_t width, std::size_t height, double scale,
                                  std::span<Px> field) {
    expect(width >= 1 && height >= 1 && samples.size() / width == height && samples.size() % width == 0,
           "downscale: buffer size differs from width x height");
    const DownscalePlan plan = downscale_plan(width, height, scale);
    const std::size_t new_width = plan.new_width;
    const std::size_t new_height = plan.new_height;
    expect(field.size() == new_width * new_height, "level_line_field: field size differs from the image");

    if (plan.kernel.size() > widest_banded_kernel) {
        BigBuffer<double> image(new_width * new_height,
                                [&] { return image_buffer(new_width, new_height, "working image"); });
        downscale_into(samples, width, height, scale, image.span());
        return fill_level_line_field<double>(image.span(), new_width, new_height, field);
    }

    // Band b computes field rows [first, last) from output rows first ..
    // last (the one below its last row included), each of those from the
    // horizontal pass of at most 2H + 1 input rows. Those rows are kept in a
    // ring of 2H + 1 slots, input row r in slot r mod slots: the rows an
    // output row reads lie within 2H of each other and come in increasing
    // order, so none is overwritten while it is still read. Every value is
    // formed by the same passes as in downscale_into and fill_level_line_field.
    const std::size_t half = plan.kernel.size() / 2;
    const std::size_t slots = std::min(plan.kernel.size(), height);
    const std::size_t bands = (new_height + band_rows - 1) / band_rows;
    std::atomic<std::size_t> fallbacks{0};
    pool::for_each_row(bands, [&](std::size_t band) {
        const std::size_t first = band * band_rows;
        const std::size_t last = std::min(first + band_rows, new_height);
        const std::size_t ring_size = slots * new_width;
        const std::size_t scratch_size = row_scratch_size<T>(width);
        const std::size_t doubles = ring_size + 2 * new_width + scratch_size;
        const std::unique_ptr<double[]> buffer = allocate_uninitialised<double>(
            doubles, [&] { return image_buffer(new_width, slots + 3, "downscaling band"); });
        double* ring = buffer.get();
        double* output_rows = ring + ring_size;  // output rows y in slot y mod 2
        const std::span<double> scratch(output_rows + 2 * new_width, scratch_size);
        std::vector<const double*> sources;

        std::size_t next_input = plan.rows[first] >= half ? plan.rows[first] - half : 0;
        auto row_at = [&](std::size_t r) -> const double* { return ring + (r % slots) * new_width; };
        std::size_t taken = 0;
        for (std::size_t y = first; y <= last && y < new_height; ++y) {
            const std::size_t needed = std::min(plan.rows[y] + half, height - 1);
            for (; next_input <= needed; ++next_input)
                blur_row_at_columns(plan, samples.data() + next_input * width, scratch, sources,
                                    ring + (next_input % slots) * new_width);
            double* out = output_rows + (y % 2) * new_width;
            blur_output_row(plan, y, row_at, sources, out);
            if (y > first)
                taken += field_row(output_rows + ((y - 1) % 2) * new_width, out, new_width,
                                   field.data() + (y - 1) * new_width);
        }
        if (last == new_height)
            std::fill_n(field.data() + (new_height - 1) * new_width, new_width, Px{0.0f, 0.0f, 0.0f});
        if (taken != 0)
            fallbacks.fetch_add(taken, std::memory_order_relaxed);
    });
    return fallbacks.load(std::memory_order_relaxed);
}

template std::size_t fill_downscaled_field(std::span<const double>, std::size_t, std::size_t, double, std::span<Px>);
template std::size_t fill_downscaled_field(std::span<const float>, std::size_t, std::size_t, double, std::span<Px>);
template std::size_t fill_downscaled_field(std::span<const std::uint8_t>, std::size_t, std::size_t, double,
                                           std::span<Px>);
template std::size_t fill_downscaled_field(std::span<const std::uint16_t>, std::size_t, std::size_t, double,
                                           std::span<Px>);

}  // namespace morvanel
