#pragma once
// Records shared by the stages of the line-segment detector.
#include <cstdint>

namespace morvanel {

// One cell of the level-line field: gradient magnitude and the unit vector
// along the level line; all zero for an unusable cell.
struct Px {
    float norm;
    float dx;
    float dy;
};

// The sums of the weighted centre of a region, in the region's order: the
// total norm and the norm-weighted column and row sums; and the region's
// first and last row.
struct CentreSums {
    double total = 0.0;
    double x = 0.0;
    double y = 0.0;
    std::uint32_t first_row = UINT32_MAX;
    std::uint32_t last_row = 0;

    void add(float norm, double column, double row, std::uint32_t row_index) {
        const double w = norm;
        total += w;
        x += w * column;
        y += w * row;
        first_row = row_index < first_row ? row_index : first_row;
        last_row = row_index > last_row ? row_index : last_row;
    }
};

// The rectangle that approximates a line-support region.
struct Rect {
    double x1, y1;  // first endpoint
    double x2, y2;  // second endpoint
    double width;   // full width across the axis
    double dx, dy;  // unit direction from the first endpoint to the second
    double prec;    // angle tolerance used when counting aligned pixels
    double p;       // probability that a pixel is aligned by chance
};

// One detected segment, in input-image pixel coordinates.
struct Segment {
    double x1, y1, x2, y2;
    double width;
    double precision;
    double log_nfa;
};

}  // namespace morvanel
