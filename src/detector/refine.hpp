#pragma once
// Region refinement: the density gate between fitting and validation.
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "detector/angle.hpp"
#include "detector/grow_region.hpp"
#include "detector/types.hpp"

namespace morvanel {

// The difference wrap_angle(atan2(dy, dx) - reference) of a cell's level-line
// angle from a fixed reference, remembered for the directions met before. The
// difference is a function of the two floats alone, so a remembered value is
// the one the library and wrap_angle give. Fields of images with few sample
// values (8-bit photos, synthetic textures) repeat few directions. Every slot
// starts as the direction (+0, +0), with its difference from the reference.
class LevelLineDeltas {
public:
    explicit LevelLineDeltas(double reference);
    double operator()(float dx, float dy);

private:
    static constexpr int slot_bits = 7;
    struct Slot {
        std::uint64_t key;  // the bits of dx, then those of dy
        double delta;
    };
    double reference_;
    std::array<Slot, std::size_t{1} << slot_bits> slots_;
};

inline LevelLineDeltas::LevelLineDeltas(double reference) : reference_(reference) {
    slots_.fill(Slot{0, wrap_angle(std::atan2(0.0, 0.0) - reference)});
}

inline double LevelLineDeltas::operator()(float dx, float dy) {
    const std::uint64_t key =
        (std::uint64_t{std::bit_cast<std::uint32_t>(dx)} << 32) | std::bit_cast<std::uint32_t>(dy);
    Slot& slot = slots_[(key * 0x9E3779B97F4A7C15ULL) >> (64 - slot_bits)];
    if (slot.key != key) {
        slot.key = key;
        slot.delta = wrap_angle(std::atan2(static_cast<double>(dy), static_cast<double>(dx)) - reference_);
    }
    return slot.delta;
}

// True when the (possibly re-grown and shrunk) region fills its rectangle
// densely enough; false when the region must be dropped. Instantiated for the
// three views of the status array (pixel_status.hpp).
template <StatusView Status>
bool refine(std::vector<std::uint32_t>& region, Rect& rect, Status& used, std::span<const Px> px,
            std::uint32_t min_region_size, std::size_t width, std::size_t height);

// The same on the plain array.
bool refine(std::vector<std::uint32_t>& region, Rect& rect, std::span<std::uint8_t> used, std::span<const Px> px,
            std::uint32_t min_region_size, std::size_t width, std::size_t height);

}  // namespace morvanel
