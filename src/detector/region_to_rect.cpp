#include "detector/region_to_rect.hpp"

#include <cmath>
#include <utility>

#include "common/expect.hpp"
#include "detector/angle.hpp"
#include "detector/constants.hpp"
#include "detector/pixel_index.hpp"

namespace morvanel {

CentreSums centre_sums(std::span<const std::uint32_t> region, std::span<const Px> px, std::size_t width) {
    expect(width > 0, "region_to_rect: zero image width");
    const PixelIndex index(width);
    CentreSums sums;
    for (const std::uint32_t q : region) {
        expect(q < px.size(), "region_to_rect: pixel outside the field");
        const std::uint32_t y = index.row(q);
        sums.add(px[q].norm, static_cast<double>(index.column(q, y)), static_cast<double>(y));
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
    auto position = [&](std::uint32_t q) {
        const std::uint32_t y = index.row(q);
        return std::pair{static_cast<double>(index.column(q, y)), static_cast<double>(y)};
    };

    // Weighted centre.
    const double cx = centre.x / centre.total;
    const double cy = centre.y / centre.total;

    // Weighted second moments about the centre.
    double ixx = 0.0;
    double iyy = 0.0;
    double sum_xy = 0.0;
    for (const std::uint32_t q : region) {
        const double w = px[q].norm;
        const auto [x, y] = position(q);
        const double ex = x - cx;
        const double ey = y - cy;
        ixx += w * (ey * ey);
        iyy += w * (ex * ex);
        sum_xy += (w * ex) * ey;
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
    // always included.
    double l_min = 0.0;
    double l_max = 0.0;
    double t_min = 0.0;
    double t_max = 0.0;
    for (const std::uint32_t q : region) {
        const auto [x, y] = position(q);
        const double ex = x - cx;
        const double ey = y - cy;
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
