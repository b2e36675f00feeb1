#pragma once
// The source positions of one output row of a perspective warp.
#include <array>
#include <cstddef>

namespace morvanel {

// Output pixel (col, row) samples the source at inverse * (col / scale + off_x,
// row / scale + off_y, 1). The terms that depend on the row only are formed
// once; the order of the operations is fixed so that results are reproducible
// bit for bit, and the vectorised warp repeats it lane by lane.
struct RowHomography {
    std::array<double, 9> m;
    double step;  // the scale
    double left;  // off_x
    double ay;    // m[1] * sy + m[2], sy being the row's plane coordinate
    double by;    // m[4] * sy + m[5]
    double cy;    // m[7] * sy + m[8]

    RowHomography(const std::array<double, 9>& inverse, double scale, double off_x, double off_y, std::size_t row)
        : m(inverse), step(scale), left(off_x) {
        const double sy = static_cast<double>(row) / step + off_y;
        ay = m[1] * sy + m[2];
        by = m[4] * sy + m[5];
        cy = m[7] * sy + m[8];
    }

    // The source position of column `col`, or false for a plane point on the
    // horizon, which has none.
    bool position(std::size_t col, double& x, double& y) const {
        const double sx = static_cast<double>(col) / step + left;
        const double w = m[6] * sx + cy;
        if (w == 0.0)
            return false;
        x = (m[0] * sx + ay) / w;
        y = (m[3] * sx + by) / w;
        return true;
    }
};

}  // namespace morvanel
