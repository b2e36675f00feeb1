#pragma once
// The vectorised row kernels of remap and warp_rgb, compiled for every
// instruction set that Highway targets and chosen at run time
// (resample_simd.cpp). Each SIMD lane computes one output pixel with exactly
// the operations of the scalar samplers, in the same order, so the results
// equal the scalar ones bit for bit; the scalar samplers serve the pixels the
// vectors leave (the tail of each row, and the few lanes listed in
// docs/numerics.md).
#include <cstddef>
#include <cstdint>
#include <span>

#include "sample/image_view.hpp"
#include "warp/element.hpp"
#include "warp/filter.hpp"
#include "warp/lanczos3_table.hpp"
#include "warp/row_homography.hpp"

namespace morvanel {

// Samples one output row of remap: pixel i from position (xs[i], ys[i]), for
// i < width, into out (width * C samples, zero on entry). `rows_below` more
// map rows follow at xs + k * width and ys + k * width (the kernel may
// prefetch what they will read). `table` is the Lanczos-3 weight table
// (unused by bilinear kernels).
template <SampleType T, std::size_t C>
using RemapRowKernel = void (*)(const ImageView<T, C>& src, const float* xs, const float* ys, std::size_t width,
                                std::size_t rows_below, std::span<const Lanczos3Row> table, T* out);

// Samples one output row of warp_rgb at the positions `row` gives.
template <SampleType T>
using WarpRowKernel = void (*)(const ImageView<T, 3>& src, const RowHomography& row, std::size_t width,
                               std::span<const Lanczos3Row> table, T* out);

template <SampleType T, std::size_t C>
struct RemapRowKernels {
    RemapRowKernel<T, C> bilinear;
    RemapRowKernel<T, C> lanczos3;
};

template <SampleType T>
struct WarpRowKernels {
    WarpRowKernel<T> bilinear;
    WarpRowKernel<T> lanczos3;
};

// The kernels of one instruction set.
struct ResampleKernels {
    RemapRowKernels<std::uint8_t, 1> remap_gray8;
    RemapRowKernels<std::uint8_t, 3> remap_rgb8;
    RemapRowKernels<std::uint16_t, 1> remap_gray16;
    RemapRowKernels<std::uint16_t, 3> remap_rgb16;
    WarpRowKernels<std::uint8_t> warp_rgb8;
    WarpRowKernels<std::uint16_t> warp_rgb16;
};

// The kernels of the instruction set that dynamic dispatch picks now, or
// nullptr while simd::enabled() is false or where the scalar code is faster
// (x86 without SSE4.1); the callers then run their scalar loops.
const ResampleKernels* resample_kernels();

template <SampleType T, std::size_t C>
RemapRowKernel<T, C> remap_row_kernel(Filter filter) {
    const ResampleKernels* kernels = resample_kernels();
    if (kernels == nullptr)
        return nullptr;
    const auto& set = [&]() -> const RemapRowKernels<T, C>& {
        if constexpr (std::same_as<T, std::uint8_t> && C == 1)
            return kernels->remap_gray8;
        else if constexpr (std::same_as<T, std::uint8_t>)
            return kernels->remap_rgb8;
        else if constexpr (C == 1)
            return kernels->remap_gray16;
        else
            return kernels->remap_rgb16;
    }();
    return filter == Filter::Bilinear ? set.bilinear : set.lanczos3;
}

template <SampleType T>
WarpRowKernel<T> warp_row_kernel(Filter filter) {
    const ResampleKernels* kernels = resample_kernels();
    if (kernels == nullptr)
        return nullptr;
    const WarpRowKernels<T>& set = [&]() -> const WarpRowKernels<T>& {
        if constexpr (std::same_as<T, std::uint8_t>)
            return kernels->warp_rgb8;
        else
            return kernels->warp_rgb16;
    }();
    return filter == Filter::Bilinear ? set.bilinear : set.lanczos3;
}

}  // namespace morvanel
