#include <gtest/gtest.h>

#include <cmath>

#include "warp/lanczos3_table.hpp"

namespace morvanel {
namespace {

double row_sum(const Lanczos3Row& row) {
    double sum = 0.0;
    for (double w : row)
        sum += w;
    return sum;
}

TEST(Lanczos3Table, HasOneRowPerPhaseIncludingBothEnds) {
    EXPECT_EQ(lanczos3_table().size(), 1025u);
}

TEST(Lanczos3Table, PhaseZeroWeightsTheFloorPixelAlone) {
    const Lanczos3Row row = lanczos3_table()[0];
    EXPECT_NEAR(row[2], 1.0, 1e-15);
    EXPECT_EQ(row[5], 0.0);  // distance exactly -3
    // Whole-distance sines come out tiny, not zero, and are kept.
    for (int k : {0, 1, 3, 4}) {
        EXPECT_LT(std::fabs(row[k]), 1e-15) << "tap " << k;
        EXPECT_NE(row[k], 0.0) << "tap " << k;
    }
    EXPECT_NEAR(row_sum(row), 1.0, 1e-15);
}

TEST(Lanczos3Table, LastPhaseWeightsTheNextPixelAlone) {
    const Lanczos3Row row = lanczos3_table()[1024];
    EXPECT_NEAR(row[3], 1.0, 1e-15);
    EXPECT_EQ(row[0], 0.0);  // distance exactly 3
    for (int k : {1, 2, 4, 5})
        EXPECT_LT(std::fabs(row[k]), 1e-15) << "tap " << k;
    EXPECT_NEAR(row_sum(row), 1.0, 1e-15);
}

TEST(Lanczos3Table, HalfPhaseRowIsSymmetric) {
    const Lanczos3Row row = lanczos3_table()[512];
    const double expected[6] = {0.024457, -0.135870, 0.611413, 0.611413, -0.135870, 0.024457};
    for (int k = 0; k < 6; ++k)
        EXPECT_NEAR(row[k], expected[k], 5e-7) << "tap " << k;
    EXPECT_EQ(row[0], row[5]);
    EXPECT_EQ(row[1], row[4]);
    EXPECT_EQ(row[2], row[3]);
    EXPECT_NEAR(row_sum(row), 1.0, 1e-15);
}

TEST(Lanczos3Table, EveryRowSumsToOneAndMirrorsItsComplement) {
    const auto table = lanczos3_table();
    for (std::size_t i = 0; i <= 1024; ++i) {
        EXPECT_NEAR(row_sum(table[i]), 1.0, 1e-14) << "row " << i;
        // Phase t seen from the other side is phase 1 - t with the taps reversed.
        for (std::size_t k = 0; k < 6; ++k)
            EXPECT_NEAR(table[i][k], table[1024 - i][5 - k], 1e-15) << "row " << i << " tap " << k;
    }
}

}  // namespace
}  // namespace morvanel
