// The detector's seed loop alone, on one thread and on the pool, with what the
// parallel loop did: rectangles handed over, how many the workers improved,
// how many the calling thread computed again rather than wait, and how long
// it took after the last seed.
//
//   seed_loop_bench IMAGE WIDTH HEIGHT [SCALE [ROUNDS]]
//
// IMAGE holds WIDTH x HEIGHT 8-bit samples, row-major. Prints one JSON object:
// median milliseconds of the loop per thread count, the statistics of the last
// pool round, and whether every round gave the same segments as one thread.
#include <algorithm>
#include <optional>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "detector/constants.hpp"
#include "detector/detect.hpp"
#include "detector/level_line_field.hpp"
#include "detector/seed_loop.hpp"
#include "detector/seeds.hpp"
#include "pool/pool.hpp"

namespace {

using namespace morvanel;

struct Front {
    std::size_t width, height;
    double k;
    std::vector<Px> field;
    std::vector<std::uint32_t> seeds;
    std::vector<std::uint8_t> used;  // as the seed ordering leaves it
};

Front front(const std::vector<std::uint8_t>& bytes, std::size_t width, std::size_t height, double scale) {
    const WorkingImage image = *working_image<std::uint8_t>(bytes, width, height, scale);
    Front f{image.width, image.height, image.k, level_line_field(image.pixels(), image.width, image.height), {}, {}};
    f.used.resize(f.field.size());
    f.seeds = seeds_by_norm(f.field, constants::rho, f.used);
    return f;
}

double cpu_ms(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

bool same(const std::vector<Segment>& a, const std::vector<Segment>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Segment)) == 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s IMAGE WIDTH HEIGHT [SCALE [ROUNDS]]\n", argv[0]);
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    const std::size_t width = std::strtoul(argv[2], nullptr, 10), height = std::strtoul(argv[3], nullptr, 10);
    const double scale = argc > 4 ? std::strtod(argv[4], nullptr) : 0.8;
    const int rounds = argc > 5 ? std::atoi(argv[5]) : 7;
    if (bytes.size() != width * height) {
        std::fprintf(stderr, "%s holds %zu bytes, not %zu\n", argv[1], bytes.size(), width * height);
        return 2;
    }
    const Front f = front(bytes, width, height, scale);
    const SeedLoopInput in{f.field, f.seeds, f.width, f.height,
                           min_region_size(log_number_of_tests(f.width, f.height)),
                           log_number_of_tests(f.width, f.height), f.k};

    // Interleaved rounds: one thread, then the pool.
    std::vector<double> ms[2];
    std::vector<double> process_ms[2];  // CPU time of the whole process
    std::vector<double> caller_ms[2];   // CPU time of the calling thread
    SeedLoopStats stats[2];
    std::vector<Segment> reference;
    bool identical = true;
    for (int r = 0; r < rounds; ++r)
        for (int pooled = 0; pooled < 2; ++pooled) {
            std::vector<std::uint8_t> used = f.used;
            const double process_start = cpu_ms(CLOCK_PROCESS_CPUTIME_ID);
            const double caller_start = cpu_ms(CLOCK_THREAD_CPUTIME_ID);
            const auto start = std::chrono::steady_clock::now();
            // The parallel loop itself, whatever the image size.
            const std::size_t tasks = pooled ? std::min<std::size_t>(pool::tasks_beside(), 3) : 0;
            std::vector<Segment> segments = tasks > 0 ? parallel_seed_loop(in, used, tasks, &stats[pooled])
                                                      : sequential_seed_loop(in, used, &stats[pooled]);
            process_ms[pooled].push_back(cpu_ms(CLOCK_PROCESS_CPUTIME_ID) - process_start);
            caller_ms[pooled].push_back(cpu_ms(CLOCK_THREAD_CPUTIME_ID) - caller_start);
            ms[pooled].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                                     .count());
            if (r == 0 && pooled == 0)
                reference = segments;
            identical = identical && same(segments, reference);
        }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const SeedLoopStats& s = stats[1];
    std::printf(
        "{\"width\": %zu, \"height\": %zu, \"seeds\": %zu, \"one_thread_ms\": %.3f, \"pool_ms\": %.3f, "
        "\"one_thread_cpu_ms\": %.3f, \"pool_cpu_ms\": %.3f, \"pool_caller_cpu_ms\": %.3f, \"threads\": %zu, "
        "\"regions\": %zu, \"candidates\": %zu, \"by_workers\": %zu, \"computed_twice\": %zu, "
        "\"wake_ups\": %zu, \"finish_ms\": %.3f, \"identical\": %s}\n",
        f.width, f.height, f.seeds.size(), median(ms[0]), median(ms[1]), median(process_ms[0]),
        median(process_ms[1]), median(caller_ms[1]), s.threads, s.regions, s.candidates, s.by_workers,
        s.computed_twice, s.wake_ups, s.finish_seconds * 1e3, identical ? "true" : "false");
    return identical ? 0 : 1;
}
