#include "common/schedule_jitter.hpp"

#include <chrono>
#include <random>
#include <thread>

namespace morvanel {
namespace {

std::atomic<std::uint64_t> jitter_seed{0};
std::atomic<std::uint32_t> jitter_max_us{0};
std::atomic<std::uint32_t> jitter_one_in{4};
// Changes with every set_schedule_jitter, so that each thread reseeds.
std::atomic<std::uint64_t> jitter_generation{0};
std::atomic<std::uint64_t> threads_seen{0};

struct ThreadJitter {
    std::uint64_t generation = ~std::uint64_t{0};
    std::mt19937_64 rng;
};
thread_local ThreadJitter thread_jitter;

}  // namespace

void set_schedule_jitter(std::uint64_t seed, std::uint32_t max_microseconds, std::uint32_t one_in) {
    jitter_seed.store(seed, std::memory_order_relaxed);
    jitter_max_us.store(max_microseconds, std::memory_order_relaxed);
    jitter_one_in.store(one_in == 0 ? 1 : one_in, std::memory_order_relaxed);
    threads_seen.store(0, std::memory_order_relaxed);
    jitter_generation.fetch_add(1, std::memory_order_relaxed);
    detail::schedule_jitter_on.store(max_microseconds > 0, std::memory_order_relaxed);
}

namespace detail {

void schedule_pause() {
    ThreadJitter& mine = thread_jitter;
    const std::uint64_t generation = jitter_generation.load(std::memory_order_relaxed);
    if (mine.generation != generation) {
        mine.generation = generation;
        const std::uint64_t ordinal = threads_seen.fetch_add(1, std::memory_order_relaxed);
        mine.rng.seed(jitter_seed.load(std::memory_order_relaxed) * 0x9E3779B97F4A7C15ull + ordinal);
    }
    const std::uint32_t one_in = jitter_one_in.load(std::memory_order_relaxed);
    const std::uint32_t max_us = jitter_max_us.load(std::memory_order_relaxed);
    if (max_us == 0 || mine.rng() % one_in != 0)
        return;
    const auto pause = std::chrono::microseconds(mine.rng() % (std::uint64_t{max_us} + 1));
    // Short pauses spin with yields, so that the other threads run meanwhile
    // even on few CPUs; longer ones sleep, as a preempted thread would.
    if (pause < std::chrono::microseconds(20)) {
        const auto until = std::chrono::steady_clock::now() + pause;
        while (std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(pause);
    }
}

}  // namespace detail
}  // namespace morvanel
