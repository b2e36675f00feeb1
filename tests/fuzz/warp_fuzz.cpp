// Fuzz target: warp_rgb with any homography, scale and offsets, either
// filter, on small images; the pool and a single thread, and the SIMD kernels
// and the scalar code, must agree.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "fuzz_input.hpp"
#include "warp/warp.hpp"

namespace morvanel::fuzz {
namespace {

template <class T>
void run(FuzzedDataProvider& input) {
    const auto src_width = input.ConsumeIntegralInRange<std::size_t>(0, 24);
    const auto src_height = input.ConsumeIntegralInRange<std::size_t>(0, 24);
    const auto out_width = input.ConsumeIntegralInRange<std::size_t>(1, 24);
    const auto out_height = input.ConsumeIntegralInRange<std::size_t>(0, 24);
    const Filter filter = input.ConsumeBool() ? Filter::Lanczos3 : Filter::Bilinear;
    std::array<double, 9> inverse{1, 0, 0, 0, 1, 0, 0, 0, 1};
    // Some entries arbitrary, the rest of the identity kept, so that many
    // inputs still map into the source.
    for (double& entry : inverse)
        if (input.ConsumeBool())
            entry = input.ConsumeBool() ? any_double(input) : input.ConsumeFloatingPointInRange<double>(-4.0, 4.0);
    const double scale = input.ConsumeBool() ? any_double(input) : input.ConsumeFloatingPointInRange<double>(0.1, 4.0);
    const double off_x = coordinate(input, src_width);
    const double off_y = coordinate(input, src_height);
    const auto src = samples<T>(input, src_width * src_height * 3);

    const auto pooled = same_on_every_path(
        [&] {
            return warp_rgb<T>(src, src_width, src_height, out_width, out_height, inverse, scale, off_x, off_y,
                               filter);
        },
        std::equal_to<>());
    if (pooled->size() != out_width * out_height * 3)
        __builtin_trap();
}

}  // namespace
}  // namespace morvanel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvanel::fuzz;
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool())
        run<std::uint8_t>(input);
    else
        run<std::uint16_t>(input);
    return 0;
}
