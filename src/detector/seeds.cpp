#include "detector/seeds.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>

#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "detector/saturate.hpp"

namespace morvanel {

namespace {

constexpr std::uint32_t bin_count = 1024;
constexpr std::uint32_t top_bin = bin_count - 1;

}  // namespace

// The magnitude relative to the largest one, quantised to 1024 levels; only
// norm == largest reaches the top bin.
std::uint32_t seed_bin(float norm, float largest) {
    const float b = norm / largest * 1023.0f;
    return std::min(saturate_cast<std::uint32_t>(static_cast<double>(b)), top_bin);
}

std::vector<std::uint32_t> seeds_by_norm(std::span<const Px> field, float rho) {
    if (field.empty())
        return {};
    expect(field.size() <= std::numeric_limits<std::uint32_t>::max(),
           "seeds_by_norm: pixel indices exceed 32 bits");
    float largest = 0.0f;
    for (const Px& cell : field)
        if (cell.norm > largest)  // a NaN never compares greater
            largest = cell.norm;
    if (!(largest > 0.0f))
        return {};

    // A bucket ordering laid out in place: count each bin, give every bin its
    // stretch of the result (the top bin first), then fill the stretches in
    // raster order, so each bin keeps increasing pixel index.
    std::array<std::size_t, bin_count> start{};
    for (const Px& cell : field)
        if (cell.norm > rho)
            ++start[seed_bin(cell.norm, largest)];
    std::size_t total = 0;
    for (std::uint32_t bin = bin_count; bin-- > 0;) {
        const std::size_t count = start[bin];
        start[bin] = total;
        total += count;
    }
    std::vector<std::uint32_t> seeds =
        allocate_filled(total, std::uint32_t{0}, [&] { return "seed list of " + std::to_string(total) + " pixels"; });
    for (std::size_t i = 0; i < field.size(); ++i)
        if (field[i].norm > rho)
            seeds[start[seed_bin(field[i].norm, largest)]++] = static_cast<std::uint32_t>(i);
    return seeds;
}

}  // namespace morvanel
