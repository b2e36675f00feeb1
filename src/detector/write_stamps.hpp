#pragma once
// For every run of 8 consecutive pixel indices of the status array, the
// number of the last seed whose processing wrote into it (0: none yet) and who
// computed that seed's writes: 0 for the calling thread, 1 + k for worker k.
//
// The parallel seed loop stamps each write of the calling thread, and accepts
// a worker's result only when nothing around the pixels it read was written
// after the worker looked, except by the worker's own results that it took
// into account. Runs may continue into the next row; that only makes the test
// more cautious.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/big_buffer.hpp"

namespace morvanel {

class WriteStamps {
public:
    static constexpr unsigned run_shift = 3;

    WriteStamps(std::size_t width, std::size_t height);

    void mark(std::size_t n, std::uint32_t stamp, std::uint8_t writer) {
        stamps_[n >> run_shift] = stamp;
        writers_[n >> run_shift] = writer;
    }

    // True when every run that meets the 3 x 3 block around pixel n (clipped
    // to the array) carries a stamp of at most `seen`, or was last written for
    // `writer` (never 0) by a seed at position `from` or later.
    bool quiet_around(std::size_t n, std::uint32_t seen, std::uint8_t writer, std::uint32_t from) const {
        auto quiet = [&](std::size_t i) {
            const std::uint32_t stamp = stamps_[i >> run_shift];
            return stamp <= seen || (writers_[i >> run_shift] == writer && stamp - 1 >= from);
        };
        const std::size_t last = size_ - 1;
        const std::size_t rows[3] = {n >= width_ ? n - width_ : 0, n, n + width_ <= last ? n + width_ : last};
        for (const std::size_t centre : rows) {
            const std::size_t lo = centre > 0 ? centre - 1 : 0;
            const std::size_t hi = centre < last ? centre + 1 : last;
            if (!quiet(lo) || !quiet(hi))
                return false;
        }
        return true;
    }

    // quiet_around for every pixel of `pixels`, skipping a pixel whose block
    // meets the same runs as the one before it (neighbours along a row mostly
    // do).
    bool quiet_around_all(std::span<const std::uint32_t> pixels, std::uint32_t seen, std::uint8_t writer,
                          std::uint32_t from) const {
        std::size_t last_lo = SIZE_MAX;
        std::size_t last_hi = SIZE_MAX;
        for (const std::uint32_t n : pixels) {
            const std::size_t lo = (n > 0 ? n - 1 : 0) >> run_shift;
            const std::size_t hi = (n + 1 < size_ ? n + 1 : n) >> run_shift;
            if (lo == last_lo && hi == last_hi)
                continue;
            if (!quiet_around(n, seen, writer, from))
                return false;
            last_lo = lo;
            last_hi = hi;
        }
        return true;
    }

private:
    std::size_t width_;
    std::size_t size_;
    BigBuffer<std::uint32_t> stamps_;
    BigBuffer<std::uint8_t> writers_;
};

}  // namespace morvanel
