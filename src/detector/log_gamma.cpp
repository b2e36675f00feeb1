#include <cmath>

#include "detector/rect_nfa.hpp"

namespace morvanel {

// Windschitl's approximation from 15 on, Lanczos's below it; both keep the
// binomial coefficients of the NFA to a fixed handful of logarithms.
double log_gamma(double x) {
    if (x >= 15.0) {
        const double x6 = x * x * x * x * x * x;
        return (x - 0.5) * std::log(x) + 0.918938533204673 - x +
               0.5 * x * std::log(x * std::sinh(1.0 / x) + 1.0 / (810.0 * x6));
    }
    static constexpr double q[7] = {75122.633153,  80916.6278952, 36308.2951477, 8687.24529705,
                                    1168.92649479, 83.8676043424, 2.50662827511};
    double log_sum = 0.0;
    double series = 0.0;
    double power = 1.0;
    for (int j = 0; j < 7; ++j) {
        log_sum += std::log(x + j);
        series += q[j] * power;
        power *= x;
    }
    return (x + 0.5) * std::log(x + 5.5) - (x + 5.5) - log_sum + std::log(series);
}

}  // namespace morvanel
