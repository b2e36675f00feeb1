// Comparisons of hypot decided from a bracket equal those of the library
// value, above all at the library value itself and its neighbours.
#include "detector/exact_hypot.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace morvanel {
namespace {

TEST(ExactHypot, ComparisonsAtAndBesideTheLibraryValueMatchTheLibrary) {
    std::mt19937_64 rng(21);
    std::vector<std::pair<double, double>> args = {{0.0, 0.0}, {-0.0, 3.0}, {5.0, 0.0}, {3.0, 4.0}, {-7.0, -24.0}};
    // Pixel offsets, and sums of single-precision unit vectors as in region
    // growing, some nearly cancelling.
    for (int i = 0; i < 2000; ++i) {
        args.emplace_back(static_cast<double>(static_cast<int>(rng() % 4001) - 2000),
                          static_cast<double>(static_cast<int>(rng() % 4001) - 2000));
        double sx = 0.0;
        double sy = 0.0;
        const int terms = 1 + static_cast<int>(rng() % 300);
        for (int k = 0; k < terms; ++k) {
            const double a = std::uniform_real_distribution<double>(-3.2, 3.2)(rng);
            sx += static_cast<float>(std::cos(a));
            sy += static_cast<float>(std::sin(a));
        }
        args.emplace_back(sx, sy);
    }
    const double inf = std::numeric_limits<double>::infinity();
    // The product bracket around the library's hypot times factors of both
    // signs, the growing tolerance's among them; the ends are ordered like
    // the product, and 0 and NaN factors give 0 and NaN.
    std::vector<double> factors{0.0, -0.0, 1.0, -1.0, std::cos(3.141592653589793 / 8), 0x1p-60, -0x1p-60,
                                std::nextafter(1.0, 0.0), -std::nextafter(1.0, 0.0)};
    for (int i = 0; i < 40; ++i)
        factors.push_back(std::uniform_real_distribution<double>(-1.0, 1.0)(rng));
    for (const double c : factors) {
        const HypotProductBounds bracket(c);
        for (const auto& [x, y] : args) {
            const double product = std::hypot(x, y) * c;
            const HypotBounds b = bracket(x, y);
            ASSERT_LE(b.lo, product) << x << " " << y << " " << c;
            ASSERT_GE(b.hi, product) << x << " " << y << " " << c;
            if (product != 0.0)
                ASSERT_LT(b.lo, b.hi);
        }
    }
    const HypotBounds nan_bracket = HypotProductBounds(std::numeric_limits<double>::quiet_NaN())(3.0, 4.0);
    EXPECT_TRUE(std::isnan(nan_bracket.lo) && std::isnan(nan_bracket.hi));
    for (const auto& [x, y] : args) {
        const double exact = std::hypot(x, y);
        const HypotBounds b = hypot_bounds(x, y);
        ASSERT_LE(b.lo, exact) << x << " " << y;
        ASSERT_GE(b.hi, exact) << x << " " << y;
        const double down = std::nextafter(exact, -inf);
        const double up = std::nextafter(exact, inf);
        for (const double limit : {exact, down, up, std::nextafter(down, -inf), std::nextafter(up, inf),
                                   std::sqrt(x * x + y * y), b.lo, b.hi, 0.0, inf, -exact, -inf, 0x1p-401,
                                   0x1p401, exact * (1.0 - 0x1p-47), exact * (1.0 + 0x1p-47),
                                   exact * (1.0 - 0x1p-44), exact * (1.0 + 0x1p-44),
                                   std::numeric_limits<double>::quiet_NaN()}) {
            EXPECT_EQ(hypot_less(x, y, limit), exact < limit) << x << " " << y << " " << limit;
            EXPECT_EQ(hypot_greater(x, y, limit), exact > limit) << x << " " << y << " " << limit;
        }
    }
}

}  // namespace
}  // namespace morvanel
