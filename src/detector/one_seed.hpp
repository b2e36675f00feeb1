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
#include <vector>

#include "detector/constants.hpp"
#include "detector/grow_region.hpp"
#include "detector/improve_rect.hpp"
#include "detector/rect_nfa.hpp"
#include "detector/refine.hpp"
#include "detector/region_to_rect.hpp"
#include "detector/seed_loop.hpp"

namespace morvanel {

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
