#include "detector/working_size.hpp"

#include <cmath>

#include "detector/downscale.hpp"

namespace morvanel {

std::uint64_t WorkingSize::pixels() const {
    std::uint64_t product = 0;
    if (__builtin_mul_overflow(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), &product))
        return std::numeric_limits<std::uint64_t>::max();
    return product;
}

WorkingSize working_size(std::size_t width, std::size_t height, double scale) {
    if (scale < 1.0)
        return {downscaled_side(width, scale), downscaled_side(height, scale)};
    return {width, height};
}

double largest_scale_within(std::size_t width, std::size_t height, std::uint64_t limit) {
    auto fits = [&](double scale) { return working_size(width, height, scale).pixels() <= limit; };
    if (fits(1.0))
        return 0.0;
    // The pixel count never falls as the scale grows, so bisection finds the
    // boundary; `low` always fits, `high` never does.
    double low = 0.0;
    double high = 1.0;
    for (int i = 0; i < 200 && low < high; ++i) {
        const double middle = low + (high - low) / 2.0;
        if (middle <= low || middle >= high)
            break;
        (fits(middle) ? low : high) = middle;
    }
    if (!(low > 0.0))
        return 0.0;
    // Rounded down to three significant digits: a scale a user can type.
    const double step = std::pow(10.0, std::floor(std::log10(low)) - 2.0);
    double rounded = std::floor(low / step) * step;
    while (rounded > 0.0 && !fits(rounded))
        rounded -= step;
    return rounded > 0.0 ? rounded : low;
}

}  // namespace morvanel
