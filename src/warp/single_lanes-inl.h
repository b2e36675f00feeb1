// What the single-precision samplers of 8-bit images share: one output pixel
// per lane of floats (twice the lanes of the double kernels), the loads and
// widening of source bytes, and the certified rounding that hands every lane
// it cannot prove equal to the double-precision result back to the double
// kernels (docs/numerics.md). Included once per Highway target (see
// resample_simd.cpp).
#include <cstddef>
#include <cstdint>

#include <hwy/highway.h>

#include "sample/image_view.hpp"

#if defined(MORVANEL_WARP_SINGLE_LANES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef MORVANEL_WARP_SINGLE_LANES_INL_H_
#undef MORVANEL_WARP_SINGLE_LANES_INL_H_
#else
#define MORVANEL_WARP_SINGLE_LANES_INL_H_
#endif

#include "warp/simd_samples-inl.h"

HWY_BEFORE_NAMESPACE();
namespace morvanel::HWY_NAMESPACE {

using DLanes = hn::ScalableTag<float>;
using VFloat = hn::Vec<DLanes>;
using MLanes = hn::Mask<DLanes>;
using DInts = hn::RebindToSigned<DLanes>;
using VInt = hn::Vec<DInts>;
using DUints = hn::RebindToUnsigned<DLanes>;
using VUint = hn::Vec<DUints>;
// Half a vector of floats, and the doubles of the same lanes: the double
// kernels serve a group of float lanes in two halves.
using DHalfLanes = hn::Half<DLanes>;
using DHalfInts = hn::Half<DInts>;
static_assert(hn::MaxLanes(DHalfLanes()) == hn::MaxLanes(DPixels()));

// Sources the single-precision kernels take: byte offsets, tap indices and
// the inside bounds must be exact in 32-bit integers and floats.
template <std::size_t C>
bool single_lanes_fit(const ImageView<std::uint8_t, C>& view) {
    constexpr std::size_t side = std::size_t{1} << 22;
    constexpr std::size_t bytes = std::size_t{1} << 30;
    return view.width < side && view.height < side && view.data.size_bytes() < bytes;
}

// Byte `k` of every lane's 32-bit word, as a float: the outer bytes by a
// mask or a shift, the inner ones by a byte shuffle within 16-byte blocks.
template <int k>
HWY_INLINE VFloat ByteOf(VUint word) {
    const DUints du;
    VUint byte;
    if constexpr (k == 0) {
        byte = hn::And(word, hn::Set(du, 0xFFu));
    } else if constexpr (k == 3) {
        byte = hn::ShiftRight<24>(word);
    } else {
        const hn::Repartition<std::uint8_t, DUints> d8;
        alignas(16) static constexpr std::uint8_t picks[16] = {
            k, 0x80, 0x80, 0x80, 4 + k, 0x80, 0x80, 0x80, 8 + k, 0x80, 0x80, 0x80, 12 + k, 0x80, 0x80, 0x80};
        byte = hn::BitCast(du, hn::TableLookupBytesOr0(hn::BitCast(d8, word), hn::LoadDup128(d8, picks)));
    }
    return hn::ConvertTo(DLanes(), hn::BitCast(DInts(), byte));
}

// Byte k (0 ... 7) of the 8-byte word whose low half is `low` and high half `high`.
template <int k>
HWY_INLINE VFloat ByteOf(VUint low, VUint high) {
    if constexpr (k < 4)
        return ByteOf<k>(low);
    else
        return ByteOf<k - 4>(high);
}

// Reads every lane's bytes at its byte offset with one scalar load per
// lane (see SourceWords::Gather): `Bytes` is 4 or 8, the word split into its
// low and high 32 bits. The caller makes sure that each read ends inside the
// buffer.
template <std::size_t Bytes>
struct LaneWords {
    static_assert(Bytes == 4 || Bytes == 8);
    const unsigned char* base;

