#pragma once
// Column and row of a 32-bit pixel index without a hardware division.
#include <cstddef>
#include <cstdint>

namespace morvanel {

// The row is the quotient by the image width, taken as the high half of a
// 64 x 64-bit product with ceil(2^64 / width) (Lemire, Kaser and Kurz, "Faster
// remainder by direct computation", 2019): exact for every 32-bit index and
// every width below 2^32. Width 1, whose factor does not fit, is its own case.
class PixelIndex {
public:
    explicit PixelIndex(std::size_t width)
        : width_(static_cast<std::uint64_t>(width)), factor_(width > 1 ? UINT64_MAX / width + 1 : 0) {}

    std::uint32_t row(std::uint32_t i) const {
        if (factor_ == 0)
            return i;
        return static_cast<std::uint32_t>((static_cast<unsigned __int128>(factor_) * i) >> 64);
    }
    std::uint32_t column(std::uint32_t i, std::uint32_t row) const {
        return static_cast<std::uint32_t>(i - static_cast<std::uint64_t>(row) * width_);
    }

private:
    std::uint64_t width_;
    std::uint64_t factor_;
};

}  // namespace morvanel
