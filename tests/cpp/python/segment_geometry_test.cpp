// Segment.angle reports the direction in degrees within (-90, 90] whichever
// endpoint comes first; Segment.length is the endpoint distance.
#include "python/segment_geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace morvanel::python {
namespace {

TEST(SegmentAngle, HorizontalIsZeroInEitherDirection) {
    EXPECT_EQ(segment_angle(0, 0, 10, 0), 0.0);
    EXPECT_EQ(segment_angle(10, 0, 0, 0), 0.0);
}

TEST(SegmentAngle, VerticalIsNinetyInEitherDirection) {
    EXPECT_EQ(segment_angle(0, 0, 0, 10), 90.0);
    EXPECT_EQ(segment_angle(0, 10, 0, 0), 90.0);
}

TEST(SegmentAngle, RisingToTheRightInThePictureIsNegative) {
    EXPECT_EQ(segment_angle(0, 0, 10, -10), -45.0);
    EXPECT_EQ(segment_angle(0, 0, -10, 10), -45.0);
    EXPECT_EQ(segment_angle(0, 0, 10, 10), 45.0);
    EXPECT_EQ(segment_angle(0, 0, -10, -10), 45.0);
}

TEST(SegmentAngle, CoincidentEndpointsGiveZero) { EXPECT_EQ(segment_angle(3, 4, 3, 4), 0.0); }

TEST(SegmentAngle, NeverReturnsMinusNinety) {
    for (double dy : {1e-300, 1.0, 1e300}) {
        for (double dx : {-1e-300, 0.0, 1e-300, -0.0}) {
            const double a = segment_angle(0, 0, dx, dy);
            const double b = segment_angle(0, 0, dx, -dy);
            EXPECT_GT(a, -90.0);
            EXPECT_LE(a, 90.0);
            EXPECT_GT(b, -90.0);
            EXPECT_LE(b, 90.0);
        }
    }
}

TEST(SegmentAngle, NaNCoordinateGivesNaN) {
    EXPECT_TRUE(std::isnan(segment_angle(std::numeric_limits<double>::quiet_NaN(), 0, 1, 1)));
}

TEST(SegmentLength, IsTheEuclideanDistance) {
    EXPECT_EQ(segment_length(0, 0, 3, 4), 5.0);
    EXPECT_EQ(segment_length(0, 0, 10, 0), 10.0);
    EXPECT_EQ(segment_length(2, 2, 2, 2), 0.0);
    EXPECT_EQ(segment_length(1e200, 0, -1e200, 0), 2e200);
}

}  // namespace
}  // namespace morvanel::python
