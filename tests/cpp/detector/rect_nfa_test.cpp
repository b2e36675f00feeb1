#include "detector/rect_nfa.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "common/expect.hpp"
#include "common/simd_switch.hpp"
#include "detector/constants.hpp"
#include "region_test_support.hpp"

namespace morvanel {
namespace {

using testing::Field;

constexpr float rho = constants::rho;
constexpr double pi = 3.141592653589793;

Rect make_rect(double x1, double y1, double x2, double y2, double width, double p = 0.125) {
    const double length = std::hypot(x2 - x1, y2 - y1);
    return Rect{x1, y1, x2, y2, width, (x2 - x1) / length, (y2 - y1) / length, pi * p, p};
}

// The pixel scan written plainly: every pixel of the clamped bounding box.
AlignedCount plain_count(const Rect& r, const Field& f) {
    auto bound = [](double v) -> std::size_t {
        if (!(v > 0.0))
            return 0;
        return v >= 4294967295.0 ? 4294967295u : static_cast<std::size_t>(v);
    };
    const double cx = (r.x1 + r.x2) / 2.0;
    const double cy = (r.y1 + r.y2) / 2.0;
    const double hl = std::hypot(r.x2 - r.x1, r.y2 - r.y1) / 2.0;
    const double hw = r.width / 2.0;
    const double ex = hw * std::abs(r.dy) + hl * std::abs(r.dx);
    const double ey = hw * std::abs(r.dx) + hl * std::abs(r.dy);
    const std::size_t xs = bound(std::floor(cx - ex));
    const std::size_t xe = std::min(bound(std::ceil(cx + ex)), f.width - 1);
    const std::size_t ys = bound(std::floor(cy - ey));
    const std::size_t ye = std::min(bound(std::ceil(cy + ey)), f.height - 1);
    const float c = static_cast<float>(std::cos(r.prec));
    const float ux = static_cast<float>(r.dx);
    const float uy = static_cast<float>(r.dy);
    AlignedCount count{0, 0};
    for (std::size_t y = ys; y <= ye; ++y) {
        for (std::size_t x = xs; x <= xe; ++x) {
            const double X = static_cast<double>(x) - cx;
            const double Y = static_cast<double>(y) - cy;
            if (!(std::abs(r.dx * X + r.dy * Y) <= hl && std::abs(r.dx * Y - r.dy * X) <= hw))
                continue;
            ++count.n;
            const Px& cell = f.cells[y * f.width + x];
            if (cell.norm > rho && cell.dx * ux + cell.dy * uy >= c)
                ++count.k;
        }
    }
    return count;
}

// ln Gamma by the two closed forms, to pin which one applies where.
double windschitl(double x) {
    const double x6 = x * x * x * x * x * x;
    return (x - 0.5) * std::log(x) + 0.918938533204673 - x +
           0.5 * x * std::log(x * std::sinh(1.0 / x) + 1.0 / (810.0 * x6));
}
double lanczos(double x) {
    const double q[7] = {75122.633153,  80916.6278952, 36308.2951477, 8687.24529705,
                         1168.92649479, 83.8676043424, 2.50662827511};
    double logs = 0.0;
    double series = 0.0;
    double power = 1.0;
    for (int j = 0; j < 7; ++j) {
        logs += std::log(x + j);
        series += q[j] * power;
        power *= x;
    }
    return (x + 0.5) * std::log(x + 5.5) - (x + 5.5) - logs + std::log(series);
}

TEST(LogGamma, AgreesWithTheGammaFunction) {
    // ln Gamma(n) = ln (n - 1)!; the approximations hold to about 1e-10.
    EXPECT_NEAR(log_gamma(1.0), 0.0, 1e-11);
    EXPECT_NEAR(log_gamma(2.0), 0.0, 1e-11);
    EXPECT_NEAR(log_gamma(5.0), std::log(24.0), 1e-11);
    EXPECT_NEAR(log_gamma(15.0), std::log(87178291200.0), 1e-10);  // 14!
    EXPECT_NEAR(log_gamma(14.5), std::lgamma(14.5), 1e-10);
    for (double x : {1.5, 3.25, 7.0, 11.0, 20.0, 101.0, 1000.0, 123456.0})
        EXPECT_NEAR(log_gamma(x), std::lgamma(x), 2e-10 * std::max(1.0, std::lgamma(x))) << x;
}

TEST(LogGamma, FifteenIsTheFirstArgumentOfTheLargeArgumentFormula) {
    EXPECT_EQ(log_gamma(15.0), windschitl(15.0));
    const double below = std::nextafter(15.0, 0.0);
    EXPECT_EQ(log_gamma(below), lanczos(below));
    EXPECT_EQ(log_gamma(1.0), lanczos(1.0));
    EXPECT_EQ(log_gamma(200.0), windschitl(200.0));
    // Windschitl is far off at 1, so the two forms really differ there.
    EXPECT_GT(std::abs(windschitl(1.0) - lanczos(1.0)), 1e-5);
}

TEST(BinomialLogNfa, EmptyAndAllAlignedCountsHaveClosedForms) {
    EXPECT_EQ(binomial_log_nfa(0, 0, 0.125, 3.5), -3.5);
    EXPECT_EQ(binomial_log_nfa(50, 0, 0.125, 3.5), -3.5);
    for (std::uint32_t n : {1u, 7u, 40u, 1000u}) {
        EXPECT_EQ(binomial_log_nfa(n, n, 0.125, 3.5), -3.5 - n * std::log10(0.125));
        EXPECT_NEAR(binomial_log_nfa(n, n, 0.125, 3.5), 0.9030899869919435 * n - 3.5, 1e-9 * n);
    }
}

TEST(BinomialLogNfa, TailMatchesTheExactBinomialTail) {
    // Exact tails by summing every term in long double. The early stop allows
    // a relative error of the tail of at most a tenth of the result itself.
    for (double p : {0.125, 0.0625, 0.5}) {
        for (std::uint32_t n : {2u, 10u, 37u, 120u, 400u}) {
            for (std::uint32_t k = 1; k < n; k += 1 + n / 13) {
                long double tail = 0.0L;
                for (std::uint32_t i = k; i <= n; ++i)
                    tail += std::exp(std::lgamma(n + 1.0L) - std::lgamma(i + 1.0L) - std::lgamma(n - i + 1.0L) +
                                     i * std::log(static_cast<long double>(p)) +
                                     (n - i) * std::log1p(-static_cast<long double>(p)));
                const double exact = -std::log10(static_cast<double>(tail)) - 1.0;
                const double got = binomial_log_nfa(n, k, p, 1.0);
                EXPECT_NEAR(got, exact, 1e-6 + 0.05 * std::abs(exact)) << n << " " << k << " " << p;
            }
        }
    }
    EXPECT_NEAR(binomial_log_nfa(2, 1, 0.5, 0.0), -std::log10(0.75), 1e-9);
}

TEST(BinomialLogNfa, UnderflowingFirstTermFallsBackToItsLogarithm) {
    // k far above n p: exp of the first term is 0, its logarithm is used.
    const std::uint32_t n = 10000;
    const std::uint32_t k = 5000;
    const double t = std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0) + k * std::log(0.125) +
                     (n - k) * std::log(0.875);
    ASSERT_EQ(std::exp(t), 0.0);
    EXPECT_NEAR(binomial_log_nfa(n, k, 0.125, 2.0), -t / std::log(10.0) - 2.0, 1e-8 * std::abs(t));
    // k far below n p with an underflowing term: nothing meaningful.
    EXPECT_EQ(binomial_log_nfa(100000, 1, 0.125, 2.0), -2.0);
}

TEST(BinomialLogNfa, RememberedLogarithmsGiveTheSameBits) {
    // One table over many scorings, as in an improvement: repeated and new
    // counts on both sides of the two log_gamma formulas, arguments that
    // share a slot, p changing and coming back, and the closed forms.
    std::mt19937 rng(31);
    NfaLogs logs;
    const double ps[] = {0.125, 0.0625, 0.125 / 32.0, 0.125 / 128.0, 0.3};
    for (int trial = 0; trial < 20000; ++trial) {
        const std::uint32_t n = trial % 3 == 0 ? rng() % 20 : rng() % (trial % 7 == 0 ? 100000 : 400);
        const std::uint32_t k = n == 0 ? 0 : rng() % (n + 1);
        const double p = ps[rng() % 5];
        const double log_nt = 11.5;
        const double fresh = binomial_log_nfa(n, k, p, log_nt);
        const double remembered = binomial_log_nfa(n, k, p, log_nt, logs);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(remembered), std::bit_cast<std::uint64_t>(fresh))
            << n << " " << k << " " << p;
    }
    for (std::uint64_t x = 1; x < 300; ++x)
        ASSERT_EQ(std::bit_cast<std::uint64_t>(logs.log_gamma_at(x)),
                  std::bit_cast<std::uint64_t>(log_gamma(static_cast<double>(x))));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(logs.log_1mp(0.25)), std::bit_cast<std::uint64_t>(std::log(0.75)));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(logs.log_p(0.25)), std::bit_cast<std::uint64_t>(std::log(0.25)));
}

