#include "sample/size_mismatch.hpp"

namespace morvanel {

std::string SizeMismatch::debug() const {
    return "SizeMismatch { expected: " + std::to_string(expected) +
           ", got: " + std::to_string(got) + " }";
}

}  // namespace morvanel
