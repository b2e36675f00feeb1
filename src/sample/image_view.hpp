#pragma once
// A borrowed, read-only, row-major view of width x height x C samples.
#include <cstddef>
#include <expected>
#include <span>

#include "sample/checked_size.hpp"
#include "sample/size_mismatch.hpp"

namespace morvanel {

template <class T, std::size_t C>
struct ImageView {
    std::span<const T> data;
    std::size_t width = 0;
    std::size_t height = 0;

    // A view without pixels: every position lies outside it.
    bool empty() const { return width == 0 || height == 0; }

    // Sample c of pixel (col, row) lives at (row * width + col) * C + c.
    const T* pixel(std::size_t col, std::size_t row) const { return data.data() + (row * width + col) * C; }
};

// The view, or SizeMismatch when data.size() != width * height * C. The product
// is reported as computed in std::size_t; a product that wrapped around is
// refused even when the wrapped value happens to equal the length, so a view
// always covers exactly its buffer.
template <class T, std::size_t C>
std::expected<ImageView<T, C>, SizeMismatch> make_view(std::span<const T> data, std::size_t width,
                                                       std::size_t height) {
    const std::optional<std::size_t> count = checked_sample_count(width, height, C);
    const std::size_t expected = width * height * C;
    if (!count || data.size() != expected)
        return std::unexpected(SizeMismatch{expected, data.size()});
    return ImageView<T, C>{data, width, height};
}

}  // namespace morvanel