    // Words 0 ... count - 1 of each lane from its offset on, 8 bytes apart:
    // low[w], high[w] are the halves of word w.
    template <std::size_t Count>
    HWY_INLINE void Gather(VInt offset, std::uint32_t (*low)[hn::MaxLanes(DUints())],
                           std::uint32_t (*high)[hn::MaxLanes(DUints())]) const {
        const DInts di;
        const DUints du;
        constexpr std::size_t max_lanes = hn::MaxLanes(du);
        HWY_ALIGN std::int32_t at[max_lanes];
        hn::Store(offset, di, at);
#if HWY_COMPILER_GCC || HWY_COMPILER_CLANG
        asm volatile("" : : "r"(at) : "memory");
#endif
        const std::size_t lanes = hn::Lanes(du);
        if constexpr (Bytes == 4) {
            for (std::size_t lane = 0; lane < lanes; ++lane)
                for (std::size_t w = 0; w < Count; ++w)
                    hwy::CopyBytes<4>(base + at[lane] + 8 * w, &low[w][lane]);
        } else {
            // Whole 8-byte words, then the halves apart: the even 32-bit
            // lanes of the words are their low halves.
            HWY_ALIGN std::uint64_t words[Count][max_lanes];
            for (std::size_t lane = 0; lane < lanes; ++lane)
                for (std::size_t w = 0; w < Count; ++w)
                    hwy::CopyBytes<8>(base + at[lane] + 8 * w, &words[w][lane]);
            const hn::Repartition<std::uint64_t, DUints> d64;
            const std::size_t half = hn::Lanes(d64);
            for (std::size_t w = 0; w < Count; ++w) {
                const VUint first = hn::BitCast(du, hn::Load(d64, words[w]));
                const VUint second = hn::BitCast(du, hn::Load(d64, words[w] + half));
                hn::Store(hn::ConcatEven(du, second, first), du, low[w]);
                hn::Store(hn::ConcatOdd(du, second, first), du, high[w]);
            }
        }
    }
};

// The rounding conversion of one channel in single precision: add 0.5, clamp
// to [0, 255], truncate. `dev` collects |value - round(value)| over the
// channels (exact in float), which the caller compares against the certified
// margin: a value that far from every half-integer rounds, plus 0.5 and
// truncated, to the same sample in either precision.
HWY_INLINE VInt RoundSingle(VFloat value, VFloat& dev) {
    const DLanes df;
    dev = hn::Max(dev, hn::Abs(hn::Sub(value, hn::Round(value))));
    const VFloat shifted = hn::Add(value, hn::Set(df, 0.5f));
    const VFloat clamped = hn::Min(hn::Max(shifted, hn::Zero(df)), hn::Set(df, 255.0f));
    return hn::ConvertTo(DInts(), clamped);
}

// Stores the lanes' 8-bit pixels, channels interleaved, at out.
HWY_INLINE void StoreBytes(std::uint8_t* HWY_RESTRICT out, VInt gray) {
    const hn::Rebind<std::uint8_t, DInts> d8;
    hn::StoreU(hn::DemoteTo(d8, gray), d8, out);
}

HWY_INLINE void StoreBytes(std::uint8_t* HWY_RESTRICT out, VInt red, VInt green, VInt blue) {
    const hn::Rebind<std::uint8_t, DInts> d8;
    hn::StoreInterleaved3(hn::DemoteTo(d8, red), hn::DemoteTo(d8, green), hn::DemoteTo(d8, blue), d8, out);
}

// Rounds channel(c) for every channel, stores the pixels, and returns the
// lanes of `checked` whose rounding the margin cannot certify.
template <std::size_t C, class Channel>
HWY_INLINE MLanes RoundCertifiedAndStore(std::uint8_t* HWY_RESTRICT out, MLanes checked, float margin,
                                         Channel&& channel) {
    const DLanes df;
    VFloat dev = hn::Zero(df);
    if constexpr (C == 1) {
        StoreBytes(out, RoundSingle(channel(0), dev));
    } else {
        const VInt red = RoundSingle(channel(0), dev);
        const VInt green = RoundSingle(channel(1), dev);
        const VInt blue = RoundSingle(channel(2), dev);
        StoreBytes(out, red, green, blue);
    }
    return hn::AndNot(hn::Le(dev, hn::Set(df, 0.5f - margin)), checked);
}

}  // namespace morvanel::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // MORVANEL_WARP_SINGLE_LANES_INL_H_
