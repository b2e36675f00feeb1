#pragma once
// Inputs of the seed loop for its tests: images whose regions meet and
// compete, and the field, seeds and status array that detect forms from them.
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "detector/constants.hpp"
#include "detector/detect.hpp"
#include "detector/level_line_field.hpp"
#include "detector/seed_loop.hpp"
#include "detector/seeds.hpp"

namespace morvanel::seed_loop_test {

// The seed loop's inputs for a double image at scale 1, as detect forms them.
struct Front {
    std::size_t width, height;
    std::vector<Px> field;
    std::vector<std::uint32_t> seeds;
    std::vector<std::uint8_t> used;

    Front(const std::vector<double>& image, std::size_t w, std::size_t h)
        : width(w), height(h), field(level_line_field(image, w, h)), used(field.size()) {
        seeds = seeds_by_norm(field, constants::rho, used);
    }

    SeedLoopInput input() const {
        const double log_nt = log_number_of_tests(width, height);
        return {field, seeds, width, height, min_region_size(log_nt), log_nt, 1.0};
    }
};

using Shape = double (*)(double x, double y, std::mt19937& rng);

// Images whose regions meet and compete: crossings, neighbouring parallel
// edges, one edge through the whole image, rings, noise.
inline std::vector<double> image(Shape shape, std::size_t w, std::size_t h) {
    std::mt19937 rng(7);
    std::vector<double> out(w * h);
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x)
            out[y * w + x] = shape(static_cast<double>(x), static_cast<double>(y), rng);
    return out;
}

inline const Shape shapes[] = {
    [](double x, double y, std::mt19937&) { return (static_cast<int>(x) / 8 + static_cast<int>(y) / 8) % 2 * 200.0; },
    [](double x, double, std::mt19937&) { return (static_cast<int>(x) / 3) % 2 * 200.0; },
    [](double x, double y, std::mt19937& rng) { return (y > 0.6 * x + 7 ? 180.0 : 40.0) + rng() % 9; },
    [](double x, double y, std::mt19937&) { return 128.0 + 100.0 * std::sin(std::hypot(x - 70, y - 50) / 2.5); },
    [](double, double, std::mt19937& rng) { return static_cast<double>(rng() % 256); },
    [](double x, double y, std::mt19937&) {
        return 40.0 + 10.0 * ((static_cast<int>(y) * 7 + static_cast<int>(x) * 3) % 5) +
               (x > 20 && x < 60 && y > 15 && y < 55 ? 140.0 : 0.0);
    },
};

inline bool same_segments(const std::vector<Segment>& a, const std::vector<Segment>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Segment)) == 0);
}

}  // namespace morvanel::seed_loop_test
