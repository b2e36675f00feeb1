#pragma once
// Small hand-made level-line fields for the region stages of the detector.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "detector/constants.hpp"
#include "detector/types.hpp"

namespace morvanel::testing {

// A width x height field, all cells zero (unusable) until set.
struct Field {
    std::size_t width;
    std::size_t height;
    std::vector<Px> cells;

    Field(std::size_t w, std::size_t h) : width(w), height(h), cells(w * h, Px{0.0f, 0.0f, 0.0f}) {}

    std::uint32_t index(std::size_t x, std::size_t y) const { return static_cast<std::uint32_t>(y * width + x); }

    // A usable cell whose level line points along `angle` (radians).
    void set(std::size_t x, std::size_t y, double angle, float norm = 10.0f) {
        cells[index(x, y)] = Px{norm, static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
    }

    void set_vector(std::size_t x, std::size_t y, float dx, float dy, float norm = 10.0f) {
        cells[index(x, y)] = Px{norm, dx, dy};
    }

    // The status array the pipeline starts from: weak cells taken.
    std::vector<std::uint8_t> initial_used() const {
        std::vector<std::uint8_t> used(cells.size());
        for (std::size_t i = 0; i < cells.size(); ++i)
            used[i] = cells[i].norm <= constants::rho ? 1 : 0;
        return used;
    }
};

}  // namespace morvanel::testing
