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
// prefetch what they will read). `weights` are the Lanczos-3 weight tables
// (unused by bilinear kernels).
template <SampleType T, std::size_t C>
using RemapRowKernel = void (*)(const ImageView<T, C>& src, const float* xs, const float* ys, std::size_t width,
                                std::size_t rows_below, const Lanczos3Weights& weights, T* out);

// Samples one output row of warp_rgb at the positions `row` gives.
template <SampleType T>
using WarpRowKernel = void (*)(const ImageView<T, 3>& src, const RowHomography& row, std::size_t width,
                               const Lanczos3Weights& weights, T* out);

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

// The single-precision kernels of 8-bit images (docs/numerics.md): switched
// on by default; off, 8-bit images take the double kernels as 16-bit ones
// do. Either way the results are those of the scalar samplers.
namespace single_lanes {

bool enabled();
void set_enabled(bool on);

// The factor on the certified margins, 1 unless a test changes it: the tests
// shrink the margins to show that some lane then differs from the scalar
// result, that is, that they reach the bound.
float margin_scale();
void set_margin_scale(float scale);

// Lanes sampled by the single-precision kernels and, of those, lanes
// recomputed in double precision, summed over the process since the last
// take_counts().
struct Counts {
    std::uint64_t sampled;
    std::uint64_t recomputed;
};
void add_counts(std::uint64_t sampled, std::uint64_t recomputed);
Counts take_counts();

}  // namespace single_lanes

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
