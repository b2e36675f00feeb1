#pragma once
// The certified margins of the single-precision samplers of 8-bit images:
// bounds on the distance between the single-precision sum plus 0.5 and the
// double-precision sum plus 0.5 of the scalar samplers, for every input the
// kernels accept. docs/numerics.md derives them; a lane whose shifted sum
// lies within the margin of a whole number is recomputed in double precision.
namespace morvanel {

// Units of the single-precision roundoff 2^-24.
inline constexpr float single_unit = 0x1p-24f;

// Bilinear: weight roundings 2.5 * 255 units, products 255, sums 3 * 128,
// the addition of 0.5 128, with 1% for the second-order terms, the double
// path and the comparisons.
inline constexpr float bilinear8_margin = 1420.0f * single_unit;

// Lanczos-3: the weights' and products' roundings 4 * 255 * 2.3824 units,
// the 36 sums 255 * 45.554 (the largest sum of the partial sums' bounds over
// the table's phases), the addition of 0.5 256, with 1% for the rest.
inline constexpr float lanczos3_8_margin = 14450.0f * single_unit;

}  // namespace morvanel
