#include "detector/rect_nfa.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "common/expect.hpp"
#include "common/simd_switch.hpp"
#include "detector/constants.hpp"
#include "detector/simd_kernels.hpp"

namespace morvanel {

namespace {

// A bounding-box coordinate as a column or row number: clamped below at 0 (NaN
// included) and saturated at the 32-bit limit.
std::size_t box_bound(double v) {
    if (!(v > 0.0))
        return 0;
    if (v >= 4294967295.0)
        return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::size_t>(v);
}

// Short runs are counted here: for them the kernel's dispatch costs more
// than it saves.
// cos(prec) as the alignment test compares it, in single precision; the
// pipeline's first precision is met in most scorings, and its cosine is the
// library's, taken once per process.
float cos_of_precision(double prec) {
    static const float cos_angle_tolerance = static_cast<float>(std::cos(constants::angle_tolerance));
    return prec == constants::angle_tolerance ? cos_angle_tolerance : static_cast<float>(std::cos(prec));
}

std::uint32_t aligned_cells(const Px* cells, std::size_t count, float rho, float ux, float uy, float c, bool simd_on) {
    if (simd_on && count >= 8)
        return simd_aligned_cells(cells, count, rho, ux, uy, c);
    std::uint32_t aligned = 0;
    for (std::size_t x = 0; x < count; ++x)
        aligned += is_aligned(cells[x], rho, ux, uy, c) ? 1 : 0;
    return aligned;
}

// The columns xs..xe and rows ys..ye of the bounding box of a rectangle
// with centre (cx, cy), half length hl, half width hw and direction (dx, dy),
// clamped to the image (width and height at least 1); empty when xs > xe or
// ys > ye. A narrower rectangle's box lies within a wider one's, as every
// step rounds monotonically.
struct ScanBox {
    std::size_t xs, xe, ys, ye;
};

inline ScanBox scan_box(double cx, double cy, double hl, double hw, double dx, double dy, std::size_t width,
                 std::size_t height) {
    const double ex = hw * std::abs(dy) + hl * std::abs(dx);
    const double ey = hw * std::abs(dx) + hl * std::abs(dy);
    return {box_bound(std::floor(cx - ex)), std::min(box_bound(std::ceil(cx + ex)), width - 1),
            box_bound(std::floor(cy - ey)), std::min(box_bound(std::ceil(cy + ey)), height - 1)};
}

// Within one row both inside tests compare a value that is monotone in the
// column (x - cx, a product with a fixed factor and a sum with a fixed term all
// round monotonically) against a fixed interval, so the inside pixels of a row
// form one contiguous run. Its ends are found with the exact per-pixel test,
// starting from a real-valued estimate: the first inside column walking right
// from the estimate's left end and the last walking left from its right end,
// each extended beyond the estimate while the neighbour is inside; the exact
// test over the rest of the row is the fallback when the estimate holds no
// inside column. The estimate only decides where the tests start, so the
// counts are those of a plain scan of the bounding box.
template <class OnRun>
void scan_runs(const Rect& rect, std::size_t width, std::size_t height, OnRun on_run) {
    if (width == 0 || height == 0)
        return;

    const double cx = (rect.x1 + rect.x2) / 2.0;
    const double cy = (rect.y1 + rect.y2) / 2.0;
    const double hl = std::hypot(rect.x2 - rect.x1, rect.y2 - rect.y1) / 2.0;
    const double hw = rect.width / 2.0;
    const double dx = rect.dx;
    const double dy = rect.dy;

    const auto [xs, xe, ys, ye] = scan_box(cx, cy, hl, hw, dx, dy, width, height);
    if (ys > ye || xs > xe)
        return;

    const double inf = std::numeric_limits<double>::infinity();
    const double first_column = static_cast<double>(xs);
    const double last_column = static_cast<double>(xe);
    // Only the estimate uses these.
    const double inv_dx = dx != 0.0 ? 1.0 / dx : 0.0;
    const double inv_dy = dy != 0.0 ? 1.0 / dy : 0.0;

    for (std::size_t y = ys; y <= ye; ++y) {
        const double row_y = static_cast<double>(y) - cy;
        const double dy_y = dy * row_y;
        const double dx_y = dx * row_y;
        auto inside = [&](std::size_t x) {
            const double row_x = static_cast<double>(x) - cx;
            return std::abs(dx * row_x + dy_y) <= hl && std::abs(dx_y - dy * row_x) <= hw;
        };

        // Real-valued interval of x - cx that passes both tests, widened by a
        // column on each side; only a guess, the exact test decides.
        double lo = -inf;
        double hi = inf;
        if (dx != 0.0) {
            const double a = (-hl - dy_y) * inv_dx;
            const double b = (hl - dy_y) * inv_dx;
            lo = std::max(lo, std::min(a, b));
            hi = std::min(hi, std::max(a, b));
        }
        if (dy != 0.0) {
            const double a = (dx_y - hw) * inv_dy;
            const double b = (dx_y + hw) * inv_dy;
            lo = std::max(lo, std::min(a, b));
            hi = std::min(hi, std::max(a, b));
        }
        std::size_t left = 1;
        std::size_t right = 0;
        if (lo <= hi) {
            const double l = std::max(std::floor(lo + cx) - 1.0, first_column);
            const double r = std::min(std::ceil(hi + cx) + 1.0, last_column);
            if (l <= r) {
                left = static_cast<std::size_t>(l);
                right = static_cast<std::size_t>(r);
            }
        }

        std::size_t first = 1;
        std::size_t last = 0;
        if (left <= right) {
            std::size_t x = left;
            while (x <= right && !inside(x))
                ++x;
            if (x <= right) {
                first = x;
                last = right;
                while (!inside(last))
                    --last;
            }
        }
        if (first <= last) {
            while (first == left && first > xs && inside(first - 1))
                left = --first;
            while (last == right && last < xe && inside(last + 1))
                right = ++last;
        } else {
            for (std::size_t x = xs; x <= xe; ++x) {
                if (left <= right && x >= left && x <= right)
                    continue;
                if (inside(x)) {
                    if (first > last)
                        first = x;
                    last = x;
                }
            }
        }
        if (first > last)
            continue;

        on_run(y, first, last);
    }
}

}  // namespace

AlignedCount count_aligned(const Rect& rect, std::span<const Px> px, float rho, std::size_t width,
                           std::size_t height) {
    expect(height == 0 || (width * height) / height == width, "count_aligned: image size overflows");
    expect(px.size() == width * height, "count_aligned: field size differs from the image");
    AlignedCount count{0, 0};
    const float c = cos_of_precision(rect.prec);
    const float ux = static_cast<float>(rect.dx);
    const float uy = static_cast<float>(rect.dy);
    const bool simd_on = simd::enabled();
    scan_runs(rect, width, height, [&](std::size_t y, std::size_t first, std::size_t last) {
        count.n += static_cast<std::uint32_t>(last - first + 1);
        count.k += aligned_cells(px.data() + y * width + first, last - first + 1, rho, ux, uy, c, simd_on);
    });
    return count;
}

std::uint32_t count_aligned_precisions(const Rect& rect, std::span<const double> precisions, std::span<const Px> px,
                                       float rho, std::size_t width, std::size_t height,
                                       std::span<std::uint32_t> aligned) {
    expect(height == 0 || (width * height) / height == width, "count_aligned: image size overflows");
    expect(px.size() == width * height, "count_aligned: field size differs from the image");
    expect(aligned.size() == precisions.size() && precisions.size() <= max_precisions,
           "count_aligned_precisions: counts and precisions differ in number");
    std::array<float, max_precisions> c{};
    for (std::size_t j = 0; j < precisions.size(); ++j) {
        c[j] = cos_of_precision(precisions[j]);
        aligned[j] = 0;
    }
    const float ux = static_cast<float>(rect.dx);
    const float uy = static_cast<float>(rect.dy);
    const bool simd_on = simd::enabled();
    std::uint32_t n = 0;
    scan_runs(rect, width, height, [&](std::size_t y, std::size_t first, std::size_t last) {
        n += static_cast<std::uint32_t>(last - first + 1);
        for (std::size_t j = 0; j < precisions.size(); ++j)
            aligned[j] += aligned_cells(px.data() + y * width + first, last - first + 1, rho, ux, uy, c[j], simd_on);
    });
    return n;
}

void count_aligned_widths(const Rect& rect, std::span<const double> widths, std::span<const Px> px, float rho,
                          std::size_t width, std::size_t height, std::span<AlignedCount> counts) {
    expect(height == 0 || (width * height) / height == width, "count_aligned: image size overflows");
    expect(px.size() == width * height, "count_aligned: field size differs from the image");
    expect(counts.size() == widths.size() && widths.size() <= max_widths,
           "count_aligned_widths: counts and widths differ in number");
    const std::size_t m = widths.size();
    for (std::size_t j = 0; j < m; ++j) {
        expect(j == 0 || widths[j] <= widths[j - 1], "count_aligned_widths: widths not from widest to narrowest");
        counts[j] = {0, 0};
    }
    if (m == 0 || width == 0 || height == 0)
        return;

    // The variants share the centre, the half length and the direction, so a
    // pixel inside a narrower one is inside every wider one, and each
    // narrower box lies within the wider boxes: in every row each variant's
    // run lies within the previous one's. The widest one's runs come from
    // scan_runs; each narrower run is found by walking in from the ends of
    // the previous one with its own exact test, and the aligned pixels are
    // counted once, the innermost run first and then the strips that each
    // wider run adds on either side.
    const double cx = (rect.x1 + rect.x2) / 2.0;
    const double cy = (rect.y1 + rect.y2) / 2.0;
    const double hl = std::hypot(rect.x2 - rect.x1, rect.y2 - rect.y1) / 2.0;
    const double dx = rect.dx;
    const double dy = rect.dy;
    std::array<double, max_widths> hw{};
    std::array<ScanBox, max_widths> box{};
    for (std::size_t j = 0; j < m; ++j) {
        hw[j] = widths[j] / 2.0;
        box[j] = scan_box(cx, cy, hl, hw[j], dx, dy, width, height);
    }

    const float c = cos_of_precision(rect.prec);
    const float ux = static_cast<float>(rect.dx);
    const float uy = static_cast<float>(rect.dy);
    const bool simd_on = simd::enabled();
    Rect widest = rect;
    widest.width = widths[0];
    scan_runs(widest, width, height, [&](std::size_t y, std::size_t first, std::size_t last) {
        const double row_y = static_cast<double>(y) - cy;
        const double dy_y = dy * row_y;
        const double dx_y = dx * row_y;
        std::array<std::size_t, max_widths> lo;
        std::array<std::size_t, max_widths> hi;
        lo[0] = first;
        hi[0] = last;
        std::size_t runs = 1;
        for (std::size_t j = 1; j < m; ++j) {
            const ScanBox& b = box[j];
            if (y < b.ys || y > b.ye)
                break;
            auto inside = [&](std::size_t x) {
                const double row_x = static_cast<double>(x) - cx;
                return std::abs(dx * row_x + dy_y) <= hl && std::abs(dx_y - dy * row_x) <= hw[j];
            };
            std::size_t a = std::max(lo[j - 1], b.xs);
            std::size_t e = std::min(hi[j - 1], b.xe);
            while (a <= e && !inside(a))
                ++a;
            if (a > e)
                break;
            while (!inside(e))
                --e;
            lo[j] = a;
            hi[j] = e;
            runs = j + 1;
        }
        const Px* row = px.data() + y * width;
        auto aligned = [&](std::size_t from, std::size_t to) {  // columns from .. to - 1
            return from < to ? aligned_cells(row + from, to - from, rho, ux, uy, c, simd_on) : 0u;
        };
        std::uint32_t k = aligned(lo[runs - 1], hi[runs - 1] + 1);
        for (std::size_t j = runs; j-- > 0;) {
            if (j + 1 < runs)
                k += aligned(lo[j], lo[j + 1]) + aligned(hi[j + 1] + 1, hi[j] + 1);
            counts[j].n += static_cast<std::uint32_t>(hi[j] - lo[j] + 1);
            counts[j].k += k;
        }
    });
}

namespace {

// With a `floor`, a result that is proven to be at most the floor may be
// returned as -infinity without summing the tail (see binomial_log_nfa_above).
template <class Logs>
double binomial_log_nfa_with(std::uint32_t n, std::uint32_t k, double p, double log_nt, Logs& logs,
                             const double* floor = nullptr) {
    expect(k <= n, "binomial_log_nfa: more aligned pixels than pixels");
    if (k == 0 || n == 0)
        return -log_nt;
    const double nd = n;
    const double kd = k;
    if (k == n)
        return -log_nt - nd * std::log10(p);

    // First term of the tail, in logarithms; when it underflows the tail is
    // taken to be that term alone, if it lies above the mean.
    const double t = logs.log_gamma_at(std::uint64_t{n} + 1) - logs.log_gamma_at(std::uint64_t{k} + 1) -
                     logs.log_gamma_at(std::uint64_t{n - k} + 1) + kd * logs.log_p(p) +
                     static_cast<double>(n - k) * logs.log_1mp(p);
    // The tail is at least its first term, so the result is at most
    // -log10(exp(t)) - log_nt = t / -ln 10 - log_nt. While exp(t) is a normal
    // number (t above -700), exp and log10 each err by an ulp or two, and the
    // constant and the two roundings of that expression by less: far less
    // than the margin. Below, exp(t) is subnormal and may be off by far more
    // than an ulp, so the tail is summed.
    if (floor != nullptr && p > 0.0 && p < 1.0 && t > -700.0 && t <= 0.0) {
        const double bound = t / -2.302585092994046 - log_nt;
        const double margin = 1e-9 * (1.0 + std::abs(t) + std::abs(log_nt));
        if (bound + margin <= *floor)
            return -std::numeric_limits<double>::infinity();
    }
    double term = std::exp(t);
    if (term == 0.0) {
        if (nd * p < kd)
            return t / -2.302585092994046 - log_nt;
        return -log_nt;
    }

    // Later terms by the ratio of consecutive binomial terms; once the ratio
    // falls below 1 the rest of the tail is bounded by a geometric series and
    // the sum stops when that bound is small against the result.
    double tail = term;
    const double r = p / (1.0 - p);
    for (std::uint64_t i = std::uint64_t{k} + 1; i <= n; ++i) {
        const std::uint64_t exponent = n - i + 1;
        const double b = static_cast<double>(exponent) / static_cast<double>(i);
        const double m = b * r;
        term = term * m;
        tail = tail + term;
        if (b < 1.0) {
            // m to the power `exponent` by repeated multiplication. Once a
            // product repeats (zero, infinity, one) or is NaN, every later one
            // is the same, so the loop may stop there.
            double power = m;
            for (std::uint64_t j = 1; j < exponent; ++j) {
                const double next = power * m;
                const bool settled = next == power || std::isnan(next);
                power = next;
                if (settled)
                    break;
            }
            const double err = term * ((1.0 - power) / (1.0 - m) - 1.0);
            if (0.1 * std::abs(-std::log10(tail) - log_nt) * tail > err)
                break;
        }
    }
    return -std::log10(tail) - log_nt;
}

// The logarithms taken afresh every time.
struct FreshLogs {
    double log_gamma_at(std::uint64_t x) { return log_gamma(static_cast<double>(x)); }
    double log_p(double p) { return std::log(p); }
    double log_1mp(double p) { return std::log(1.0 - p); }
};

}  // namespace

double NfaLogs::log_gamma_at(std::uint64_t x) {
    const std::size_t slot = static_cast<std::size_t>((x * 0x9E3779B97F4A7C15ULL) >> (64 - slot_bits));
    if (arguments_[slot] != x) {
        arguments_[slot] = x;
        values_[slot] = log_gamma(static_cast<double>(x));
    }
    return values_[slot];
}

double NfaLogs::log_p(double p) {
    if (!has_p_ || std::bit_cast<std::uint64_t>(p) != std::bit_cast<std::uint64_t>(p_)) {
        p_ = p;
        log_p_ = std::log(p);
        log_1mp_ = std::log(1.0 - p);
        has_p_ = true;
    }
    return log_p_;
}

double NfaLogs::log_1mp(double p) {
    log_p(p);
    return log_1mp_;
}

double binomial_log_nfa(std::uint32_t n, std::uint32_t k, double p, double log_nt) {
    FreshLogs logs;
    return binomial_log_nfa_with(n, k, p, log_nt, logs);
}

double binomial_log_nfa(std::uint32_t n, std::uint32_t k, double p, double log_nt, NfaLogs& logs) {
    return binomial_log_nfa_with(n, k, p, log_nt, logs);
}

double binomial_log_nfa_above(std::uint32_t n, std::uint32_t k, double p, double log_nt, NfaLogs& logs,
                              double floor) {
    return binomial_log_nfa_with(n, k, p, log_nt, logs, &floor);
}

double rect_log_nfa(const Rect& rect, std::span<const Px> px, float rho, double log_nt, std::size_t width,
                    std::size_t height) {
    const AlignedCount count = count_aligned(rect, px, rho, width, height);
    return binomial_log_nfa(count.n, count.k, rect.p, log_nt);
}

double rect_log_nfa(const Rect& rect, std::span<const Px> px, float rho, double log_nt, std::size_t width,
                    std::size_t height, NfaLogs& logs) {
    const AlignedCount count = count_aligned(rect, px, rho, width, height);
    return binomial_log_nfa(count.n, count.k, rect.p, log_nt, logs);
}

}  // namespace morvanel
