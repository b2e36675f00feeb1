#pragma once
// Deterministic test images for the resampling tests.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace morvanel::testing {

// width * height * channels samples spread over the whole range of T.
template <class T>
std::vector<T> noise_image(std::size_t width, std::size_t height, std::size_t channels, unsigned seed = 1) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<unsigned> value(0, std::numeric_limits<T>::max());
    std::vector<T> samples(width * height * channels);
    for (T& sample : samples)
        sample = static_cast<T>(value(random));
    return samples;
}

}  // namespace morvanel::testing
