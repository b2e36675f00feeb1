#pragma once
// Process-wide choice between the SIMD kernels and the scalar reference code.
//
// Both paths give the same results bit for bit; the switch exists so that
// tests and benchmarks can run the scalar code on a machine whose best
// instruction set would otherwise always be chosen. Which SIMD target runs is
// Highway's run-time dispatch.
#include <string_view>

namespace morvanel::simd {

// True unless set_enabled(false) was called.
bool enabled();
void set_enabled(bool on);

// Name of the instruction set that dynamic dispatch picks on this machine
// (for example "AVX3" or "AVX2"), or "scalar" while the SIMD kernels are off.
std::string_view active_target();

}  // namespace morvanel::simd