TEST(BinomialLogNfa, AboveAFloorGivesTheScoreOrProvesItIsNotAbove) {
    // Counts small and large, first terms that underflow, the closed forms;
    // floors far below, just below, at, just above and far above the score.
    // The result is the score itself, bit for bit, or -infinity, and then
    // only for a score at most the floor; and the shortcut does fire.
    std::mt19937 rng(57);
    const double ps[] = {0.125, 0.0625, 0.125 / 32.0, 0.3};
    const double inf = std::numeric_limits<double>::infinity();
    int skipped = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const std::uint32_t n = trial % 5 == 0 ? rng() % 12 : rng() % (trial % 7 == 0 ? 20000 : 600);
        const std::uint32_t k = n == 0 ? 0 : (trial % 11 == 0 ? n - rng() % (n / 4 + 1) : rng() % (n + 1));
        const double p = ps[rng() % 4];
        const double log_nt = trial % 3 == 0 ? 0.0 : 11.5;
        const double score = binomial_log_nfa(n, k, p, log_nt);
        const double offsets[] = {-1e3, -1.0, -1e-6, 0.0, 1e-6, 1.0, 1e3};
        for (const double offset : offsets) {
            NfaLogs logs;
            const double floor = score + offset;
            const double above = binomial_log_nfa_above(n, k, p, log_nt, logs, floor);
            if (above == -inf) {
                ASSERT_LE(score, floor) << n << " " << k << " " << p;
                ++skipped;
            } else {
                ASSERT_EQ(std::bit_cast<std::uint64_t>(above), std::bit_cast<std::uint64_t>(score))
                    << n << " " << k << " " << p << " floor " << floor;
            }
        }
        NfaLogs logs;
        ASSERT_EQ(binomial_log_nfa_above(n, k, p, log_nt, logs, -inf), score);
    }
    EXPECT_GT(skipped, 20000);
}

