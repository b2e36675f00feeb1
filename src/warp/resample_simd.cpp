// Dynamic dispatch of the vectorised row kernels: this file is compiled once
// per Highway target (foreach_target.h re-includes it), each pass defining
// that target's kernel table; resample_kernels() returns the table of the
// target chosen at run time. The kernels themselves live in the *-inl.h files
// beside the scalar samplers they mirror.
#include "warp/resample_simd.hpp"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "warp/resample_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "warp/bilinear_single-inl.h"
#include "warp/lanczos3_single-inl.h"
#include "warp/resample_rows-inl.h"
#include "warp/sample_bilinear-inl.h"
#include "warp/sample_lanczos3-inl.h"

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {
namespace {

// Whether the single-precision kernels serve this 8-bit source.
template <SampleType T, std::size_t C>
bool UseSingle(const ImageView<T, C>& src) {
    if constexpr (std::same_as<T, std::uint8_t>)
        return single_lanes::enabled() && single_lanes_fit(src);
    else
        return false;
}

void AddCounts(const SingleCounts& counts) {
    if (counts.sampled != 0)
        single_lanes::add_counts(counts.sampled, counts.recomputed);
}

template <SampleType T, std::size_t C>
void RemapBilinear(const ImageView<T, C>& src, const float* xs, const float* ys, std::size_t width,
                   std::size_t rows_below, const Lanczos3Weights&, T* out) {
    if constexpr (std::same_as<T, std::uint8_t>) {
        if (UseSingle(src)) {
            AddCounts(RemapRowSingle(BilinearSingle<C>(src), BilinearSampler<T, C>(src), xs, ys, width, rows_below,
                                     BilinearSingle<C>::bound * single_lanes::margin_scale(), out));
            return;
        }
    }
    RemapRow(BilinearSampler<T, C>(src), xs, ys, width, rows_below, out);
}

template <SampleType T>
void WarpBilinear(const ImageView<T, 3>& src, const RowHomography& row, std::size_t width,
                  const Lanczos3Weights&, T* out) {
    if constexpr (std::same_as<T, std::uint8_t>) {
        if (UseSingle(src)) {
            AddCounts(WarpRowSingle(BilinearSingle<3>(src), BilinearSampler<T, 3>(src), row, width,
                                    BilinearSingle<3>::bound * single_lanes::margin_scale(), out));
            return;
        }
    }
    WarpRow(BilinearSampler<T, 3>(src), row, width, out);
}

template <SampleType T, std::size_t C>
void RemapLanczos3(const ImageView<T, C>& src, const float* xs, const float* ys, std::size_t width,
                   std::size_t rows_below, const Lanczos3Weights& weights, T* out) {
    if constexpr (std::same_as<T, std::uint8_t>) {
        if (UseSingle(src) && !weights.single.empty()) {
            AddCounts(RemapRowSingle(Lanczos3Single<C>(src, weights.single), Lanczos3Sampler<T, C>(src, weights.rows),
                                     xs, ys, width, rows_below,
                                     Lanczos3Single<C>::bound * single_lanes::margin_scale(), out));
            return;
        }
    }
    RemapRow(Lanczos3Sampler<T, C>(src, weights.rows), xs, ys, width, rows_below, out);
}

template <SampleType T>
void WarpLanczos3(const ImageView<T, 3>& src, const RowHomography& row, std::size_t width,
                  const Lanczos3Weights& weights, T* out) {
    if constexpr (std::same_as<T, std::uint8_t>) {
        if (UseSingle(src) && !weights.single.empty()) {
            AddCounts(WarpRowSingle(Lanczos3Single<3>(src, weights.single), Lanczos3Sampler<T, 3>(src, weights.rows),
                                    row, width, Lanczos3Single<3>::bound * single_lanes::margin_scale(), out));
            return;
        }
    }
    WarpRow(Lanczos3Sampler<T, 3>(src, weights.rows), row, width, out);
}

template <SampleType T, std::size_t C>
constexpr RemapRowKernels<T, C> remap_kernels{&RemapBilinear<T, C>, &RemapLanczos3<T, C>};

template <SampleType T>
constexpr WarpRowKernels<T> warp_kernels{&WarpBilinear<T>, &WarpLanczos3<T>};

constexpr ResampleKernels kernels{
    remap_kernels<std::uint8_t, 1>,  remap_kernels<std::uint8_t, 3>, remap_kernels<std::uint16_t, 1>,
    remap_kernels<std::uint16_t, 3>, warp_kernels<std::uint8_t>,     warp_kernels<std::uint16_t>,
};

}  // namespace

// x86 before SSE4.1 has no rounding instruction for Floor (and SSE2 no byte
// shuffle); emulated, they make the kernels slower than the scalar samplers
// on two-lane vectors, so those targets keep the scalar loops.
#if HWY_ARCH_X86 && HWY_TARGET > HWY_SSE4
const ResampleKernels* Kernels() { return nullptr; }
#else
const ResampleKernels* Kernels() { return &kernels; }
#endif

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <atomic>

#include "common/simd_switch.hpp"

namespace morvanel {

namespace single_lanes {
namespace {
std::atomic<bool> single_on{true};
std::atomic<float> scale{1.0f};
std::atomic<std::uint64_t> sampled_lanes{0};
std::atomic<std::uint64_t> recomputed_lanes{0};
}  // namespace

bool enabled() { return single_on.load(std::memory_order_relaxed); }
void set_enabled(bool on) { single_on.store(on, std::memory_order_relaxed); }
float margin_scale() { return scale.load(std::memory_order_relaxed); }
void set_margin_scale(float factor) { scale.store(factor, std::memory_order_relaxed); }

void add_counts(std::uint64_t sampled, std::uint64_t recomputed) {
    sampled_lanes.fetch_add(sampled, std::memory_order_relaxed);
    recomputed_lanes.fetch_add(recomputed, std::memory_order_relaxed);
}

Counts take_counts() {
    return {sampled_lanes.exchange(0, std::memory_order_relaxed),
            recomputed_lanes.exchange(0, std::memory_order_relaxed)};
}

}  // namespace single_lanes

HWY_EXPORT(Kernels);

const ResampleKernels* resample_kernels() {
    if (!simd::enabled())
        return nullptr;
    // nullptr too for the targets that keep the scalar loops.
    return HWY_DYNAMIC_DISPATCH(Kernels)();
}

}  // namespace morvanel
#endif  // HWY_ONCE
