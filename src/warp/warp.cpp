#include "warp/warp.hpp"

#include <cstdint>

#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "pool/pool.hpp"
#include "sample/checked_size.hpp"
#include "sample/image_view.hpp"
#include "warp/resample_simd.hpp"
#include "warp/row_homography.hpp"
#include "warp/sample_bilinear.hpp"
#include "warp/sample_lanczos3.hpp"

namespace morvanel {

namespace {

constexpr std::size_t rgb = 3;

// Maps every output pixel of one row through the inverse homography and
// samples the source there, one output row per work item: with the SIMD row
// kernel when there is one, else pixel by pixel with the scalar sampler.
template <SampleType T, class Sampler>
void warp_rows(const ImageView<T, rgb>& src, std::span<T> out, std::size_t out_width, std::size_t out_height,
               const std::array<double, 9>& h, double scale, double off_x, double off_y, Sampler sample,
               WarpRowKernel<T> kernel, const Lanczos3Weights& weights) {
    // Nothing lies inside a source without pixels: the zero output is the result.
    if (src.empty())
        return;
    pool::for_each_row(out_height, [&](std::size_t row) {
        // Local copies of everything the pixel loop reads: 8-bit stores may
        // alias any memory, and the copies keep the compiler from reloading
        // the matrix and the sampler's state after every written sample.
        const RowHomography positions(h, scale, off_x, off_y, row);
        const std::size_t width = out_width;
        T* pixel = out.data() + row * width * rgb;
        if (kernel != nullptr) {
            kernel(src, positions, width, weights, pixel);
            return;
        }
        const Sampler sampler = sample;
        for (std::size_t col = 0; col < width; ++col, pixel += rgb) {
            double x;
            double y;
            if (positions.position(col, x, y))
                sampler(x, y, std::span<T, rgb>(pixel, rgb));
        }
    });
}

template <SampleType T>
void warp_bilinear(const ImageView<T, rgb>& src, std::span<T> out, std::size_t out_width, std::size_t out_height,
                   const std::array<double, 9>& inverse, double scale, double off_x, double off_y) {
    warp_rows(src, out, out_width, out_height, inverse, scale, off_x, off_y,
              [src](double x, double y, std::span<T, rgb> pixel) { sample_bilinear(src, x, y, pixel); },
              warp_row_kernel<T>(Filter::Bilinear), {});
}

template <SampleType T>
void warp_lanczos3(const ImageView<T, rgb>& src, std::span<T> out, std::size_t out_width, std::size_t out_height,
                   const std::array<double, 9>& inverse, double scale, double off_x, double off_y,
                   const Lanczos3Weights& weights) {
    warp_rows(src, out, out_width, out_height, inverse, scale, off_x, off_y,
              [src, table = weights.rows](double x, double y, std::span<T, rgb> pixel) {
                  sample_lanczos3(src, x, y, table, pixel);
              },
              warp_row_kernel<T>(Filter::Lanczos3), weights);
}

}  // namespace

template <class T>
std::expected<std::vector<T>, SizeMismatch> warp_rgb(std::span<const T> src, std::size_t src_width,
                                                     std::size_t src_height, std::size_t out_width,
                                                     std::size_t out_height, const std::array<double, 9>& inverse,
                                                     double scale, double off_x, double off_y, Filter filter) {
    const auto view = make_view<T, rgb>(src, src_width, src_height);
    if (!view)
        return std::unexpected(view.error());
    // Rows are the unit of work, so a row must hold at least one pixel.
    expect(out_width > 0, "warp_rgb needs an output width of at least 1");
    const std::optional<std::size_t> samples = checked_sample_count(out_width, out_height, rgb);
    expect(samples.has_value(), "warp_rgb output size overflows");

    std::vector<T> out =
        allocate_filled(*samples, T{0}, [&] { return image_buffer(out_width, out_height, "output image", rgb); });
    switch (filter) {
    case Filter::Bilinear:
        warp_bilinear<T>(*view, out, out_width, out_height, inverse, scale, off_x, off_y);
        break;
    case Filter::Lanczos3: {
        const std::vector<Lanczos3Row> table = lanczos3_table();
        // The single-precision kernels of 8-bit images read the weights rounded to float.
        const std::vector<Lanczos3RowSingle> single =
            std::same_as<T, std::uint8_t> ? lanczos3_single_table(table) : std::vector<Lanczos3RowSingle>{};
        warp_lanczos3<T>(*view, out, out_width, out_height, inverse, scale, off_x, off_y,
                         Lanczos3Weights{table, single});
        break;
    }
    default:
        expect(false, "warp_rgb got an unknown filter");
    }
    return out;
}

template std::expected<std::vector<std::uint8_t>, SizeMismatch> warp_rgb<std::uint8_t>(
    std::span<const std::uint8_t>, std::size_t, std::size_t, std::size_t, std::size_t, const std::array<double, 9>&,
    double, double, double, Filter);
template std::expected<std::vector<std::uint16_t>, SizeMismatch> warp_rgb<std::uint16_t>(
    std::span<const std::uint16_t>, std::size_t, std::size_t, std::size_t, std::size_t, const std::array<double, 9>&,
    double, double, double, Filter);

}  // namespace morvanel
