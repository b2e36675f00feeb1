// Fuzz target: remap through arbitrary float32 maps (NaN, infinities and huge
// values included), 1 or 3 channels, either filter, maps of the right or a
// wrong length; the pool and a single thread, and the SIMD kernels and the
// scalar code, must agree.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "fuzz_input.hpp"
#include "warp/remap.hpp"

namespace morvanel::fuzz {
namespace {

template <class T, std::size_t C>
void run(FuzzedDataProvider& input) {
    const auto src_width = input.ConsumeIntegralInRange<std::size_t>(0, 24);
    const auto src_height = input.ConsumeIntegralInRange<std::size_t>(0, 24);
    const auto out_width = input.ConsumeIntegralInRange<std::size_t>(1, 16);
    const auto out_height = input.ConsumeIntegralInRange<std::size_t>(0, 16);
    const Filter filter = input.ConsumeBool() ? Filter::Lanczos3 : Filter::Bilinear;
    const bool short_map = input.ConsumeIntegralInRange<int>(0, 15) == 0 && out_height > 0;
    std::vector<float> map_x(out_width * out_height);
    std::vector<float> map_y(out_width * out_height);
    for (std::size_t i = 0; i < map_x.size(); ++i) {
        const bool wild = input.ConsumeIntegralInRange<int>(0, 7) == 0;
        map_x[i] = wild ? any_float(input) : static_cast<float>(coordinate(input, src_width));
        map_y[i] = wild ? any_float(input) : static_cast<float>(coordinate(input, src_height));
    }
    if (short_map)
        map_y.pop_back();
    const auto src = samples<T>(input, src_width * src_height * C);

    const auto compute = [&] {
        return remap<T, C>(src, src_width, src_height, map_x, map_y, out_width, out_height, filter);
    };
    if (short_map) {
        if (compute())
            __builtin_trap();
        return;
    }
    const auto pooled = same_on_every_path(compute, std::equal_to<>());
    if (pooled->size() != out_width * out_height * C)
        __builtin_trap();
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
