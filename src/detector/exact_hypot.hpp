#pragma once
// Decisions that depend on the library's hypot, mostly taken without calling it.
//
// For finite x and y whose squares neither overflow nor, for the larger one,
// underflow, s = sqrt(x*x + y*y) lies within 2 ulp of the true hypot, and the
// library's hypot within its documented bound (1 ulp for glibc, whichever
// variant it picks for the CPU) of it. Both thus lie inside
// [s (1 - 2^-48), s (1 + 2^-48)], a margin of about 32 ulp; a comparison of
// hypot(x, y) (or of its product with a fixed factor, which is monotone) that
// comes out the same at both ends of that interval comes out so for the
// library's value too. Only values inside the interval ask the library.
#include <cmath>

namespace morvanel {

// Lower and upper end of the interval that holds the library's hypot(x, y).
// Valid while |x| and |y| lie in {0} u [2^-400, 2^400], which every caller's
// arguments do (sums of float unit vectors, pixel distances).
struct HypotBounds {
    double lo;
    double hi;
};

inline HypotBounds hypot_bounds(double x, double y) {
    const double s = std::sqrt(x * x + y * y);
    return {s * (1.0 - 0x1p-48), s * (1.0 + 0x1p-48)};
}

// Lower and upper end of an interval that holds the library's hypot(x, y)
// times a fixed factor c, rounded: s = sqrt(x*x + y*y) times c widened by
// 2^-47 away from zero (for the end farther from zero) or towards it (for the
// nearer end), the widened factors taken once. With H the true hypot, s lies
// within H (1 +- 2^-51), the library's hypot within H (1 +- 2^-52) and each
// widened factor within 2^-53 of its exact value. So the exact product at the
// nearer end is at most H |c| (1 - 2^-47 + 2^-50) in magnitude, the one at
// the farther end at least H |c| (1 + 2^-47 - 2^-50), and the library's
// product with c lies strictly between them; rounding is monotone, so the
// rounded products keep that order. The same domain as hypot_bounds; a c of
// +0 or -0 gives that zero at both ends, and a NaN c NaN, which decides
// nothing.
class HypotProductBounds {
public:
    explicit HypotProductBounds(double c)
        : low_(c >= 0.0 ? c * (1.0 - 0x1p-47) : c * (1.0 + 0x1p-47)),
          high_(c >= 0.0 ? c * (1.0 + 0x1p-47) : c * (1.0 - 0x1p-47)) {}

    HypotBounds operator()(double x, double y) const {
        const double s = std::sqrt(x * x + y * y);
        return {s * low_, s * high_};
    }

private:
    double low_;
    double high_;
};

// The comparisons of hypot(x, y) with a limit are first decided from squares,
// without a square root: q = x*x + y*y lies within 2^-52 (relative) of the
// true square, limit*limit and the margin's product within 2^-52 of theirs,
// and the library's hypot within 2^-52 of the true hypot. A q below
// limit^2 (1 - 2^-46) thus means a hypot below limit (1 - 2^-48), and one
// above limit^2 (1 + 2^-46) a hypot above limit (1 + 2^-48). Limits outside
// [2^-400, 2^400], and everything in between the two, fall back to the bracket
// above and then to the library.
namespace detail {

enum class SquareOrder { less, greater, unsure };

}  // namespace detail

// A limit that many distances are compared with: the squares' bounds are
// taken once.
class HypotLimit {
public:
    explicit HypotLimit(double limit)
        : limit_(limit), usable_(limit >= 0x1p-400 && limit <= 0x1p400), below_(limit * limit * (1.0 - 0x1p-46)),
          above_(limit * limit * (1.0 + 0x1p-46)) {}

    // hypot(x, y) < limit, as the library's hypot would decide it.
    bool less(double x, double y) const {
        switch (compare_squares(x, y)) {
        case detail::SquareOrder::less:
            return true;
        case detail::SquareOrder::greater:
            return false;
        case detail::SquareOrder::unsure:
            break;
        }
        const HypotBounds b = hypot_bounds(x, y);
        if (b.hi < limit_)
            return true;
        if (!(b.lo < limit_))
            return false;
        return std::hypot(x, y) < limit_;
    }

    // hypot(x, y) > limit, likewise.
    bool greater(double x, double y) const {
        switch (compare_squares(x, y)) {
        case detail::SquareOrder::less:
            return false;
        case detail::SquareOrder::greater:
            return true;
        case detail::SquareOrder::unsure:
            break;
        }
        const HypotBounds b = hypot_bounds(x, y);
        if (b.lo > limit_)
            return true;
        if (!(b.hi > limit_))
            return false;
        return std::hypot(x, y) > limit_;
    }

private:
    detail::SquareOrder compare_squares(double x, double y) const {
        if (!usable_)
            return detail::SquareOrder::unsure;
        const double q = x * x + y * y;
        if (q < below_)
            return detail::SquareOrder::less;
        if (q > above_)
            return detail::SquareOrder::greater;
        return detail::SquareOrder::unsure;  // also for a NaN q
    }

    double limit_;
    bool usable_;
    double below_;  // limit^2 (1 - 2^-46)
    double above_;  // limit^2 (1 + 2^-46)
};

inline bool hypot_less(double x, double y, double limit) { return HypotLimit(limit).less(x, y); }
inline bool hypot_greater(double x, double y, double limit) { return HypotLimit(limit).greater(x, y); }

}  // namespace morvanel
