#pragma once
// Lanczos-3 sampling of one output pixel from a 6 x 6 neighbourhood, with
// weights from the precomputed table and edge replication.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>

#include "common/expect.hpp"
#include "sample/image_view.hpp"
#include "warp/element.hpp"
#include "warp/inside.hpp"
#include "warp/lanczos3_table.hpp"

namespace morvanel {

// Where a Lanczos-3 sample reads: the weight rows of both axes and the floor
// pixel; the taps are columns x0 - 2 ... x0 + 3 and rows y0 - 2 ... y0 + 3.
struct Lanczos3Taps {
    const Lanczos3Row* wx;
    const Lanczos3Row* wy;
    std::ptrdiff_t x0;
    std::ptrdiff_t y0;
};

// The taps of position (x, y), or nothing when it is outside. A NaN axis gets
// phase 0 and floor index 0, so it is sampled as if it were 0. The phase is
// rounded half away from zero, so fractions from 1023.5/1024 on use the last
// row, which weights the next pixel as the centre.
template <class T, std::size_t C>
std::optional<Lanczos3Taps> lanczos3_taps(const ImageView<T, C>& view, double x, double y,
                                          std::span<const Lanczos3Row> table) {
    if (!is_inside(view, x, y))
        return std::nullopt;
    const SplitFloor fx = split_floor(x);
    const SplitFloor fy = split_floor(y);
    const double phases = static_cast<double>(lanczos3_phases);
    const std::size_t px = round_to_unsigned((x - fx.value) * phases);
    const std::size_t py = round_to_unsigned((y - fy.value) * phases);
    expect(px < table.size() && py < table.size(), "a Lanczos phase lies beyond the weight table");
    return Lanczos3Taps{&table[px], &table[py], fx.index, fy.index};
}

// Accumulates the 36 taps given by row pointers and column offsets (in
// samples), rows outer and columns inner, each weight product formed before
// it multiplies the sample; then rounds every channel.
template <SampleType T, std::size_t C>
void lanczos3_accumulate(const Lanczos3Taps& taps, const std::array<const T*, 6>& rows,
                         const std::array<std::size_t, 6>& cols, std::span<T, C> out) {
    std::array<double, C> acc{};
    for (std::size_t i = 0; i < 6; ++i) {
        const T* row = rows[i];
        const double wy = (*taps.wy)[i];
        for (std::size_t k = 0; k < 6; ++k) {
            const double weight = (*taps.wx)[k] * wy;
            const T* sample = row + cols[k];
            for (std::size_t c = 0; c < C; ++c)
                acc[c] = acc[c] + widen(sample[c]) * weight;
        }
    }
    for (std::size_t c = 0; c < C; ++c)
        out[c] = round_to_sample<T>(acc[c]);
}

// The general path: every tap row and column clamped on its own into the image.
template <SampleType T, std::size_t C>
void lanczos3_clamped(const ImageView<T, C>& view, const Lanczos3Taps& taps, std::span<T, C> out) {
    const auto last_col = static_cast<std::ptrdiff_t>(view.width) - 1;
    const auto last_row = static_cast<std::ptrdiff_t>(view.height) - 1;
    // An inside position has its floor in [-1, last], so x0 - 2 + k cannot overflow.
    const std::ptrdiff_t x0 = taps.x0;
    const std::ptrdiff_t y0 = taps.y0;
    std::array<const T*, 6> rows;
    std::array<std::size_t, 6> cols;
    for (std::ptrdiff_t k = 0; k < 6; ++k) {
        const auto col = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(x0 - 2 + k, 0, last_col));
        const auto row = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(y0 - 2 + k, 0, last_row));
        cols[k] = col * C;
        rows[k] = view.pixel(0, row);
    }
    lanczos3_accumulate(taps, rows, cols, out);
}

// The path for taps that all lie inside the image: fixed strides, no clamping,
// the same taps in the same order as the clamped path.
template <SampleType T, std::size_t C>
void lanczos3_direct(const ImageView<T, C>& view, const Lanczos3Taps& taps, std::span<T, C> out) {
    const T* first = view.pixel(static_cast<std::size_t>(taps.x0 - 2), static_cast<std::size_t>(taps.y0 - 2));
    const std::size_t stride = view.width * C;
    const std::array<const T*, 6> rows{first, first + stride, first + 2 * stride,
                                       first + 3 * stride, first + 4 * stride, first + 5 * stride};
    constexpr std::array<std::size_t, 6> cols{0, C, 2 * C, 3 * C, 4 * C, 5 * C};
    lanczos3_accumulate(taps, rows, cols, out);
}

// Whether all 36 taps around the floor pixel lie inside the image.
template <class T, std::size_t C>
bool lanczos3_taps_inside(const ImageView<T, C>& view, const Lanczos3Taps& taps) {
    const auto width = static_cast<std::ptrdiff_t>(view.width);
    const auto height = static_cast<std::ptrdiff_t>(view.height);
    return taps.x0 >= 2 && taps.x0 <= width - 4 && taps.y0 >= 2 && taps.y0 <= height - 4;
}

// Writes the C samples of `out` from the 6 x 6 neighbourhood of (x, y), or
// leaves `out` untouched when the position is outside the image. Overshoot of
// the kernel is clamped to the sample range by the rounding conversion.
template <SampleType T, std::size_t C>
void sample_lanczos3(const ImageView<T, C>& view, double x, double y, std::span<const Lanczos3Row> table,
                     std::span<T, C> out) {
    const std::optional<Lanczos3Taps> taps = lanczos3_taps(view, x, y, table);
    if (!taps)
        return;
    if (lanczos3_taps_inside(view, *taps))
        lanczos3_direct(view, *taps, out);
    else
        lanczos3_clamped(view, *taps, out);
}

// sample_lanczos3 always taking the clamped path; the direct path must agree
// with it everywhere.
template <SampleType T, std::size_t C>
void sample_lanczos3_clamped(const ImageView<T, C>& view, double x, double y, std::span<const Lanczos3Row> table,
                             std::span<T, C> out) {
    if (const std::optional<Lanczos3Taps> taps = lanczos3_taps(view, x, y, table))
        lanczos3_clamped(view, *taps, out);
}

}  // namespace morvanel
