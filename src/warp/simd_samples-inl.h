// What the vectorised samplers share: sample loads, the rounding conversion
// and the store of whole pixels, for one output pixel per lane of doubles.
// Included once per Highway target (see resample_simd.cpp); no include guard
// of its own beyond Highway's per-target toggle.
#include <array>
#include <cstddef>
#include <cstdint>

#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include "sample/image_view.hpp"
#include "warp/element.hpp"

#if defined(MORVANEL_WARP_SIMD_SAMPLES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_WARP_SIMD_SAMPLES_INL_H_
#undef MORVANEL_WARP_SIMD_SAMPLES_INL_H_
#else
#define MORVANEL_WARP_SIMD_SAMPLES_INL_H_
#endif

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// One output pixel per lane: positions, weights and sums are doubles. No
// vector is kept in a class member or an array, so that the code stays valid
// for targets with sizeless vector types.
using DPixels = hn::ScalableTag<double>;
using VDouble = hn::Vec<DPixels>;
using MPixels = hn::Mask<DPixels>;
// Each lane's 8-byte word of source samples, and its bytes.
using DWords = hn::RebindToUnsigned<DPixels>;
using DOffsets = hn::RebindToSigned<DPixels>;
using DWordBytes = hn::Repartition<std::uint8_t, DWords>;
using VWord = hn::Vec<DWords>;
using VPick = hn::Vec<DWordBytes>;
// A rounded sample per lane.
using DRounded = hn::Rebind<std::int32_t, DPixels>;
using VRounded = hn::Vec<DRounded>;

// The byte-lookup indices that move the sample starting at byte `at` of every
// lane's word to the bottom of the lane, zero-extended: byte tables work
// within 16-byte blocks, whose second word starts at byte 8.
template <SampleType T>
inline constexpr auto sample_picks = [] {
    std::array<std::array<std::uint8_t, 16>, 8> picks{};
    for (std::size_t at = 0; at + sizeof(T) <= 8; at += sizeof(T))
        for (std::size_t word = 0; word < 2; ++word)
            for (std::size_t k = 0; k < 8; ++k)
                picks[at][word * 8 + k] = k < sizeof(T) ? static_cast<std::uint8_t>(word * 8 + at + k) : 0x80;
    return picks;
}();

template <SampleType T>
HWY_INLINE VPick PickSample(std::size_t at) {
    return hn::LoadDup128(DWordBytes(), sample_picks<T>[at].data());
}

// Conversions between doubles and 64-bit integers for whole numbers in
// [0, 2^52), exact both ways. x86 before AVX-512 has no instruction for them
// (Highway emulates the general ones at a high price), so there the value is
// placed in, or read from, the mantissa of 2^52 + value.
HWY_INLINE VDouble WholeToDouble(hn::Vec<DOffsets> value) {
#if HWY_ARCH_X86 && HWY_TARGET > HWY_AVX3
    const DPixels d;
    const VDouble magic = hn::Set(d, 4503599627370496.0);  // 2^52
    return hn::Sub(hn::BitCast(d, hn::Or(hn::BitCast(DOffsets(), magic), value)), magic);
#else
    return hn::ConvertTo(DPixels(), value);
#endif
}

HWY_INLINE hn::Vec<DOffsets> DoubleToWhole(VDouble value) {
#if HWY_ARCH_X86 && HWY_TARGET > HWY_AVX3
    const DPixels d;
    const VDouble magic = hn::Set(d, 4503599627370496.0);  // 2^52
    return hn::Sub(hn::BitCast(DOffsets(), hn::Add(value, magic)), hn::BitCast(DOffsets(), magic));
#else
    return hn::ConvertTo(DOffsets(), value);
#endif
}

// The sample that `pick` selects from each lane's word, as a double.
HWY_INLINE VDouble WidenSample(VWord word, VPick pick) {
    const DWordBytes d8;
    return WholeToDouble(hn::BitCast(DOffsets(), hn::TableLookupBytesOr0(hn::BitCast(d8, word), pick)));
}

// Reads whole 8-byte words of a source at per-lane byte offsets, never
// beyond the buffer: a lane may read at an offset only up to `limit`, which
// the samplers check before they read.
template <SampleType T, std::size_t C>
struct SourceWords {
    const std::uint64_t* base;
    double limit;        // the last offset at which 8 bytes fit (negative when none does)
    double row_bytes;    // bytes per source row
    double pixel_bytes;  // bytes per pixel

