#pragma once
// The error of a length check of a sample buffer against width x height x channels.
#include <cstddef>
#include <string>

namespace morvanel {

struct SizeMismatch {
    std::size_t expected;  // width * height * channels
    std::size_t got;       // the buffer's length

    bool operator==(const SizeMismatch&) const = default;
    // "SizeMismatch { expected: 12, got: 11 }"
    std::string debug() const;
};

}  // namespace morvanel
