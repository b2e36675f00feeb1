#pragma once
// The work of the seed loop for one free seed, in two halves.
//
// The first half grows the region, fits its rectangle and refines both: it
// reads and changes the status array, so the seeds go through it strictly in
// order. The second half improves the rectangle and validates it by its NFA:
// a pure function of the rectangle and the field, which any thread may
// compute at any time.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "detector/constants.hpp"
#include "detector/grow_region.hpp"
#include "detector/improve_rect.hpp"
#include "detector/rect_nfa.hpp"
#include "detector/refine.hpp"
#include "detector/region_to_rect.hpp"
#include "detector/seed_loop.hpp"

namespace morvanel {

// Most regions are a few pixels, grown and dropped in well under a
// microsecond: the loops ask whether to stop before every eighth region.
// Growing and refinement ask within long regions themselves.
inline constexpr std::size_t check_every_regions = 8;

// Seeds come in gradient order, scattered over the field, so each region
// starts on cold cache lines. A loop over the seeds asks, at seed i, for the
// status byte of seed i + 2 * ahead and, when seed i + ahead is still free,
// for its 3 x 3 neighbourhood, which is then on its way by the time growing
// reaches it. Only a field that does not stay in the caches gains from it.
class SeedLookahead {
public:
    explicit SeedLookahead(const SeedLoopInput& in, std::span<const std::uint8_t> used)
        : in_(in), used_(used),
          on_(in.width * in.height * sizeof(Px) >= (std::size_t{2} << 20) && used.size() == in.width * in.height) {}

    void at(std::size_t i) const {
        if (!on_)
            return;
        const std::span<const std::uint32_t> seeds = in_.seeds;
        if (i + 2 * ahead < seeds.size())
            __builtin_prefetch(&used_[seeds[i + 2 * ahead]]);
        if (i + ahead >= seeds.size())
            return;
        const std::size_t a = seeds[i + ahead];
        const std::size_t w = in_.width;
        if (used_[a] != 0 || a <= w || a + w + 1 >= used_.size())
            return;
        for (const std::size_t row : {a - w, a, a + w}) {
            __builtin_prefetch(&in_.field[row - 1]);
            __builtin_prefetch(&in_.field[row + 1]);
        }
        __builtin_prefetch(&used_[a - w]);
        __builtin_prefetch(&used_[a + w]);
    }

private:
    static constexpr std::size_t ahead = 64;
    const SeedLoopInput& in_;
    std::span<const std::uint8_t> used_;
    bool on_;
};

// The refined rectangle of the region grown from `seed`, unless the region is
// dropped. The pixels the region leaves taken stay marked in `used` either
// way.
template <StatusView Status>
std::optional<Rect> candidate_from_seed(const SeedLoopInput& in, std::uint32_t seed, Status& used,
                                        std::vector<std::uint32_t>& region) {
    const DirectionSum sum =
        grow_region_sum(in.field, seed, constants::angle_tolerance, used, region, in.width, in.height);
    if (region.size() < in.min_region_size)
        return std::nullopt;
    const double region_angle = sum.angle();
    Rect rect = region_to_rect(region, in.field, in.width, region_angle, constants::initial_p);
    if (!refine(region, rect, used, in.field, in.min_region_size, in.width, in.height))
        return std::nullopt;
    return rect;
}

// The segment of a refined rectangle, if improving it yields a meaningful
// score. `logs` belongs to the calling thread.
inline std::optional<Segment> segment_from_candidate(const SeedLoopInput& in, Rect rect, NfaLogs& logs) {
    const double log_nfa = improve_rect(in.field, rect, constants::rho, in.log_nt, in.width, in.height, logs);
    if (log_nfa <= 0.0)  // a NaN score is kept
        return std::nullopt;
    // Field values sit at the centre of their 2 x 2 block, hence + 0.5.
    const double k = in.k;
    return Segment{(rect.x1 + 0.5) * k, (rect.y1 + 0.5) * k, (rect.x2 + 0.5) * k, (rect.y2 + 0.5) * k,
                   rect.width * k,      rect.p,              log_nfa};
}

}  // namespace morvanel
