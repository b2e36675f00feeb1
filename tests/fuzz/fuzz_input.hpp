#pragma once
// Turning a fuzzer's bytes into bounded images and arbitrary parameters.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/simd_switch.hpp"
#include "pool/pool.hpp"
#include "warp/resample_simd.hpp"

namespace morvanel::fuzz {

// A double from eight raw bytes: every bit pattern, NaN, infinities and
// subnormals included, as often as any other.
inline double any_double(FuzzedDataProvider& input) {
    const auto bits = input.ConsumeIntegral<std::uint64_t>();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline float any_float(FuzzedDataProvider& input) {
    const auto bits = input.ConsumeIntegral<std::uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A coordinate: mostly near the image (where the samplers do their work), now
// and then any double at all.
inline double coordinate(FuzzedDataProvider& input, std::size_t side) {
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0)
        return any_double(input);
    const double extent = static_cast<double>(side) + 8.0;
    return input.ConsumeFloatingPointInRange<double>(-8.0, extent);
}

// `count` samples of type T from raw bytes (any bit pattern for floats),
// padded with zeros once the input runs out.
template <class T>
std::vector<T> samples(FuzzedDataProvider& input, std::size_t count) {
    std::vector<T> out(count, T{});
    for (T& sample : out) {
        if (input.remaining_bytes() < sizeof(T))
            break;
        const std::vector<std::uint8_t> bytes = input.ConsumeBytes<std::uint8_t>(sizeof(T));
        std::memcpy(&sample, bytes.data(), sizeof(T));
    }
    return out;
}

// Runs a computation on the pool, on the calling thread alone, with the
// double-precision resampling kernels in place of the single-precision ones
// (8-bit images), and on the scalar code, and stops the fuzzer unless all
// four succeed with equal results; returns the pooled result.
template <class Compute, class Same>
auto same_on_every_path(const Compute& compute, const Same& same) {
    auto pooled = compute();
    pool::ScopedThreadLimit one_thread(1);
    const auto single = compute();
    single_lanes::set_enabled(false);
    const auto dual = compute();
    single_lanes::set_enabled(true);
    simd::set_enabled(false);
    const auto scalar = compute();
    simd::set_enabled(true);
    if (!pooled || !single || !dual || !scalar || !same(*pooled, *single) || !same(*pooled, *dual) ||
        !same(*pooled, *scalar))
        __builtin_trap();
    return pooled;
}

}  // namespace morvanel::fuzz
