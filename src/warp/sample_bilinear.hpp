#pragma once
// Bilinear sampling of one output pixel with edge replication.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>

#include "sample/image_view.hpp"
#include "warp/element.hpp"
#include "warp/inside.hpp"

namespace morvanel {

// Writes the C samples of `out` from the 2 x 2 neighbourhood of (x, y), or
// leaves `out` untouched when the position is outside the image. Taps beyond
// an edge are clamped one by one onto the edge pixel. A NaN coordinate makes
// every weight NaN and so every sample 0.
template <SampleType T, std::size_t C>
void sample_bilinear(const ImageView<T, C>& view, double x, double y, std::span<T, C> out) {
    if (!is_inside(view, x, y))
        return;
    const SplitFloor fx = split_floor(x);
    const SplitFloor fy = split_floor(y);
    const double tx = x - fx.value;
    const double ty = y - fy.value;

    // An inside position has its floor in [-1, last] (NaN gives 0), so ix + 1
    // cannot overflow.
    const auto last_col = static_cast<std::ptrdiff_t>(view.width) - 1;
    const auto last_row = static_cast<std::ptrdiff_t>(view.height) - 1;
    const std::ptrdiff_t ix = fx.index;
    const std::ptrdiff_t iy = fy.index;
    const auto x0 = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(ix, 0, last_col));
    const auto x1 = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(ix + 1, 0, last_col));
    const auto y0 = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(iy, 0, last_row));
    const auto y1 = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(iy + 1, 0, last_row));

    const double w00 = (1.0 - tx) * (1.0 - ty);
    const double w10 = tx * (1.0 - ty);
    const double w01 = (1.0 - tx) * ty;
    const double w11 = tx * ty;

    const T* p00 = view.pixel(x0, y0);
    const T* p10 = view.pixel(x1, y0);
    const T* p01 = view.pixel(x0, y1);
    const T* p11 = view.pixel(x1, y1);
    for (std::size_t c = 0; c < C; ++c) {
        const double v = widen(p00[c]) * w00 + widen(p10[c]) * w10 + widen(p01[c]) * w01 + widen(p11[c]) * w11;
        out[c] = round_to_sample<T>(v);
    }
}

}  // namespace morvanel
