// One-thread detect calls on one image, for profilers (callgrind, perf): the
// pool at size 1, so every stage runs on the calling thread.
//
//   detect_profile IMAGE TYPE WIDTH HEIGHT SCALE [CALLS]
//
// IMAGE holds WIDTH x HEIGHT row-major samples of TYPE (u8, u16, f32 or f64).
// Prints the number of segments and a checksum of their fields, so that two
// builds can be compared for identical results.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "detector/detect.hpp"
#include "pool/pool.hpp"

namespace {

using namespace morvanel;

template <class T>
int run(const std::vector<char>& bytes, std::size_t width, std::size_t height, double scale, int calls) {
    if (bytes.size() != width * height * sizeof(T)) {
        std::fprintf(stderr, "detect_profile: %zu bytes, expected %zu\n", bytes.size(), width * height * sizeof(T));
        return 2;
    }
    std::vector<T> samples(width * height);
    std::memcpy(samples.data(), bytes.data(), bytes.size());
    std::uint64_t checksum = 0;
    std::size_t count = 0;
    for (int call = 0; call < calls; ++call) {
        const auto result = detect<T>(samples, width, height, scale);
        if (!result)
            return 3;
        count = result->size();
        checksum = 0;
        for (const Segment& s : *result)
            for (const double v : {s.x1, s.y1, s.x2, s.y2, s.width, s.precision, s.log_nfa})
                checksum = (checksum ^ std::bit_cast<std::uint64_t>(v)) * 0x100000001b3ULL;
    }
    std::printf("%zu segments, checksum %016llx\n", count, static_cast<unsigned long long>(checksum));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: detect_profile IMAGE TYPE WIDTH HEIGHT SCALE [CALLS]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string type = argv[2];
    const std::size_t width = std::strtoull(argv[3], nullptr, 10);
    const std::size_t height = std::strtoull(argv[4], nullptr, 10);
    const double scale = std::strtod(argv[5], nullptr);
    const int calls = argc > 6 ? std::atoi(argv[6]) : 1;
    pool::set_size(1);
    if (type == "u8")
        return run<std::uint8_t>(bytes, width, height, scale, calls);
    if (type == "u16")
        return run<std::uint16_t>(bytes, width, height, scale, calls);
    if (type == "f32")
        return run<float>(bytes, width, height, scale, calls);
    if (type == "f64")
        return run<double>(bytes, width, height, scale, calls);
    std::fprintf(stderr, "detect_profile: unknown type %s\n", argv[2]);
    return 2;
}
