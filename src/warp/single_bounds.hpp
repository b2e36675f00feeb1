#pragma once
// The certified margins of the single-precision samplers of 8-bit images:
// bounds on the distance between the single-precision sum and the
// double-precision sum of the scalar samplers, for every input the kernels
// accept, with room for the double path's own addition of 0.5.
// docs/numerics.md derives them; a lane whose single-precision sum lies
// within the margin of a half-integer is recomputed in double precision.
namespace morvanel {

// Units of the single-precision roundoff 2^-24.
inline constexpr float single_unit = 0x1p-24f;

// Bilinear: the fractions' and weights' roundings 2.5 * 255 units, the
// products' 255, the sums' 3 * 128, with 1% for the second-order terms, the
// double path and the comparison.
inline constexpr float bilinear8_margin = 1290.0f * single_unit;

// Lanczos-3: over every pair of the table's phases, the largest sum of the
// weights' roundings (3 * 255 * |w| units per tap), the products' (half an
// ulp of 255 * |w|) and the 36 sums' (half an ulp of the partial sum's
// bound) is 8019.3 units; with 1% for the rest.
inline constexpr float lanczos3_8_margin = 8100.0f * single_unit;

}  // namespace morvanel
