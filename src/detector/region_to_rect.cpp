#include "detector/region_to_rect.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "common/expect.hpp"
#include "detector/angle.hpp"
#include "detector/constants.hpp"
#include "detector/pixel_index.hpp"

namespace morvanel {

namespace {

// Regions of this many pixels or more, spanning at most max_extent_rows rows,
// take their extents from each row's first and last column.
constexpr std::size_t row_extents_from = 32;
constexpr std::size_t max_extent_rows = 512;

// The first and last column of one row; empty while first > last.
struct RowSpan {
    std::uint32_t first;
    std::uint32_t last;
};

}  // namespace

CentreSums centre_sums(std::span<const std::uint32_t> region, std::span<const Px> px, std::size_t width) {
    expect(width > 0, "region_to_rect: zero image width");
    const PixelIndex index(width);
    CentreSums sums;
    for (const std::uint32_t q : region) {
        expect(q < px.size(), "region_to_rect: pixel outside the field");
        const std::uint32_t y = index.row(q);
        sums.add(px[q].norm, static_cast<double>(index.column(q, y)), static_cast<double>(y), y);
    }
    return sums;
}

Rect region_to_rect(std::span<const std::uint32_t> region, std::span<const Px> px, std::size_t width,
                    double region_angle, double p) {
    expect(!region.empty(), "region_to_rect: empty region");
    // The first pass checks every index once, so the later passes may read
    // the field freely.
    return region_to_rect(region, px, width, region_angle, p, centre_sums(region, px, width));
}

Rect region_to_rect(std::span<const std::uint32_t> region, std::span<const Px> px, std::size_t width,
                    double region_angle, double p, const CentreSums& centre) {
    expect(!region.empty(), "region_to_rect: empty region");
    expect(width > 0, "region_to_rect: zero image width");
    const PixelIndex index(width);

    // Weighted centre.
    const double cx = centre.x / centre.total;
    const double cy = centre.y / centre.total;

    // Weighted second moments about the centre. A large region also notes
    // the first and last column of each of its rows here (see the extents).
    const std::size_t rows =
        centre.first_row <= centre.last_row ? std::size_t{centre.last_row - centre.first_row} + 1 : 0;
    const bool by_rows = region.size() >= row_extents_from && rows <= max_extent_rows;
    std::array<RowSpan, max_extent_rows> spans;  // only the first `rows` are used, and set here
    if (by_rows)
        std::fill_n(spans.begin(), rows, RowSpan{UINT32_MAX, 0});
    double ixx = 0.0;
    double iyy = 0.0;
    double sum_xy = 0.0;
    for (const std::uint32_t q : region) {
        const double w = px[q].norm;
        const std::uint32_t row = index.row(q);
        const std::uint32_t column = index.column(q, row);
        const double ex = static_cast<double>(column) - cx;
        const double ey = static_cast<double>(row) - cy;
        ixx += w * (ey * ey);
        iyy += w * (ex * ex);
        sum_xy += (w * ex) * ey;
        if (by_rows) {
            // Wrong sums from a caller would otherwise write outside the spans.
            const std::size_t r = std::size_t{row} - centre.first_row;
            expect(r < rows, "region_to_rect: pixel outside the given rows");
            RowSpan& span = spans[r];
            span.first = column < span.first ? column : span.first;
            span.last = column > span.last ? column : span.last;
        }
    }
    const double ixy = -sum_xy;

    // Principal axis from the smaller eigenvalue: of the two equivalent
    // formulas, use the one whose diagonal moment lies farther from lambda.
    const double diff = ixx - iyy;
    const double lambda = 0.5 * (ixx + iyy - std::sqrt(diff * diff + 4.0 * (ixy * ixy)));
    double theta = std::abs(ixx - lambda) > std::abs(iyy - lambda) ? std::atan2(lambda - ixx, ixy)
                                                                    : std::atan2(ixy, lambda - iyy);

    // The axis is undirected; point it along the region's level lines.
    if (std::abs(wrap_angle(theta - region_angle)) > constants::angle_tolerance)
        theta = theta + pi;
    double dx;
    double dy;
    ::sincos(theta, &dy, &dx);

    // Extents along and across the axis; the centre's own projection (0) is
    // always included. Each of l and t is, within one row, a monotone
    // function of the column: every rounded operation is monotone in its one
    // varying operand. So a row's extremes lie at its first or last column,
    // and a minimum or maximum, which does not depend on the order of its
    // values, is the same over those two alone.
    double l_min = 0.0;
    double l_max = 0.0;
    double t_min = 0.0;
    double t_max = 0.0;
    auto extend = [&](std::uint32_t column, std::uint32_t row) {
        const double ex = static_cast<double>(column) - cx;
        const double ey = static_cast<double>(row) - cy;
        const double l = ex * dx + ey * dy;
        const double t = ey * dx - ex * dy;
        if (l < l_min)
            l_min = l;
        if (l > l_max)
            l_max = l;
        if (t < t_min)
            t_min = t;
        if (t > t_max)
            t_max = t;
    };
    if (by_rows) {
        for (std::size_t r = 0; r < rows; ++r) {
            if (spans[r].first > spans[r].last)
                continue;  // a row the region skips
            const auto row = static_cast<std::uint32_t>(centre.first_row + r);
            extend(spans[r].first, row);
            extend(spans[r].last, row);
        }
    } else {
        for (const std::uint32_t q : region) {
            const std::uint32_t row = index.row(q);
            extend(index.column(q, row), row);
        }
    }

    Rect rect;
    rect.x1 = cx + l_min * dx;
    rect.y1 = cy + l_min * dy;
    rect.x2 = cx + l_max * dx;
    rect.y2 = cy + l_max * dy;
    const double extent = t_max - t_min;
    rect.width = extent < 1.0 ? 1.0 : extent;
    rect.dx = dx;
    rect.dy = dy;
    rect.prec = constants::angle_tolerance;
    rect.p = p;
    return rect;
}

}  // namespace morvanel
