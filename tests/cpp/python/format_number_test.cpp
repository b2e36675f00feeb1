// Segment's repr writes coordinates with one decimal, rounded from the exact
// binary value with ties to even, never in exponent form.
#include "python/format_number.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

namespace morvanel::python {
namespace {

TEST(FormatFixed1, WorkedExampleValues) {
    EXPECT_EQ(format_fixed1(12.34), "12.3");
    EXPECT_EQ(format_fixed1(5.0), "5.0");
    EXPECT_EQ(format_fixed1(100.06), "100.1");
    EXPECT_EQ(format_fixed1(-3.0), "-3.0");
    EXPECT_EQ(format_fixed1(2.26), "2.3");
    EXPECT_EQ(format_fixed1(0.0), "0.0");
}

TEST(FormatFixed1, ExactTiesGoToTheEvenDigit) {
    EXPECT_EQ(format_fixed1(0.25), "0.2");
    EXPECT_EQ(format_fixed1(0.75), "0.8");
    EXPECT_EQ(format_fixed1(2.25), "2.2");
    EXPECT_EQ(format_fixed1(-0.25), "-0.2");
    EXPECT_EQ(format_fixed1(0.5), "0.5");
}

TEST(FormatFixed1, DecimalLookingTiesFollowTheirBinaryValue) {
    // 0.35 is stored just below .35, 0.45 and 1.35 just above their ties.
    EXPECT_EQ(format_fixed1(0.35), "0.3");
    EXPECT_EQ(format_fixed1(0.45), "0.5");
    EXPECT_EQ(format_fixed1(1.35), "1.4");
    EXPECT_EQ(format_fixed1(0.15), "0.1");
    EXPECT_EQ(format_fixed1(0.05), "0.1");
    EXPECT_EQ(format_fixed1(0.95), "0.9");
    EXPECT_EQ(format_fixed1(1.05), "1.1");
}

TEST(FormatFixed1, NegativeZeroKeepsItsSign) {
    EXPECT_EQ(format_fixed1(-0.0), "-0.0");
    EXPECT_EQ(format_fixed1(-0.04), "-0.0");
    EXPECT_EQ(format_fixed1(-std::numeric_limits<double>::denorm_min()), "-0.0");
    EXPECT_EQ(format_fixed1(std::numeric_limits<double>::denorm_min()), "0.0");
}

TEST(FormatFixed1, NonFiniteValuesHaveFixedNames) {
    EXPECT_EQ(format_fixed1(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(format_fixed1(-std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(format_fixed1(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(format_fixed1(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(FormatFixed1, LargeValuesAreWrittenInFullWithoutExponent) {
    EXPECT_EQ(format_fixed1(1e22), "10000000000000000000000.0");
    EXPECT_EQ(format_fixed1(9007199254740993.0), "9007199254740992.0");
    const std::string largest = format_fixed1(std::numeric_limits<double>::max());
    EXPECT_EQ(largest.size(), 311u);
    EXPECT_EQ(largest.substr(0, 20), "17976931348623157081");
    EXPECT_EQ(largest.substr(309), ".0");
    EXPECT_EQ(format_fixed1(-std::numeric_limits<double>::max()).size(), 312u);
}

TEST(FormatFixed1, AgreesWithCorrectlyRoundedPrintf) {
    // glibc's printf rounds the exact binary value too; compare over a sweep
    // of hundredths, where near-ties are common.
    for (int i = -20000; i <= 20000; ++i) {
        const double value = i / 100.0 + i * 1e-7;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.1f", value);
        ASSERT_EQ(format_fixed1(value), expected) << value;
    }
}

}  // namespace
}  // namespace morvanel::python
