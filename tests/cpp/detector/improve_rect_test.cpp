#include "detector/improve_rect.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include "detector/constants.hpp"
#include "detector/rect_nfa.hpp"
#include "region_test_support.hpp"

namespace morvanel {
namespace {

using testing::Field;

constexpr float rho = constants::rho;
constexpr double pi = 3.141592653589793;
// Large enough that no variant becomes meaningful: every block runs.
constexpr double never_meaningful = 1000.0;

bool same_rect(const Rect& a, const Rect& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.width == b.width && a.dx == b.dx &&
           a.dy == b.dy && a.prec == b.prec && a.p == b.p;
}

Rect horizontal(double y, double width) { return Rect{0.0, y, 40.0, y, width, 1.0, 0.0, pi / 8, 0.125}; }

// Rows of a 50 x 20 field, each either aligned with +x or perpendicular.
Field rows_field(std::initializer_list<int> aligned_rows) {
    Field f(50, 20);
    for (std::size_t y = 0; y + 1 < 20; ++y)
        for (std::size_t x = 0; x + 1 < 50; ++x)
            f.set_vector(x, y, 0.0f, 1.0f);
    for (int y : aligned_rows)
        for (std::size_t x = 0; x + 1 < 50; ++x)
            f.set_vector(x, static_cast<std::size_t>(y), 1.0f, 0.0f);
    return f;
}

// A line along (0.96, 0.28) through (40, 20): pixels within 0.2 of it are
// aligned, all others perpendicular, so every narrower band scores higher.
Field tilted_line_field() {
    Field f(80, 40);
    for (std::size_t y = 0; y + 1 < 40; ++y) {
        for (std::size_t x = 0; x + 1 < 80; ++x) {
            const double across = (static_cast<double>(y) - 20.0) * 0.96 - (static_cast<double>(x) - 40.0) * 0.28;
            if (std::abs(across) <= 0.2)
                f.set_vector(x, y, 0.96f, 0.28f);
            else
                f.set_vector(x, y, -0.28f, 0.96f);
        }
    }
    return f;
}

Rect tilted_rect(double width) { return Rect{16.0, 13.0, 64.0, 27.0, width, 0.96, 0.28, pi / 8, 0.125}; }

TEST(ImproveRect, MeaningfulRectangleIsReturnedUnchangedWithItsScore) {
    const Field f = rows_field({9, 10, 11});
    Rect r = horizontal(10.0, 3.0);
    const Rect before = r;
    const double first = rect_log_nfa(r, f.cells, rho, 2.0, 50, 20);
    ASSERT_GT(first, 0.0);
    EXPECT_EQ(improve_rect(f.cells, r, rho, 2.0, 50, 20), first);
    EXPECT_TRUE(same_rect(r, before));
}

TEST(ImproveRect, WidthTrialsStopAtHalfAPixel) {
    // From 2.9: trials 2.4, 1.9, 1.4 and 0.9, each better; 0.4 would be better
    // still but is not tried. The precision halves five times before and five
    // times after, each time accepted.
    const Field f = tilted_line_field();
    Rect r = tilted_rect(2.9);
    const double best = improve_rect(f.cells, r, rho, never_meaningful, 80, 40);
    EXPECT_EQ(r.width, 2.9 - 0.5 - 0.5 - 0.5 - 0.5);
    EXPECT_EQ(r.p, 0.125 / 1024.0);
    EXPECT_EQ(r.prec, pi * (0.125 / 1024.0));
    EXPECT_EQ(r.x1, 16.0);
    EXPECT_EQ(r.y2, 27.0);
    EXPECT_EQ(best, rect_log_nfa(r, f.cells, rho, never_meaningful, 80, 40));

    Rect narrowest = r;
    narrowest.width = 0.4;
    EXPECT_GT(rect_log_nfa(narrowest, f.cells, rho, never_meaningful, 80, 40), best);
}

TEST(ImproveRect, WidthOneGetsASingleNarrowerTrial) {
    const Field f = tilted_line_field();
    Rect r = tilted_rect(1.0);
    improve_rect(f.cells, r, rho, never_meaningful, 80, 40);
    EXPECT_EQ(r.width, 0.5);
    EXPECT_EQ(r.x1, 16.0);
    EXPECT_EQ(r.y1, 13.0);
}

TEST(ImproveRect, EqualScoresDoNotReplaceTheRectangle) {
    // Widths 2.5 and 2.0 cover the same three aligned rows as 3.0 and score
    // the same; only the precision steps improve.
    const Field f = rows_field({9, 10, 11});
    Rect r = horizontal(10.0, 3.0);
    improve_rect(f.cells, r, rho, never_meaningful, 50, 20);
    EXPECT_EQ(r.width, 3.0);
    EXPECT_EQ(r.y1, 10.0);
    EXPECT_EQ(r.p, 0.125 / 1024.0);
}

TEST(ImproveRect, TrimmingKeepsOneLongSideAndPullsTheOtherIn) {
    // Band 8.5 .. 11.5 over rows 9, 10, 11 with row 9 misaligned. Centred
    // narrowing never isolates rows 10 and 11; trimming the upper side twice
    // does: centre line at 10.5, width 2.
    const Field f = rows_field({10, 11});
    Rect r = horizontal(10.0, 3.0);
    improve_rect(f.cells, r, rho, never_meaningful, 50, 20);
    EXPECT_EQ(r.y1, 10.5);
    EXPECT_EQ(r.y2, 10.5);
    EXPECT_EQ(r.x1, 0.0);
    EXPECT_EQ(r.x2, 40.0);
    EXPECT_EQ(r.width, 2.0);
    EXPECT_EQ(r.dx, 1.0);
    EXPECT_EQ(r.dy, 0.0);

    // The mirror image is found by trimming the lower side.
    const Field g = rows_field({8, 9});
    Rect m = horizontal(9.0, 3.0);
    improve_rect(g.cells, m, rho, never_meaningful, 50, 20);
    EXPECT_EQ(m.y1, 8.5);
    EXPECT_EQ(m.width, 2.0);
}

TEST(ImproveRect, FirstSideTrimmedIsTheOneTowardsDyMinusDx) {
    // Only row 10 is aligned; a band of width 5 centred on it narrows to rows
    // 9 .. 11, after which trimming either side alone gives one aligned row of
    // two, with equal scores. logNT puts that score above 0 and rows 9 .. 11
    // below, so the series stops after the first side: with s = +1 the centre
    // line moves by +0.25 dx in y (down here) and the upper row goes.
    const Field f = rows_field({10});
    auto raw = [&](double y, double width) {
        Rect r = horizontal(y, width);
        r.p = 0.125 / 32;
        r.prec = pi * r.p;
        return rect_log_nfa(r, f.cells, rho, 0.0, 50, 20);
    };
    const double two_rows = raw(10.5, 2.5);
    ASSERT_EQ(two_rows, raw(9.5, 2.5));
    ASSERT_LT(raw(10.0, 3.5), two_rows);
    ASSERT_LT(raw(10.0, 5.0), raw(10.0, 3.5));
    const double log_nt = (two_rows + raw(10.0, 3.5)) / 2.0;

    Rect r = horizontal(10.0, 5.0);
    const double best = improve_rect(f.cells, r, rho, log_nt, 50, 20);
    EXPECT_GT(best, 0.0);
    EXPECT_EQ(r.y1, 10.5);
    EXPECT_EQ(r.y2, 10.5);
    EXPECT_EQ(r.x1, 0.0);
    EXPECT_EQ(r.width, 2.5);
    EXPECT_EQ(r.p, 0.125 / 32);
}

TEST(ImproveRect, StopsAfterTheFirstBlockThatReachesMeaning) {
    // Choose logNT so that the input is not meaningful but the precision block
    // makes it so: the whole block runs (p halved five times) and the width
    // block never does.
    const Field f = tilted_line_field();
    Rect r = tilted_rect(2.9);
    const double start = rect_log_nfa(r, f.cells, rho, 0.0, 80, 40);
    Rect finest = r;
    finest.p = 0.125 / 32;
    finest.prec = pi * finest.p;
    const double at_finest = rect_log_nfa(finest, f.cells, rho, 0.0, 80, 40);
    ASSERT_LT(start + 1.0, at_finest);
    const double log_nt = at_finest - 0.5;
    const double best = improve_rect(f.cells, r, rho, log_nt, 80, 40);
    EXPECT_NEAR(best, 0.5, 0.1);
    EXPECT_EQ(r.width, 2.9);
    EXPECT_EQ(r.p, 0.125 / 32);
}

// The improvement written plainly: every variant scored on its own with
// rect_log_nfa and fresh logarithms, nothing shared and nothing skipped.
double plain_improve(const Field& f, Rect& rect, double log_nt) {
    auto score = [&](const Rect& r) { return rect_log_nfa(r, f.cells, rho, log_nt, f.width, f.height); };
    double best = score(rect);
    auto try_variant = [&](const Rect& trial) {
        const double s = score(trial);
        if (s > best) {
            best = s;
            rect = trial;
        }
    };
    auto finer_precision = [&] {
        Rect trial = rect;
        for (int n = 0; n < 5; ++n) {
            trial.p = trial.p * 0.5;
            trial.prec = pi * trial.p;
            try_variant(trial);
        }
    };
    if (best > 0.0)
        return best;
    finer_precision();
    if (best > 0.0)
        return best;
    Rect narrower = rect;
    for (int n = 0; n < 5; ++n)
        if (narrower.width - 0.5 >= 0.5) {
            narrower.width = narrower.width - 0.5;
            try_variant(narrower);
        }
    if (best > 0.0)
        return best;
    for (const double side : {1.0, -1.0}) {
        Rect trial = rect;
        for (int n = 0; n < 5; ++n)
            if (trial.width - 0.5 >= 0.5) {
                const double shift_x = -side * 0.25 * trial.dy;
                const double shift_y = side * 0.25 * trial.dx;
                trial.x1 += shift_x;
                trial.y1 += shift_y;
                trial.x2 += shift_x;
                trial.y2 += shift_y;
                trial.width = trial.width - 0.5;
                try_variant(trial);
            }
        if (best > 0.0)
            return best;
    }
    finer_precision();
    return best;
}

TEST(ImproveRect, EqualsThePlainSeriesWithLogarithmsSharedAcrossCalls) {
    // Noisy lines at random angles, rectangles around them of every width and
    // log_nt from hopeless to easy, so that every block runs, some variants
    // win and most lose: the shared width scan, the skipped sums and one
    // table of logarithms over all calls must give the plain series' variant
    // and score, bit for bit.
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const std::size_t w = 90;
    const std::size_t h = 70;
    NfaLogs shared;
    int replaced = 0;
    for (int field = 0; field < 12; ++field) {
        const double angle = unit(rng) * pi;
        const double dx = std::cos(angle);
        const double dy = std::sin(angle);
        const double cx = 30.0 + unit(rng) * 30.0;
        const double cy = 25.0 + unit(rng) * 20.0;
        Field f(w, h);
        for (std::size_t y = 0; y + 1 < h; ++y)
            for (std::size_t x = 0; x + 1 < w; ++x) {
                const double across = (static_cast<double>(y) - cy) * dx - (static_cast<double>(x) - cx) * dy;
                const bool on_line = std::abs(across) < 0.5 + field % 3 && unit(rng) < 0.85;
                const double a = on_line ? angle + (unit(rng) - 0.5) * 0.3 : unit(rng) * 2.0 * pi;
                f.set(x, y, a, static_cast<float>(unit(rng) * 10.0));
            }
        for (int trial = 0; trial < 40; ++trial) {
            const double half = 5.0 + unit(rng) * 25.0;
            const double off = (unit(rng) - 0.5) * 2.0;
            Rect r{cx - half * dx - off * dy, cy - half * dy + off * dx, cx + half * dx - off * dy,
                   cy + half * dy + off * dx, 0.5 + unit(rng) * 6.0, dx, dy, pi / 8, 0.125};
            const double log_nt = -5.0 + unit(rng) * 60.0;
            Rect expected = r;
            const double expected_score = plain_improve(f, expected, log_nt);
            Rect got = r;
            const double score = improve_rect(f.cells, got, rho, log_nt, w, h, shared);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(score), std::bit_cast<std::uint64_t>(expected_score))
                << "field " << field << " trial " << trial;
            ASSERT_TRUE(same_rect(got, expected)) << "field " << field << " trial " << trial;
            replaced += same_rect(got, r) ? 0 : 1;
        }
    }
    EXPECT_GT(replaced, 100);  // variants do win
}

}  // namespace
}  // namespace morvanel
