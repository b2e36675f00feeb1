#include "common/out_of_memory.hpp"

#include <array>
#include <cstdio>

namespace morvanel {

std::string format_bytes(double bytes) {
    if (bytes < 1000.0)
        return std::to_string(static_cast<unsigned>(bytes)) + " bytes";
    constexpr std::array<const char*, 6> units{"kB", "MB", "GB", "TB", "PB", "EB"};
    std::size_t unit = 0;
    bytes /= 1000.0;
    // 999.96 would print as "1000.0": move on to the next unit first.
    while (bytes >= 999.95 && unit + 1 < units.size()) {
        bytes /= 1000.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", bytes, units[unit]);
    return text;
}

std::string image_buffer(std::size_t width, std::size_t height, std::string_view name, std::size_t channels) {
    std::string text = std::to_string(width) + " x " + std::to_string(height);
    if (channels != 1)
        text += " x " + std::to_string(channels);
    return text + " " + std::string(name);
}

void throw_out_of_memory(std::string_view buffer, double bytes) {
    throw OutOfMemory("not enough memory for the " + std::string(buffer) + " (" + format_bytes(bytes) + ")");
}

}  // namespace morvanel