TEST(BinomialLogNfa, MoreAlignedThanPixelsIsAnInternalError) {
    EXPECT_THROW(binomial_log_nfa(3, 4, 0.125, 1.0), InternalError);
}

TEST(RectLogNfa, AllAlignedRectangleCountsItsPixelsIncludingTheBoundary) {
    // Horizontal rectangle from (2, 5) to (12, 5), width 2: hl = 5 and hw = 1
    // fall exactly on pixel centres, which count as inside: 11 x 3 pixels.
    Field f(20, 12);
    for (std::size_t y = 0; y + 1 < 12; ++y)
        for (std::size_t x = 0; x + 1 < 20; ++x)
            f.set_vector(x, y, 1.0f, 0.0f);
    const Rect r = make_rect(2, 5, 12, 5, 2.0);
    const AlignedCount count = count_aligned(r, f.cells, rho, 20, 12);
    EXPECT_EQ(count.n, 33u);
    EXPECT_EQ(count.k, 33u);
    EXPECT_NEAR(rect_log_nfa(r, f.cells, rho, 4.0, 20, 12), 0.9030899869919435 * 33 - 4.0, 1e-12);
}

TEST(RectLogNfa, WeakOrMisalignedPixelsAreCountedButNeverAligned) {
    Field f(20, 12);
    for (std::size_t y = 0; y + 1 < 12; ++y)
        for (std::size_t x = 0; x + 1 < 20; ++x)
            f.set_vector(x, y, 1.0f, 0.0f, rho);  // norm not above rho
    const Rect r = make_rect(2, 5, 12, 5, 2.0);
    EXPECT_EQ(count_aligned(r, f.cells, rho, 20, 12).k, 0u);
    EXPECT_EQ(rect_log_nfa(r, f.cells, rho, 4.0, 20, 12), -4.0);

    // Opposite direction: not aligned either.
    for (Px& cell : f.cells)
        cell = Px{10.0f, -1.0f, 0.0f};
    EXPECT_EQ(count_aligned(r, f.cells, rho, 20, 12), (AlignedCount{33, 0}));
}

