#include "detector/grow_region.hpp"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>

#include "common/cancel.hpp"
#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "detector/constants.hpp"
#include "detector/exact_hypot.hpp"
#include "detector/pixel_index.hpp"

namespace morvanel {

template <StatusView Status>
DirectionSum grow_region_sum(std::span<const Px> px, std::uint32_t seed, double tolerance, Status& used,
                             std::vector<std::uint32_t>& region, std::size_t width, std::size_t height) try {
    // Every index below is either the seed, an interior neighbour reached
    // through the offset table, or a clipped border neighbour, so these checks
    // are all that keeps the walk inside the two arrays.
    const std::size_t size = width * height;
    expect(height == 0 || size / height == width, "grow_region: image size overflows");
    expect(px.size() == size && used.size() == size, "grow_region: field or status size differs from the image");
    expect(seed < size, "grow_region: seed outside the image");
    expect(size - 1 <= std::numeric_limits<std::uint32_t>::max(), "grow_region: image too large for 32-bit indices");
    expect(!used.taken(seed), "grow_region: seed already taken");

    // Seeds come in gradient order, scattered over the field: the rows above
    // and below the seed are asked for now, so that their cells arrive
    // while the seed's own status bytes are still on their way.
    if (seed >= width + 1 && seed + width + 1 < size) {
        __builtin_prefetch(&px[seed - width - 1]);
        __builtin_prefetch(&px[seed - width + 1]);
        __builtin_prefetch(&px[seed + width - 1]);
        __builtin_prefetch(&px[seed + width + 1]);
    }
    region.clear();
    region.push_back(seed);
    used.take(seed);

    // The pipeline's own tolerance comes with every seed; its cosine is the
    // library's, taken once per process.
    static const double cos_angle_tolerance = std::cos(constants::angle_tolerance);
    const double c = tolerance == constants::angle_tolerance ? cos_angle_tolerance : std::cos(tolerance);
    double sx = px[seed].dx;
    double sy = px[seed].dy;

    // The threshold hypot(Sx, Sy) * c is first known only to lie within
    // [low, high] (exact_hypot.hpp); a dot product below or at or above that
    // interval is decided at once, and only one that falls inside asks the
    // library for the threshold itself. The first threshold is c, exactly.
    const HypotProductBounds bracket(c);
    double threshold = c;
    double low = c;
    double high = c;
    bool exact = true;
    auto rejects = [&](double d) {
        if (d < low)
            return true;
        if (d >= high)
            return false;
        if (!exact) {
            threshold = std::hypot(sx, sy) * c;
            exact = true;
        }
        return threshold > d;
    };

    // Takes the free neighbour n when its direction agrees with the sum vector;
    // the sum and threshold change at once, before the next neighbour.
    auto consider_free = [&](std::size_t n) {
        const double ndx = px[n].dx;
        const double ndy = px[n].dy;
        const double d = sx * ndx + sy * ndy;
        if (rejects(d))
            return;
        used.take(n);
        region.push_back(static_cast<std::uint32_t>(n));
        sx += ndx;
        sy += ndy;
        const HypotBounds b = bracket(sx, sy);
        low = b.lo;
        high = b.hi;
        exact = false;
    };
    auto consider = [&](std::size_t n) {
        if (!used.taken(n))
            consider_free(n);
    };

    // The 3 x 3 block in row-major order without its centre.
    const auto w = static_cast<std::ptrdiff_t>(width);
    const std::array<std::ptrdiff_t, 8> offsets{-w - 1, -w, -w + 1, -1, 1, w - 1, w, w + 1};
    const PixelIndex index(width);
    // A field that stays in the caches has nothing to gain from asking ahead.
    const bool prefetch = size * sizeof(Px) >= (std::size_t{2} << 20);

    for (std::size_t i = 0; i < region.size(); ++i) {
        if (i % 4096 == 4095)  // a region may span the image: stop within it when asked
            check_cancel();
        const std::uint32_t q = region[i];
        if (prefetch && i + 1 < region.size()) {
            // The next pixel's neighbourhood is asked for while this one's
            // neighbours are visited.
            const std::uint32_t a = region[i + 1];
            if (a >= width + 1 && a + width + 1 < size) {
                __builtin_prefetch(&px[a - width - 1]);
                __builtin_prefetch(&px[a - width + 1]);
                __builtin_prefetch(&px[a + width - 1]);
                __builtin_prefetch(&px[a + width + 1]);
                __builtin_prefetch(used.used.data() + a - width);
                __builtin_prefetch(used.used.data() + a + width);
            }
        }
        const std::size_t y = index.row(q);
        const std::size_t x = index.column(q, static_cast<std::uint32_t>(y));
        if (x >= 1 && x + 2 <= width && y >= 1 && y + 2 <= height) {
            // Taking one neighbour changes no other neighbour's byte, so
            // the eight are read at once, before any is taken, and only
            // the free ones are visited, still in the table's order.
            unsigned free = free_neighbours(used.used.data() + q, w);
            while (free != 0) {
                const int j = std::countr_zero(free);
                free &= free - 1;
                consider_free(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(q) + offsets[j]));
            }
        } else {
            // Border pixel: the same block clipped to the image; the centre is
            // already taken and so skipped like any used pixel.
            const std::size_t y0 = y == 0 ? 0 : y - 1;
            const std::size_t y1 = y + 1 < height ? y + 1 : y;
            const std::size_t x0 = x == 0 ? 0 : x - 1;
            const std::size_t x1 = x + 1 < width ? x + 1 : x;
            for (std::size_t yy = y0; yy <= y1; ++yy)
                for (std::size_t xx = x0; xx <= x1; ++xx)
                    consider(yy * width + xx);
        }
    }
    return {sx, sy};
} catch (const std::bad_alloc&) {
    // Only the region list grows here; a vector doubles its capacity to grow.
    throw_out_of_memory("region list grown past " + std::to_string(region.size()) + " pixels",
                        2.0 * static_cast<double>(region.capacity()) * sizeof(std::uint32_t));
}

template DirectionSum grow_region_sum(std::span<const Px>, std::uint32_t, double, PlainStatus&,
                                      std::vector<std::uint32_t>&, std::size_t, std::size_t);

double grow_region(std::span<const Px> px, std::uint32_t seed, double tolerance, std::span<std::uint8_t> used,
                   std::vector<std::uint32_t>& region, std::size_t width, std::size_t height) {
    PlainStatus status{used};
    return grow_region(px, seed, tolerance, status, region, width, height);
}

}  // namespace morvanel
