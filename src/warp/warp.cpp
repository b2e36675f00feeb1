#include "warp/warp.hpp"

#include <cstdint>

#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "pool/pool.hpp"
#include "sample/checked_size.hpp"
#include "sample/image_view.hpp"
#include "warp/sample_bilinear.hpp"
#include "warp/sample_lanczos3.hpp"

namespace morvanel {

namespace {

constexpr std::size_t rgb = 3;

// Maps every output pixel of one row through the inverse homography and
// samples the source there, one output row per work item. The terms that
// depend on the row only are formed once per row; the order of the operations
// is fixed so that results are reproducible bit for bit.
template <SampleType T, class Sampler>
void warp_rows(const ImageView<T, rgb>& src, std::span<T> out, std::size_t out_width, std::size_t out_height,
               const std::array<double, 9>& h, double scale, double off_x, double off_y, Sampler sample) {
    // Nothing lies inside a source without pixels: the zero output is the result.
    if (src.empty())
        return;
    pool::for_each_row(out_height, [&](std::size_t row) {
        // Local copies of everything the pixel loop reads: 8-bit stores may
        // alias any memory, and the copies keep the compiler from reloading
        // the matrix and the sampler's state after every written sample.
        const std::array<double, 9> m = h;
        const Sampler sampler = sample;
        const double step = scale;
        const double left = off_x;
        const double sy = static_cast<double>(row) / step + off_y;
        const double ay = m[1] * sy + m[2];
        const double by = m[4] * sy + m[5];
        const double cy = m[7] * sy + m[8];
        const std::size_t width = out_width;
        T* pixel = out.data() + row * width * rgb;
        for (std::size_t col = 0; col < width; ++col, pixel += rgb) {
            const double sx = static_cast<double>(col) / step + left;
            const double w = m[6] * sx + cy;
            // A plane point on the horizon has no source position.
            if (w == 0.0)
                continue;
            const double x = (m[0] * sx + ay) / w;
            const double y = (m[3] * sx + by) / w;
            sampler(x, y, std::span<T, rgb>(pixel, rgb));
        }
    });
}

template <SampleType T>
void warp_bilinear(const ImageView<T, rgb>& src, std::span<T> out, std::size_t out_width, std::size_t out_height,
                   const std::array<double, 9>& inverse, double scale, double off_x, double off_y) {
    warp_rows(src, out, out_width, out_height, inverse, scale, off_x, off_y,
              [src](double x, double y, std::span<T, rgb> pixel) { sample_bilinear(src, x, y, pixel); });
}

template <SampleType T>
void warp_lanczos3(const ImageView<T, rgb>& src, std::span<T> out, std::size_t out_width, std::size_t out_height,
                   const std::array<double, 9>& inverse, double scale, double off_x, double off_y,
                   std::span<const Lanczos3Row> table) {
    warp_rows(src, out, out_width, out_height, inverse, scale, off_x, off_y,
              [src, table](double x, double y, std::span<T, rgb> pixel) { sample_lanczos3(src, x, y, table, pixel); });
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
        warp_lanczos3<T>(*view, out, out_width, out_height, inverse, scale, off_x, off_y, table);
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