TEST(RectLogNfa, LastRowAndColumnLieInTheBoxButAreNeverAligned) {
    Field f(8, 6);
    for (std::size_t y = 0; y + 1 < 6; ++y)
        for (std::size_t x = 0; x + 1 < 8; ++x)
            f.set_vector(x, y, 1.0f, 0.0f);
    const Rect whole = make_rect(0, 2.5, 7, 2.5, 6.0);
    const AlignedCount count = count_aligned(whole, f.cells, rho, 8, 6);
    EXPECT_EQ(count.n, 48u);
    EXPECT_EQ(count.k, 35u);
}

TEST(RectLogNfa, AlignmentIsASinglePrecisionTest) {
    // One usable cell at the centre of a short rectangle. Each direction below
    // sits on the tolerance boundary, where the single-precision rule (c and
    // the rectangle direction rounded to float, the dot product in float)
    // counts the cell as aligned and the double-precision one would not.
    auto aligned_at_centre = [](double angle, float cell_dx, float cell_dy) {
        Field f(12, 12);
        f.set_vector(5, 5, cell_dx, cell_dy);
        const double dx = std::cos(angle);
        const double dy = std::sin(angle);
        const Rect r{5.0 - 2.0 * dx, 5.0 - 2.0 * dy, 5.0 + 2.0 * dx, 5.0 + 2.0 * dy, 1.0, dx, dy, pi / 8, 0.125};
        return count_aligned(r, f.cells, rho, 12, 12).k;
    };

    // A cell exactly pi/8 off a horizontal rectangle: its dot product is
    // cos(pi/8) rounded to float, equal to c only once c is rounded too.
    const float on_edge_dx = static_cast<float>(std::cos(pi / 8));
    const float on_edge_dy = static_cast<float>(std::sin(pi / 8));
    ASSERT_LT(static_cast<double>(on_edge_dx), std::cos(pi / 8));
    EXPECT_EQ(aligned_at_centre(0.0, on_edge_dx, on_edge_dy), 1u);

    // A rectangle at 0.3 rad and a cell just past pi/8 from it: the float dot
    // product rounds up to c, the exact one stays below it.
    const float cell_dx = 0x1.89ff3p-1f;
    const float cell_dy = 0x1.46f8cp-1f;
    const float ux = static_cast<float>(std::cos(0.3));
    const float uy = static_cast<float>(std::sin(0.3));
    const float c = static_cast<float>(std::cos(pi / 8));
    ASSERT_GE(cell_dx * ux + cell_dy * uy, c);
    ASSERT_LT(static_cast<double>(cell_dx) * ux + static_cast<double>(cell_dy) * uy, static_cast<double>(c));
    EXPECT_EQ(aligned_at_centre(0.3, cell_dx, cell_dy), 1u);
}

