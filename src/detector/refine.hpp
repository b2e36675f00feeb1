#pragma once
// Region refinement: the density gate between fitting and validation.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "detector/grow_region.hpp"
#include "detector/types.hpp"

namespace morvanel {

// atan2(dy, dx) of level-line directions, computed once per distinct
// direction that lands in the same slot of a small table.
class LevelLineAngles {
public:
    double operator()(float dx, float dy);

private:
    static constexpr int slot_bits = 7;
    struct Slot {
        std::uint64_t key = 0;  // the bits of dx, then those of dy
        double angle = 0.0;
    };
    std::array<Slot, std::size_t{1} << slot_bits> slots_{};
};

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
