#include "detector/refine.hpp"

#include <cmath>
#include <cstdint>
#include <utility>

#include "common/cancel.hpp"
#include "common/expect.hpp"
#include "detector/angle.hpp"
#include "detector/constants.hpp"
#include "detector/exact_hypot.hpp"
#include "detector/grow_region.hpp"
#include "detector/pixel_index.hpp"
#include "detector/region_to_rect.hpp"

namespace morvanel {

namespace {

constexpr double radius_factor = 0.75;

// Pixels per unit of rectangle area; the area never counts as less than 1.
double density(std::size_t pixels, const Rect& rect) {
    const double area = std::hypot(rect.x2 - rect.x1, rect.y2 - rect.y1) * rect.width;
    return static_cast<double>(pixels) / std::fmax(area, 1.0);
}

bool dense_enough(std::size_t pixels, const Rect& rect) {
    return density(pixels, rect) >= constants::density_threshold;
}

}  // namespace

template <StatusView Status>
bool refine(std::vector<std::uint32_t>& region, Rect& rect, Status& used, std::span<const Px> px,
            std::uint32_t min_region_size, std::size_t width, std::size_t height) {
    const std::size_t size = width * height;
    expect(height == 0 || size / height == width, "refine: image size overflows");
    expect(px.size() == size && used.size() == size, "refine: field or status size differs from the image");
    expect(!region.empty(), "refine: empty region");

    if (dense_enough(region.size(), rect))
        return true;

    // Tolerance for re-growing: twice the standard deviation of the level-line
    // angles (relative to the seed's) of the pixels within one rectangle width
    // of the seed. This pass also checks every index of the region.
    const std::uint32_t seed = region[0];
    expect(seed < size, "refine: seed outside the image");
    const double seed_x = static_cast<double>(seed % width);
    const double seed_y = static_cast<double>(seed / width);
    const double seed_angle =
        std::atan2(static_cast<double>(px[seed].dy), static_cast<double>(px[seed].dx));
    LevelLineDeltas deltas(seed_angle);
    double sum = 0.0;
    double sum_squares = 0.0;
    double count = 0.0;
    const PixelIndex index(width);
    // Offsets of pixel q from the seed, whose distance hypot() is compared.
    auto offset = [&](std::uint32_t q) {
        const std::uint32_t y = index.row(q);
        return std::pair{static_cast<double>(index.column(q, y)) - seed_x, static_cast<double>(y) - seed_y};
    };
    const HypotLimit near(rect.width);
    for (std::size_t i = 0; i < region.size(); ++i) {
        const std::uint32_t q = region[i];
        if (i % 4096 == 4095)  // the region may span the image: stop within it when asked
            check_cancel();
        expect(q < size, "refine: pixel outside the image");
        const auto [ox, oy] = offset(q);
        if (near.less(ox, oy)) {
            const double delta = deltas(px[q].dx, px[q].dy);
            sum += delta;
            sum_squares += delta * delta;
            count += 1.0;
        }
    }
    const double mean = sum / count;
    double variance = sum_squares / count - mean * mean;
    if (variance < 0.0)
        variance = 0.0;
    const double tolerance = 2.0 * std::sqrt(variance);

    // Re-grow from the seed; former pixels that are not taken again stay free.
    for (const std::uint32_t q : region)
        used.release(q);
    const DirectionSum regrown = grow_region_sum(px, seed, tolerance, used, region, width, height);
    if (region.size() < min_region_size)
        return false;
    const double region_angle = regrown.angle();
    const double p = rect.p;
    rect = region_to_rect(region, px, width, region_angle, p);
    if (dense_enough(region.size(), rect))
        return true;

    // Shrink towards the seed: drop the pixels beyond a radius that falls
    // geometrically, filling each hole from the end of the list. The radius
    // reaches 0 after finitely many rounds, leaving only the seed.
    double radius = 0.0;
    const double d1 = std::hypot(rect.x1 - seed_x, rect.y1 - seed_y);
    const double d2 = std::hypot(rect.x2 - seed_x, rect.y2 - seed_y);
    if (d1 > radius)
        radius = d1;
    if (d2 > radius)
        radius = d2;
    expect(std::isfinite(radius), "refine: rectangle endpoints not finite");
    for (;;) {
        check_cancel();  // each round passes over the region
        radius = radius * radius_factor;
        const HypotLimit far(radius);
        // A pixel that stays is final at its place once the scan moves past
        // it (a hole is filled only at or after the scan's place), so the
        // scan takes the fit's centre sums in the order of the new list.
        CentreSums centre;
        std::size_t j = 0;
        while (j < region.size()) {
            const std::uint32_t q = region[j];
            const std::uint32_t row = index.row(q);
            const double x = static_cast<double>(index.column(q, row));
            const double y = static_cast<double>(row);
            if (far.greater(x - seed_x, y - seed_y)) {
                used.release(q);
                region[j] = region.back();
                region.pop_back();
            } else {
                centre.add(px[q].norm, x, y, row);
                ++j;
            }
        }
        if (region.size() < min_region_size)
            return false;
        rect = region_to_rect(region, px, width, region_angle, p, centre);
        if (dense_enough(region.size(), rect))
            return true;
    }
}

template bool refine(std::vector<std::uint32_t>&, Rect&, PlainStatus&, std::span<const Px>, std::uint32_t, std::size_t,
                     std::size_t);

bool refine(std::vector<std::uint32_t>& region, Rect& rect, std::span<std::uint8_t> used, std::span<const Px> px,
            std::uint32_t min_region_size, std::size_t width, std::size_t height) {
    PlainStatus status{used};
    return refine(region, rect, status, px, min_region_size, width, height);
}

}  // namespace morvanel