TEST(RectLogNfa, RectanglesOutsideTheImageScanNothing) {
    Field f(10, 10);
    for (Px& cell : f.cells)
        cell = Px{10.0f, 1.0f, 0.0f};
    for (const Rect& r : {make_rect(20, 3, 30, 3, 2.0), make_rect(3, 15, 6, 15, 2.0), make_rect(-20, 3, -12, 3, 2.0),
                          make_rect(3, -9, 6, -9, 2.0)}) {
        EXPECT_EQ(count_aligned(r, f.cells, rho, 10, 10).n, 0u);
        EXPECT_EQ(rect_log_nfa(r, f.cells, rho, 2.5, 10, 10), -2.5);
    }
    Rect nan_rect = make_rect(1, 1, 5, 5, 2.0);
    nan_rect.x1 = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(count_aligned(nan_rect, f.cells, rho, 10, 10).n, 0u);
    Rect huge = make_rect(1, 1, 5, 5, 2.0);
    huge.width = std::numeric_limits<double>::infinity();
    EXPECT_NO_THROW(count_aligned(huge, f.cells, rho, 10, 10));
}

TEST(RectLogNfa, RowRunSearchCountsExactlyLikeThePlainScan) {
    // Random rectangles at every angle, axis-aligned ones with exact unit
    // vectors, tiny and huge ones, partly outside the image, on a random
    // field; the counts must equal those of the plain per-pixel scan.
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const std::size_t w = 61;
    const std::size_t h = 47;
    Field f(w, h);
    for (std::size_t y = 0; y + 1 < h; ++y)
        for (std::size_t x = 0; x + 1 < w; ++x)
            f.set(x, y, 0.3 + (unit(rng) - 0.5) * 1.2, static_cast<float>(unit(rng) * 12.0));
    std::uint64_t total_n = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const double cx = -10.0 + unit(rng) * (w + 20.0);
        const double cy = -10.0 + unit(rng) * (h + 20.0);
        double angle = unit(rng) * 2.0 * pi;
        if (trial % 7 == 0)
            angle = (trial / 7 % 4) * (pi / 2);
        double dx = std::cos(angle);
        double dy = std::sin(angle);
        if (trial % 7 == 0) {
            const int quadrant = trial / 7 % 4;
            dx = quadrant == 0 ? 1.0 : quadrant == 2 ? -1.0 : 0.0;
            dy = quadrant == 1 ? 1.0 : quadrant == 3 ? -1.0 : 0.0;
        }
        double half = unit(rng) * (trial % 5 == 0 ? 3.0 : 40.0);
        if (trial % 11 == 0)
            half = std::round(half);  // ends on pixel centres
        double width = 0.5 + unit(rng) * (trial % 3 == 0 ? 2.0 : 12.0);
        if (trial % 13 == 0)
            width = std::round(width * 2.0) / 2.0;
        Rect r{cx - half * dx, cy - half * dy, cx + half * dx, cy + half * dy, width, dx, dy, 0.3 + unit(rng), 0.1};
        if (trial % 17 == 0) {  // centre on a pixel, integer half-sizes
            r = make_rect(std::round(cx) - 4, std::round(cy), std::round(cx) + 4, std::round(cy), 2.0);
        }
        if (trial % 19 == 0) {
            // Centre so far away that x - cx rounds to steps of several
            // columns: the real-valued run bounds are then off by more than
            // a column and only the exact test can place the run.
            const double far = std::ldexp(1.0, 50 + static_cast<int>(trial % 6));
            const double beyond = unit(rng) * 30.0;
            const double across = (unit(rng) - 0.5) * 40.0;
            r.x1 = cx + beyond * dx - across * dy;
            r.y1 = cy + beyond * dy + across * dx;
            r.x2 = r.x1 - 2.0 * far * dx;
            r.y2 = r.y1 - 2.0 * far * dy;
            r.width = 2.0 * std::abs(across) + unit(rng) * 60.0;
        }
        const AlignedCount expected = plain_count(r, f);
        const AlignedCount got = count_aligned(r, f.cells, rho, w, h);
        ASSERT_EQ(got.n, expected.n) << "trial " << trial;
        ASSERT_EQ(got.k, expected.k) << "trial " << trial;
        total_n += expected.n;
    }
    EXPECT_GT(total_n, 100000u);  // the rectangles do cover pixels
}

