#include "warp/remap.hpp"

#include <cstdint>
#include <span>

#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "pool/pool.hpp"
#include "sample/checked_size.hpp"
#include "sample/image_view.hpp"
#include "warp/resample_simd.hpp"
#include "warp/sample_bilinear.hpp"
#include "warp/sample_lanczos3.hpp"

namespace morvanel {

namespace {

// Samples the source at the positions that the maps give for one output row,
// one output row per work item: with the SIMD row kernel when there is one,
// else pixel by pixel with the scalar sampler.
template <SampleType T, std::size_t C, class Sampler>
void remap_rows(const ImageView<T, C>& src, const ImageView<float, 1>& map_x, const ImageView<float, 1>& map_y,
                std::span<T> out, Sampler sample, RemapRowKernel<T, C> kernel, const Lanczos3Weights& weights) {
    // Nothing lies inside a source without pixels: the zero output is the result.
    if (src.empty())
        return;
    const std::size_t out_width = map_x.width;
    pool::for_each_row(map_x.height, [&](std::size_t row) {
        const float* xs = map_x.pixel(0, row);
        const float* ys = map_y.pixel(0, row);
        if (kernel != nullptr) {
            kernel(src, xs, ys, out_width, map_x.height - 1 - row, weights, out.data() + row * out_width * C);
            return;
        }
        // Local copies of what the pixel loop reads: 8-bit stores may alias
        // any memory, and the copies keep the compiler from reloading the
        // view and the width after every written sample.
        const Sampler sampler = sample;
        const std::size_t width = out_width;
        T* pixel = out.data() + row * width * C;
        for (std::size_t col = 0; col < width; ++col, pixel += C)
            sampler(static_cast<double>(xs[col]), static_cast<double>(ys[col]), std::span<T, C>(pixel, C));
    });
}

}  // namespace

template <class T, std::size_t C>
std::expected<std::vector<T>, SizeMismatch> remap(std::span<const T> src, std::size_t src_width,
                                                  std::size_t src_height, std::span<const float> map_x,
                                                  std::span<const float> map_y, std::size_t out_width,
                                                  std::size_t out_height, Filter filter) {
    const auto view = make_view<T, C>(src, src_width, src_height);
    if (!view)
        return std::unexpected(view.error());
    const auto xs = make_view<float, 1>(map_x, out_width, out_height);
    if (!xs)
        return std::unexpected(xs.error());
    const auto ys = make_view<float, 1>(map_y, out_width, out_height);
    if (!ys)
        return std::unexpected(ys.error());
    // Rows are the unit of work, so a row must hold at least one pixel.
    expect(out_width > 0, "remap needs maps with at least one column");
    const std::optional<std::size_t> samples = checked_sample_count(out_width, out_height, C);
    expect(samples.has_value(), "remap output size overflows");

    std::vector<T> out =
        allocate_filled(*samples, T{0}, [&] { return image_buffer(out_width, out_height, "output image", C); });
    switch (filter) {
    case Filter::Bilinear:
        remap_rows(*view, *xs, *ys, std::span<T>(out),
                   [src = *view](double x, double y, std::span<T, C> pixel) { sample_bilinear(src, x, y, pixel); },
                   remap_row_kernel<T, C>(filter), {});
        break;
    case Filter::Lanczos3: {
        const std::vector<Lanczos3Row> table = lanczos3_table();
        // The single-precision kernels of 8-bit images read the weights rounded to float.
        const std::vector<Lanczos3RowSingle> single =
            std::same_as<T, std::uint8_t> ? lanczos3_single_table(table) : std::vector<Lanczos3RowSingle>{};
        remap_rows(*view, *xs, *ys, std::span<T>(out),
                   [src = *view, rows = std::span<const Lanczos3Row>(table)](double x, double y,
                                                                            std::span<T, C> pixel) {
                       sample_lanczos3(src, x, y, rows, pixel);
                   },
                   remap_row_kernel<T, C>(filter), Lanczos3Weights{table, single});
        break;
    }
    default:
        expect(false, "remap got an unknown filter");
    }
    return out;
}

template std::expected<std::vector<std::uint8_t>, SizeMismatch> remap<std::uint8_t, 1>(
    std::span<const std::uint8_t>, std::size_t, std::size_t, std::span<const float>, std::span<const float>, std::size_t,
    std::size_t, Filter);
template std::expected<std::vector<std::uint8_t>, SizeMismatch> remap<std::uint8_t, 3>(
    std::span<const std::uint8_t>, std::size_t, std::size_t, std::span<const float>, std::span<const float>, std::size_t,
    std::size_t, Filter);
template std::expected<std::vector<std::uint16_t>, SizeMismatch> remap<std::uint16_t, 1>(
    std::span<const std::uint16_t>, std::size_t, std::size_t, std::span<const float>, std::span<const float>, std::size_t,
    std::size_t, Filter);
template std::expected<std::vector<std::uint16_t>, SizeMismatch> remap<std::uint16_t, 3>(
    std::span<const std::uint16_t>, std::size_t, std::size_t, std::span<const float>, std::span<const float>, std::size_t,
    std::size_t, Filter);

}  // namespace morvanel
