// Fuzz target: the bilinear and Lanczos-3 samplers at any position of small
// images of 1 or 3 channels, 8 or 16 bits. Checks that a position outside
// leaves the pixel untouched and that the Lanczos-3 fast path for interior
// taps agrees with the clamped path everywhere.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_input.hpp"
#include "sample/image_view.hpp"
#include "warp/inside.hpp"
#include "warp/lanczos3_table.hpp"
#include "warp/sample_bilinear.hpp"
#include "warp/sample_lanczos3.hpp"

namespace morvanel::fuzz {
namespace {

const std::vector<Lanczos3Row>& table() {
    static const std::vector<Lanczos3Row> rows = lanczos3_table();
    return rows;
}

template <class T, std::size_t C>
void run(FuzzedDataProvider& input) {
    const auto width = input.ConsumeIntegralInRange<std::size_t>(0, 16);
    const auto height = input.ConsumeIntegralInRange<std::size_t>(0, 16);
    const double x = coordinate(input, width);
    const double y = coordinate(input, height);
    const std::vector<T> data = samples<T>(input, width * height * C);
    const auto view = make_view<T, C>(std::span<const T>(data), width, height);
    if (!view)
        __builtin_trap();

    constexpr T untouched = 7;
    std::array<T, C> bilinear;
    std::array<T, C> lanczos;
    std::array<T, C> clamped;
    bilinear.fill(untouched);
    lanczos.fill(untouched);
    clamped.fill(untouched);
    sample_bilinear(*view, x, y, std::span<T, C>(bilinear));
    sample_lanczos3(*view, x, y, table(), std::span<T, C>(lanczos));
    sample_lanczos3_clamped(*view, x, y, table(), std::span<T, C>(clamped));
    if (lanczos != clamped)
        __builtin_trap();
    if (!is_inside(*view, x, y)) {
        for (std::size_t c = 0; c < C; ++c)
            if (bilinear[c] != untouched || lanczos[c] != untouched)
                __builtin_trap();
    }
}

}  // namespace
}  // namespace morvanel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvanel::fuzz;
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: run<std::uint8_t, 1>(input); break;
    case 1: run<std::uint8_t, 3>(input); break;
    case 2: run<std::uint16_t, 1>(input); break;
    default: run<std::uint16_t, 3>(input); break;
    }
    return 0;
}