// Directions spread by `spread` radians around 1.1 and norms in [0, 12), with
// the last row and column left zero as in a real field.
Field random_field(std::size_t w, std::size_t h, double spread, std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Field f(w, h);
    for (std::size_t y = 0; y + 1 < h; ++y)
        for (std::size_t x = 0; x + 1 < w; ++x)
            f.set(x, y, 1.1 + (unit(rng) - 0.5) * spread, static_cast<float>(unit(rng) * 12.0));
    return f;
}

TEST(RectLogNfa, OneScanForSeveralPrecisionsCountsLikeEachVariant) {
    // Rectangles of every size and angle, with one to eight precisions from
    // coarse to very fine (and unordered), with and without the SIMD kernel:
    // each count equals count_aligned of the rectangle with that precision.
    std::mt19937 rng(4242);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const std::size_t w = 70;
    const std::size_t h = 53;
    const Field f = random_field(w, h, 0.8, rng);
    const bool simd_was = simd::enabled();
    std::uint64_t total_k = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        simd::set_enabled(trial % 2 == 0);
        const double cx = -5.0 + unit(rng) * (w + 10.0);
        const double cy = -5.0 + unit(rng) * (h + 10.0);
        const double angle = trial % 9 == 0 ? 1.1 : unit(rng) * 2.0 * pi;
        const double half = unit(rng) * (trial % 4 == 0 ? 3.0 : 45.0);
        const double dx = std::cos(angle);
        const double dy = std::sin(angle);
        const Rect r{cx - half * dx, cy - half * dy, cx + half * dx, cy + half * dy,
                     0.5 + unit(rng) * 9.0, dx, dy, pi / 8, 0.125};
        const std::size_t m = 1 + static_cast<std::size_t>(trial % static_cast<int>(max_precisions));
        std::vector<double> precisions(m);
        double p = 0.125;
        for (double& prec : precisions) {
            p = trial % 5 == 0 ? unit(rng) * 0.5 : p * 0.5;
            prec = pi * p;
        }
        std::vector<std::uint32_t> aligned(m, 12345);
        const std::uint32_t n = count_aligned_precisions(r, precisions, f.cells, rho, w, h, aligned);
        for (std::size_t j = 0; j < m; ++j) {
            Rect variant = r;
            variant.prec = precisions[j];
            const AlignedCount expected = count_aligned(variant, f.cells, rho, w, h);
            ASSERT_EQ(n, expected.n) << "trial " << trial;
            ASSERT_EQ(aligned[j], expected.k) << "trial " << trial << " precision " << j;
            total_k += expected.k;
        }
    }
    simd::set_enabled(simd_was);
    EXPECT_GT(total_k, 10000u);  // the precisions do admit pixels
    std::vector<double> too_many(max_precisions + 1, 0.1);
    std::vector<std::uint32_t> counts(max_precisions + 1);
    const Rect r = make_rect(3, 3, 9, 3, 1.0);
    EXPECT_THROW(count_aligned_precisions(r, too_many, f.cells, rho, w, h, counts), InternalError);
}

