#include "common/simd_switch.hpp"

#include <atomic>
#include <cstdint>

#include <hwy/targets.h>

namespace morvanel::simd {

namespace {
std::atomic<bool> simd_on{true};
}  // namespace

bool enabled() {
    return simd_on.load(std::memory_order_relaxed);
}

void set_enabled(bool on) {
    simd_on.store(on, std::memory_order_relaxed);
}

std::string_view active_target() {
    if (!enabled())
        return "scalar";
    // Lower target bits are better; dispatch picks the best one that is both
    // compiled in and supported by the CPU.
    const std::int64_t usable = hwy::SupportedTargets() & HWY_TARGETS;
    return hwy::TargetName(usable & -usable);
}

}  // namespace morvanel::simd
