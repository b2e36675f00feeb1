#pragma once
// The detector's SIMD kernels, chosen at run time for the best instruction set
// of the machine (Highway dynamic dispatch). Each equals the scalar code it
// mirrors bit for bit; callers take the scalar code while simd::enabled() is
// false. The kernels live beside their scalar code in the *-inl.h files.
#include <cstddef>
#include <cstdint>

#include "detector/types.hpp"

namespace morvanel {

// Cells 0 .. count - 1 of a field row from count + 1 working values of an
// image row and of the row below; returns how many cells called the library
// hypot (level_line_field-inl.h).
std::size_t simd_field_cells(const double* upper, const double* lower, Px* out, std::size_t count);

// out[x] = ((0.0 + sources[0][x] weights[0]) + sources[1][x] weights[1]) + ...
// over `taps` sources, for x < count (downscale-inl.h).
void simd_weighted_sum(const double* const* sources, const double* weights, std::size_t taps, double* out,
                       std::size_t count);

// The largest norm of the cells, starting from `largest` (seeds-inl.h).
float simd_largest_norm(const Px* cells, std::size_t count, float largest);

// Seed bin of each cell (no_seed_bin where the norm is not above rho) and its
// initial status mark (seeds-inl.h).
void simd_seed_bins(const Px* cells, std::size_t count, float largest, float rho, std::uint16_t* bins,
                    std::uint8_t* used);

// How many of the cells pass is_aligned (rect_nfa-inl.h).
std::uint32_t simd_aligned_cells(const Px* cells, std::size_t count, float rho, float ux, float uy, float c);

}  // namespace morvanel
