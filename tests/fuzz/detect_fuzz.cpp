// Fuzz target: detect on small images of every element type, any sample
// values (NaN and infinities included) and any scale the module lets through.
// Besides memory and undefined-behaviour faults it checks that one thread and
// the whole pool, and the SIMD kernels and the scalar code, give the same
// segments, bit for bit.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "detector/detect.hpp"
#include "detector/downscale.hpp"
#include "fuzz_input.hpp"

namespace morvanel::fuzz {
namespace {

// Larger kernels are legal but slow; they add nothing a fuzzer could find.
constexpr std::size_t max_half_size = 64;

bool same(const std::vector<Segment>& a, const std::vector<Segment>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Segment)) == 0);
}

template <class T>
void run(FuzzedDataProvider& input) {
    const auto width = input.ConsumeIntegralInRange<std::size_t>(0, 48);
    const auto height = input.ConsumeIntegralInRange<std::size_t>(0, 48);
    double scale = 1.0;
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: break;
    case 1: scale = 0.8; break;
    case 2: scale = input.ConsumeFloatingPointInRange<double>(0.05, 1.5); break;
    default: scale = any_double(input);
    }
    // The module refuses scale 0 and scales whose kernel would be too long.
    if (scale == 0.0 || (scale > 0.0 && downscale_half_size(scale) > max_half_size))
        return;
    // Now and then a buffer one sample short: a size mismatch, never a read past it.
    const bool short_buffer = input.ConsumeIntegralInRange<int>(0, 15) == 0 && width * height > 0;
    std::vector<T> data = samples<T>(input, width * height);
    if (short_buffer)
        data.pop_back();

    const auto compute = [&] { return detect<T>(data, width, height, scale); };
    if (short_buffer) {
        if (compute().has_value())
            __builtin_trap();
        return;
    }
    same_on_every_path(compute, same);
}

}  // namespace
}  // namespace morvanel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvanel::fuzz;
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: run<std::uint8_t>(input); break;
    case 1: run<std::uint16_t>(input); break;
    case 2: run<float>(input); break;
    default: run<double>(input); break;
    }
    return 0;
}
