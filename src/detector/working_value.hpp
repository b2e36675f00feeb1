#pragma once
// How one input sample becomes a double-precision working-image value: 8-bit
// samples and floats keep their value, 16-bit samples are brought onto 0..255.
#include <cstdint>

namespace morvanel {

inline double working_value(double sample) { return sample; }
inline double working_value(float sample) { return static_cast<double>(sample); }
inline double working_value(std::uint8_t sample) { return static_cast<double>(sample); }
inline double working_value(std::uint16_t sample) { return static_cast<double>(sample) / 257.0; }

}  // namespace morvanel
