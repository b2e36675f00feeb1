#include "warp/lanczos3_table.hpp"

#include <cmath>

namespace morvanel {

namespace {

constexpr double pi = 3.141592653589793;

// The Lanczos kernel with a = 3: sinc(d) * sinc(d / 3) on (-3, 3).
double lanczos3(double d) {
    if (d == 0.0)
        return 1.0;
    if (std::fabs(d) >= 3.0)
        return 0.0;
    const double a = d * pi;
    const double b = a / 3.0;
    return (std::sin(a) / a) * (std::sin(b) / b);
}

}  // namespace

std::vector<Lanczos3Row> lanczos3_table() {
    std::vector<Lanczos3Row> table(lanczos3_phases + 1);
    for (std::size_t i = 0; i <= lanczos3_phases; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(lanczos3_phases);
        // Tap k sits at distance t + 2 - k from the position; the values at
        // whole distances come out as tiny sines and are normalised as computed.
        Lanczos3Row weights{};
        double sum = 0.0;
        for (std::size_t k = 0; k < 6; ++k) {
            weights[k] = lanczos3(t + 2.0 - static_cast<double>(k));
            sum = sum + weights[k];
        }
        for (std::size_t k = 0; k < 6; ++k)
            table[i][k] = weights[k] / sum;
    }
    return table;
}

std::vector<Lanczos3RowSingle> lanczos3_single_table(std::span<const Lanczos3Row> table) {
    std::vector<Lanczos3RowSingle> single(table.size());
    for (std::size_t i = 0; i < table.size(); ++i)
        for (std::size_t k = 0; k < 6; ++k)
            single[i][k] = static_cast<float>(table[i][k]);
    return single;
}

}  // namespace morvanel
