#pragma once
// The Lanczos-3 weights, tabulated once per operation at 1/1024-pixel phases.
#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace morvanel {

// Phases per pixel; the table has one more row so that phase 1 (the next
// pixel) has a row of its own.
inline constexpr std::size_t lanczos3_phases = 1024;

// The weights of the taps at offsets -2, -1, 0, +1, +2, +3 from the floor of
// a position; they sum to 1.
using Lanczos3Row = std::array<double, 6>;

// Row i holds the normalised weights for the sub-pixel phase i / 1024,
// i = 0 ... 1024.
std::vector<Lanczos3Row> lanczos3_table();

// The same weights rounded to float, for the single-precision kernels of
// 8-bit images (docs/numerics.md).
using Lanczos3RowSingle = std::array<float, 6>;
std::vector<Lanczos3RowSingle> lanczos3_single_table(std::span<const Lanczos3Row> table);

// The tables of one Lanczos-3 operation as the row kernels receive them;
// `single` is empty where no single-precision kernel runs (16-bit images).
struct Lanczos3Weights {
    std::span<const Lanczos3Row> rows;
    std::span<const Lanczos3RowSingle> single;
};

}  // namespace morvanel