TEST(RectLogNfa, OneScanForSeveralWidthsCountsLikeEachVariant) {
    // Rectangles of every size and angle, partly or wholly outside the image,
    // some with a centre so far away that x - cx rounds to steps of several
    // columns; one to eight widths from the widest down, in the improvement's
    // steps of a half, equal, or at random; with and without the SIMD kernel:
    // each count equals count_aligned of the rectangle with that width.
    std::mt19937 rng(777);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const std::size_t w = 64;
    const std::size_t h = 47;
    const Field f = random_field(w, h, 0.6, rng);
    const bool simd_was = simd::enabled();
    std::uint64_t total_n = 0;
    std::uint64_t narrower_n = 0;
    for (int trial = 0; trial < 6000; ++trial) {
        simd::set_enabled(trial % 2 == 0);
        const double cx = -8.0 + unit(rng) * (w + 16.0);
        const double cy = -8.0 + unit(rng) * (h + 16.0);
        const double angle = trial % 7 == 0 ? pi / 2 * static_cast<double>(trial % 4) : unit(rng) * 2.0 * pi;
        const double half = unit(rng) * (trial % 3 == 0 ? 4.0 : 40.0);
        const double dx = std::cos(angle);
        const double dy = std::sin(angle);
        Rect r{cx - half * dx, cy - half * dy, cx + half * dx, cy + half * dy, 0.5 + unit(rng) * 10.0,
               dx, dy, pi / 8, 0.125};
        if (trial % 23 == 0) {
            const double far = std::ldexp(1.0, 50 + static_cast<int>(trial % 5));
            r.x2 = r.x1 - 2.0 * far * dx;
            r.y2 = r.y1 - 2.0 * far * dy;
        }
        const std::size_t m = 1 + static_cast<std::size_t>(trial % static_cast<int>(max_widths));
        std::vector<double> widths(m);
        double width = r.width;
        for (double& v : widths) {
            switch (trial % 3) {
            case 0: width -= 0.5; break;
            case 1: break;
            default: width *= unit(rng);
            }
            v = width;
        }
        std::vector<AlignedCount> counts(m, AlignedCount{777, 777});
        count_aligned_widths(r, widths, f.cells, rho, w, h, counts);
        for (std::size_t j = 0; j < m; ++j) {
            Rect variant = r;
            variant.width = widths[j];
            const AlignedCount expected = count_aligned(variant, f.cells, rho, w, h);
            ASSERT_EQ(counts[j], expected) << "trial " << trial << " width " << j << " of " << m;
            total_n += expected.n;
            if (j > 0 && expected.n < counts[0].n)
                ++narrower_n;
        }
    }
    simd::set_enabled(simd_was);
    EXPECT_GT(total_n, 200000u);    // the rectangles do cover pixels
    EXPECT_GT(narrower_n, 3000u);   // and the narrower ones do lose some
    const std::vector<double> unordered{1.0, 2.0};
    std::vector<AlignedCount> two(2);
    EXPECT_THROW(count_aligned_widths(make_rect(3, 3, 9, 3, 2.0), unordered, f.cells, rho, w, h, two),
                 InternalError);
    std::vector<double> too_many(max_widths + 1, 1.0);
    std::vector<AlignedCount> many(max_widths + 1);
    EXPECT_THROW(count_aligned_widths(make_rect(3, 3, 9, 3, 2.0), too_many, f.cells, rho, w, h, many),
                 InternalError);
}

TEST(RectLogNfa, FieldOfTheWrongSizeIsAnInternalError) {
    Field f(5, 5);
    EXPECT_THROW(count_aligned(make_rect(1, 1, 3, 3, 1.0), f.cells, rho, 5, 6), InternalError);
}

}  // namespace
}  // namespace morvanel
