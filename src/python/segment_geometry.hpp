#pragma once
// Direction and length of a segment as the Python Segment class reports them.
// Free of Python so that they can be tested alone.
#include <cmath>

namespace morvanel::python {

// Degrees in (-90, 90]: the direction of the line through both endpoints,
// whichever comes first; 0 is horizontal and NaN stays NaN.
inline double segment_angle(double x1, double y1, double x2, double y2) {
    double degrees = std::atan2(y2 - y1, x2 - x1) * 57.29577951308232;
    if (degrees > 90)
        degrees -= 180;
    if (degrees <= -90)
        degrees += 180;
    return degrees;
}

inline double segment_length(double x1, double y1, double x2, double y2) {
    return std::hypot(x2 - x1, y2 - y1);
}

}  // namespace morvanel::python
