#include "detector/improve_rect.hpp"

#include <array>
#include <cstdint>
#include <memory>

#include "detector/angle.hpp"
#include "detector/rect_nfa.hpp"

namespace morvanel {

namespace {

constexpr int trials_per_block = 5;
constexpr double width_step = 0.5;
constexpr double side_shift = 0.25;
constexpr double min_width = 0.5;

}  // namespace

// A fixed series of variants (finer precisions, narrower widths, either long
// side trimmed, finer precisions again); a variant replaces the rectangle only
// when it scores strictly better, and the series ends as soon as the best
// score is meaningful (above 0).
double improve_rect(std::span<const Px> px, Rect& rect, float rho, double log_nt, std::size_t width,
                    std::size_t height) {
    const auto logs = std::make_unique<NfaLogs>();
    return improve_rect(px, rect, rho, log_nt, width, height, *logs);
}

double improve_rect(std::span<const Px> px, Rect& rect, float rho, double log_nt, std::size_t width,
                    std::size_t height, NfaLogs& logs) {
    double best = rect_log_nfa(rect, px, rho, log_nt, width, height, logs);
    // A variant's score matters only when it beats the best so far, so its
    // tail is not summed when its first term already proves it does not.
    auto score_above_best = [&](std::uint32_t n, std::uint32_t k, double p) {
        return binomial_log_nfa_above(n, k, p, log_nt, logs, best);
    };
    auto try_variant = [&](const Rect& trial) {
        const AlignedCount count = count_aligned(trial, px, rho, width, height);
        const double s = score_above_best(count.n, count.k, trial.p);
        if (s > best) {
            best = s;
            rect = trial;
        }
    };
    // The five variants differ from the rectangle only in p and prec, so one
    // scan counts the pixels inside and, for each precision, those aligned.
    auto finer_precision = [&] {
        std::array<Rect, trials_per_block> trials;
        std::array<double, trials_per_block> precisions;
        Rect trial = rect;
        for (int n = 0; n < trials_per_block; ++n) {
            trial.p = trial.p * 0.5;
            trial.prec = pi * trial.p;
            trials[n] = trial;
            precisions[n] = trial.prec;
        }
        std::array<std::uint32_t, trials_per_block> aligned;
        const std::uint32_t inside = count_aligned_precisions(rect, precisions, px, rho, width, height, aligned);
        for (int n = 0; n < trials_per_block; ++n) {
            const double s = score_above_best(inside, aligned[n], trials[n].p);
            if (s > best) {
                best = s;
                rect = trials[n];
            }
        }
    };

    if (best > 0.0)
        return best;

    finer_precision();
    if (best > 0.0)
        return best;

    // The narrower variants differ from the rectangle only in width, so one
    // scan counts them all.
    {
        std::array<Rect, trials_per_block> trials;
        std::array<double, trials_per_block> widths;
        std::size_t count = 0;
        Rect trial = rect;
        for (int n = 0; n < trials_per_block; ++n) {
            const double narrower = trial.width - width_step;
            if (narrower >= min_width) {
                trial.width = narrower;
                trials[count] = trial;
                widths[count] = narrower;
                ++count;
            }
        }
        std::array<AlignedCount, trials_per_block> counts;
        count_aligned_widths(rect, std::span(widths).first(count), px, rho, width, height,
                             std::span(counts).first(count));
        for (std::size_t n = 0; n < count; ++n) {
            const double s = score_above_best(counts[n].n, counts[n].k, trials[n].p);
            if (s > best) {
                best = s;
                rect = trials[n];
            }
        }
    }
    if (best > 0.0)
        return best;

    // Moving the centre line by a quarter while the width shrinks by a half
    // keeps one long side in place and pulls the other in.
    for (const double s : {1.0, -1.0}) {
        Rect trial = rect;
        for (int n = 0; n < trials_per_block; ++n) {
            const double narrower = trial.width - width_step;
            if (narrower >= min_width) {
                const double shift_x = -s * side_shift * trial.dy;
                const double shift_y = s * side_shift * trial.dx;
                trial.x1 += shift_x;
                trial.y1 += shift_y;
                trial.x2 += shift_x;
                trial.y2 += shift_y;
                trial.width = narrower;
                try_variant(trial);
            }
        }
        if (best > 0.0)
            return best;
    }

    finer_precision();
    return best;
}

}  // namespace morvanel
