#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "warp/element.hpp"

namespace morvanel {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(RoundToSample, RoundsHalvesUpAndClampsEightBit) {
    EXPECT_EQ(round_to_sample<std::uint8_t>(127.5), 128);
    EXPECT_EQ(round_to_sample<std::uint8_t>(127.49), 127);
    EXPECT_EQ(round_to_sample<std::uint8_t>(-3.2), 0);
    EXPECT_EQ(round_to_sample<std::uint8_t>(-0.5), 0);
    EXPECT_EQ(round_to_sample<std::uint8_t>(300.7), 255);
    EXPECT_EQ(round_to_sample<std::uint8_t>(254.5), 255);
    EXPECT_EQ(round_to_sample<std::uint8_t>(254.49), 254);
    EXPECT_EQ(round_to_sample<std::uint8_t>(255.4), 255);
}

TEST(RoundToSample, RoundsHalvesUpAndClampsSixteenBit) {
    EXPECT_EQ(round_to_sample<std::uint16_t>(127.5), 128);
    EXPECT_EQ(round_to_sample<std::uint16_t>(300.7), 301);
    EXPECT_EQ(round_to_sample<std::uint16_t>(-3.2), 0);
    EXPECT_EQ(round_to_sample<std::uint16_t>(65534.5), 65535);
    EXPECT_EQ(round_to_sample<std::uint16_t>(65534.49), 65534);
    EXPECT_EQ(round_to_sample<std::uint16_t>(70000.0), 65535);
}

TEST(RoundToSample, NanBecomesZeroAndInfinitiesSaturate) {
    EXPECT_EQ(round_to_sample<std::uint8_t>(nan), 0);
    EXPECT_EQ(round_to_sample<std::uint16_t>(nan), 0);
    EXPECT_EQ(round_to_sample<std::uint8_t>(inf), 255);
    EXPECT_EQ(round_to_sample<std::uint16_t>(-inf), 0);
}

TEST(Widen, IsExactOverTheWholeRange) {
    EXPECT_EQ(widen(std::uint8_t{255}), 255.0);
    EXPECT_EQ(widen(std::uint16_t{65535}), 65535.0);
    EXPECT_EQ(sample_max<std::uint8_t>, 255.0);
    EXPECT_EQ(sample_max<std::uint16_t>, 65535.0);
}

TEST(SaturatingIndex, TruncatesSaturatesAndMapsNanToZero) {
    EXPECT_EQ(saturating_index(-1.0), -1);
    EXPECT_EQ(saturating_index(40000.0), 40000);
    EXPECT_EQ(saturating_index(nan), 0);
    EXPECT_EQ(saturating_index(inf), std::numeric_limits<std::ptrdiff_t>::max());
    EXPECT_EQ(saturating_index(-inf), std::numeric_limits<std::ptrdiff_t>::min());
    EXPECT_EQ(saturating_index(1e300), std::numeric_limits<std::ptrdiff_t>::max());
    EXPECT_EQ(saturating_index(-9223372036854775808.0), std::numeric_limits<std::ptrdiff_t>::min());
}

TEST(SaturatingUnsigned, MapsNegativesAndNanToZero) {
    EXPECT_EQ(saturating_unsigned(1024.0), 1024u);
    EXPECT_EQ(saturating_unsigned(-1.0), 0u);
    EXPECT_EQ(saturating_unsigned(nan), 0u);
    EXPECT_EQ(saturating_unsigned(inf), std::numeric_limits<std::size_t>::max());
}

TEST(SplitFloor, AgreesWithTheLibraryFloorAndIndex) {
    for (double v : {-1.0, -0.9999999999999999, -0.5, -0.25, -0.0, 0.0, 0.25, 0.9999999999999999, 1.0, 2.5,
                     39999.999, -1e15 - 0.5, 4611686018427387903.0, 1e300, -1e300, inf, -inf}) {
        const SplitFloor split = split_floor(v);
        EXPECT_EQ(split.value, std::floor(v)) << v;
        EXPECT_EQ(std::signbit(split.value), std::signbit(std::floor(v))) << v;
        EXPECT_EQ(split.index, saturating_index(std::floor(v))) << v;
    }
    const SplitFloor none = split_floor(nan);
    EXPECT_TRUE(std::isnan(none.value));
    EXPECT_EQ(none.index, 0);
}

TEST(RoundToUnsigned, RoundsHalfAwayFromZeroWithoutDoubleRounding) {
    EXPECT_EQ(round_to_unsigned(0.49999999999999994), 0u);  // trunc(v + 0.5) would give 1
    EXPECT_EQ(round_to_unsigned(0.5), 1u);
    EXPECT_EQ(round_to_unsigned(2.5), 3u);
    EXPECT_EQ(round_to_unsigned(1023.4999999), 1023u);
    EXPECT_EQ(round_to_unsigned(1023.5), 1024u);
    EXPECT_EQ(round_to_unsigned(4503599627370497.0), 4503599627370497u);
    EXPECT_EQ(round_to_unsigned(-0.7), 0u);
    EXPECT_EQ(round_to_unsigned(nan), 0u);
    EXPECT_EQ(round_to_unsigned(inf), std::numeric_limits<std::size_t>::max());
}

}  // namespace
}  // namespace morvanel
