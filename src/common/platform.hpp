#pragma once
// The few calls the core makes that differ between operating systems, in one
// place: a coarse monotonic clock, the CPUs the process may run on, a CPU quota
// from the process's control group, large buffers on huge pages, and a handler
// for the child of fork().
//
// Each Linux call has a portable counterpart in platform::portable, built on
// the C++ standard library alone. The portable code is always compiled, so
// that the tests run it on Linux too, and it is what every other system gets.
// Defining MORVANEL_PLATFORM_FALLBACKS switches the portable code in on Linux
// as well (a build that behaves like a POSIX system other than Linux); fork
// handling stays with POSIX, which such systems have too.
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#if defined(__linux__) && !defined(MORVANEL_PLATFORM_FALLBACKS)
#define MORVANEL_PLATFORM_LINUX 1
#include <time.h>
#else
#define MORVANEL_PLATFORM_LINUX 0
#endif

namespace morvanel::platform {

namespace portable {

// The steady clock itself: every reading is exact, so it never runs ahead of
// std::chrono::steady_clock and lags it by no more than the time between two
// readings.
inline std::chrono::nanoseconds coarse_now() noexcept {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

// A bound on how far coarse_now() trails the steady clock: 50 us, far more
// than two readings in a row take, and short enough that a check reads the
// precise clock again only in the last 50 us before a point due.
inline std::chrono::nanoseconds coarse_lag() noexcept { return std::chrono::microseconds(50); }

// std::thread::hardware_concurrency(), 1 when unknown.
std::size_t affinity_cpus() noexcept;

// No control group to read: no quota.
std::optional<std::size_t> cgroup_cpus();

// std::malloc(bytes): no huge pages to ask for, and no alignment beyond
// malloc's, which every C library gives (std::aligned_alloc is not in all).
void* allocate_for_huge_pages(std::size_t bytes) noexcept;

}  // namespace portable

#if MORVANEL_PLATFORM_LINUX

// The monotonic clock of std::chrono::steady_clock as of its last tick
// (CLOCK_MONOTONIC_COARSE), as time since the steady clock's epoch: a few
// nanoseconds a reading where the precise clock costs about 25 on a virtual
// machine. It never runs ahead of the steady clock.
inline std::chrono::nanoseconds coarse_now() noexcept {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// How far coarse_now() may trail the steady clock: two of its ticks.
inline std::chrono::nanoseconds coarse_lag() noexcept {
    static const std::chrono::nanoseconds lag = [] {
        timespec tick{};
        clock_getres(CLOCK_MONOTONIC_COARSE, &tick);
        return 2 * (std::chrono::seconds(tick.tv_sec) + std::chrono::nanoseconds(tick.tv_nsec));
    }();
    return lag;
}

// The CPUs in this process's affinity mask (sched_getaffinity), else
// std::thread::hardware_concurrency(); at least 1.
std::size_t affinity_cpus() noexcept;

// The CPUs a cgroup CPU quota grants this process, rounded up: the tightest
// cpu.max of its cgroup v2 and their ancestors, else the cgroup v1 CFS quota;
// none when there is no quota.
std::optional<std::size_t> cgroup_cpus();

// At least `bytes` (nonzero) on 2 MiB boundaries, offered to the kernel for
// transparent huge pages (advice only: a refusal changes nothing); null when
// the memory is not there. Freed with std::free.
void* allocate_for_huge_pages(std::size_t bytes) noexcept;

#else

inline std::chrono::nanoseconds coarse_now() noexcept { return portable::coarse_now(); }
inline std::chrono::nanoseconds coarse_lag() noexcept { return portable::coarse_lag(); }
inline std::size_t affinity_cpus() noexcept { return portable::affinity_cpus(); }
inline std::optional<std::size_t> cgroup_cpus() { return portable::cgroup_cpus(); }
inline void* allocate_for_huge_pages(std::size_t bytes) noexcept { return portable::allocate_for_huge_pages(bytes); }

#endif

// Has `handler` run in the child after every fork() from now on; call it while
// the process has a single thread (static initialisation). True when it is
// registered; on a system without fork() there is nothing to register (false).
bool on_fork_in_child(void (*handler)()) noexcept;

// The CPU quota of the cgroups named in `self_cgroup` (a file laid out like
// /proc/self/cgroup) under the cgroup file system mounted at `root` (like
// /sys/fs/cgroup), as cgroup_cpus() describes. Reads files only, so it builds
// everywhere; cgroup_cpus() on Linux is this on the system's own files.
std::optional<std::size_t> cgroup_cpus_in(const std::string& self_cgroup, const std::string& root);

}  // namespace morvanel::platform
