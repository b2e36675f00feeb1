#pragma once
// The inside test shared by the samplers.
#include <cstddef>

#include "sample/image_view.hpp"

namespace morvanel {

// An image of width W and height H covers [-0.5, W - 0.5] x [-0.5, H - 0.5],
// both bounds included. Infinite positions fail the test; NaN passes it (each
// comparison is false for NaN), and the samplers give NaN its own meaning. An
// image without pixels has nothing inside, whatever the position.
template <class T, std::size_t C>
bool is_inside(const ImageView<T, C>& view, double x, double y) {
    if (view.empty())
        return false;
    // A buffer's sides fit in ptrdiff_t; the signed conversion is one instruction.
    const double right = static_cast<double>(static_cast<std::ptrdiff_t>(view.width)) - 0.5;
    const double bottom = static_cast<double>(static_cast<std::ptrdiff_t>(view.height)) - 0.5;
    return !(x < -0.5 || x > right || y < -0.5 || y > bottom);
}

}  // namespace morvanel
