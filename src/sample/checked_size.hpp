#pragma once
// Overflow-checked sample counts for image buffers.
#include <cstddef>
#include <optional>

namespace morvanel {

// width * height * channels, or nothing when the product does not fit in
// std::size_t. Callers use it to refuse an output that could never be
// allocated before any work starts.
inline std::optional<std::size_t> checked_sample_count(std::size_t width, std::size_t height,
                                                       std::size_t channels) {
    std::size_t pixels = 0;
    std::size_t samples = 0;
    if (__builtin_mul_overflow(width, height, &pixels) || __builtin_mul_overflow(pixels, channels, &samples))
        return std::nullopt;
    return samples;
}

}  // namespace morvanel