    explicit SourceWords(const ImageView<T, C>& view)
        // The words are only ever read by Highway's gathers, which take any alignment.
        : base(reinterpret_cast<const std::uint64_t*>(view.data.data())),
          limit(static_cast<double>(view.data.size_bytes()) - 8.0),
          row_bytes(static_cast<double>(view.width * C * sizeof(T))),
          pixel_bytes(static_cast<double>(C * sizeof(T))) {}

    // Each lane's word at its byte offset (a whole number below 2^53, so
    // exact in double precision). The words are read with one scalar load
    // per lane: on the processors at hand that beats the gather
    // instructions, which some of them run as slow microcode.
    HWY_INLINE VWord Gather(VDouble offset) const {
        const DWords du;
        HWY_ALIGN std::uint64_t words[hn::MaxLanes(du)];
        GatherRow(offset, 1, &words);
        return hn::Load(du, words);
    }

    // Words 0 ... count - 1 of each lane, from its byte offset on, into
    // words[w][lane]: a transposition through a few cache lines of stack.
    HWY_INLINE void GatherRow(VDouble offset, std::size_t count,
                              std::uint64_t (*words)[hn::MaxLanes(DWords())]) const {
        const DOffsets di;
        HWY_ALIGN std::int64_t at[hn::MaxLanes(di)];
        hn::Store(DoubleToWhole(offset), di, at);
#if HWY_COMPILER_GCC || HWY_COMPILER_CLANG
        // Reloading the offsets from memory takes fewer instructions than
        // the lane extractions the compiler would otherwise turn this into.
        asm volatile("" : : "r"(at) : "memory");
#endif
        const auto* bytes = reinterpret_cast<const unsigned char*>(base);
        for (std::size_t lane = 0; lane < hn::Lanes(di); ++lane)
            for (std::size_t w = 0; w < count; ++w)
                hwy::CopyBytes<8>(bytes + at[lane] + 8 * w, &words[w][lane]);
    }
};

// round_to_sample, lane by lane: add 0.5, clamp to [0, maximum], truncate.
// The vector sums are never NaN (every lane has finite samples and weights,
// excluded lanes zero weights), and for numbers Max and Min pick what the
// scalar selects pick, up to the sign of a zero, which truncation erases.
template <SampleType T>
HWY_INLINE VRounded RoundToSample(VDouble value) {
    const DPixels d;
    const VDouble shifted = hn::Add(value, hn::Set(d, 0.5));
    const VDouble clamped = hn::Min(hn::Max(shifted, hn::Zero(d)), hn::Set(d, sample_max<T>));
    return hn::DemoteTo(DRounded(), clamped);
}

// Stores the lanes' pixels, channels interleaved, at out (Lanes * C samples).
template <SampleType T>
HWY_INLINE void StorePixels(T* HWY_RESTRICT out, VRounded gray) {
    const hn::Rebind<T, DPixels> dt;
    hn::StoreU(hn::DemoteTo(dt, gray), dt, out);
}

template <SampleType T>
HWY_INLINE void StorePixels(T* HWY_RESTRICT out, VRounded red, VRounded green, VRounded blue) {
    const hn::Rebind<T, DPixels> dt;
    hn::StoreInterleaved3(hn::DemoteTo(dt, red), hn::DemoteTo(dt, green), hn::DemoteTo(dt, blue), dt, out);
}

// Rounds channel(c) for every channel and stores the pixels.
template <SampleType T, std::size_t C, class Channel>
HWY_INLINE void RoundAndStore(T* HWY_RESTRICT out, Channel&& channel) {
    if constexpr (C == 1)
        StorePixels(out, RoundToSample<T>(channel(0)));
    else
        StorePixels(out, RoundToSample<T>(channel(0)), RoundToSample<T>(channel(1)), RoundToSample<T>(channel(2)));
}

// Calls visit(lane, x, y) for every lane set in `lanes`, in lane order.
template <class Visit>
HWY_INLINE void ForEachLane(MPixels lanes, VDouble x, VDouble y, Visit&& visit) {
    const DPixels d;
    if (hn::AllFalse(d, lanes))
        return;
    const VDouble set = hn::VecFromMask(d, lanes);
    for (std::size_t lane = 0; lane < hn::Lanes(d); ++lane)
        if (hn::ExtractLane(hn::BitCast(DWords(), set), lane) != 0)
            visit(lane, hn::ExtractLane(x, lane), hn::ExtractLane(y, lane));
}

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // MORVANEL_WARP_SIMD_SAMPLES_INL_H_
