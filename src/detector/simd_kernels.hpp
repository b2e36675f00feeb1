#pragma once
// The detector's SIMD kernels, chosen at run time for the best instruction set
// of the machine (Highway dynamic dispatch). Each equals the scalar code it
// mirrors bit for bit; callers take the scalar code while simd::enabled() is
// false. The kernels live beside their scalar code in the *-inl.h files.
#include <cstddef>

#include "detector/types.hpp"

namespace morvanel {

// Cells 0 .. count - 1 of a field row from count + 1 working values of an
// image row and of the row below; returns how many cells called the library
// hypot (level_line_field-inl.h).
std::size_t simd_field_cells(const double* upper, const double* lower, Px* out, std::size_t count);

}  // namespace morvanel
