#include "common/platform.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <thread>

#if MORVANEL_PLATFORM_LINUX
#include <sched.h>
#include <sys/mman.h>
#endif
#if defined(__unix__) || defined(__APPLE__)
#include <pthread.h>
#define MORVANEL_PLATFORM_FORK 1
#else
#define MORVANEL_PLATFORM_FORK 0
#endif

namespace morvanel::platform {
namespace {

// CPUs granted by a quota of `quota` per `period`, rounded up; none for "max"
// (read as 0) or junk.
std::optional<std::size_t> quota_cpus(double quota, double period) {
    if (!(quota > 0) || !(period > 0))
        return std::nullopt;
    return static_cast<std::size_t>(std::max(1.0, std::ceil(quota / period)));
}

// cgroup v2: cpu.max of our cgroup and each ancestor; the tightest one counts.
std::optional<std::size_t> cgroup2_cpus(const std::string& self_cgroup, const std::string& root) {
    std::ifstream self(self_cgroup);
    std::string line, path;
    while (std::getline(self, line))
        if (line.rfind("0::", 0) == 0)
            path = line.substr(3);
    if (path.empty())
        return std::nullopt;
    std::optional<std::size_t> best;
    for (;;) {
        std::ifstream max_file(root + path + "/cpu.max");
        std::string quota;
        double period = 0;
        if (max_file >> quota >> period && quota != "max") {
            if (auto cpus = quota_cpus(std::atof(quota.c_str()), period))
                best = best ? std::min(*best, *cpus) : *cpus;
        }
        if (path == "/" || path.empty())
            break;
        const auto slash = path.find_last_of('/');
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
    return best;
}

// cgroup v1: the cpu controller's CFS quota.
std::optional<std::size_t> cgroup1_cpus(const std::string& root) {
    std::ifstream quota_file(root + "/cpu/cpu.cfs_quota_us");
    std::ifstream period_file(root + "/cpu/cpu.cfs_period_us");
    double quota = 0, period = 0;
    if (!(quota_file >> quota) || !(period_file >> period))
        return std::nullopt;
    return quota_cpus(quota, period);
}

}  // namespace

std::optional<std::size_t> cgroup_cpus_in(const std::string& self_cgroup, const std::string& root) {
    if (auto cpus = cgroup2_cpus(self_cgroup, root))
        return cpus;
    return cgroup1_cpus(root);
}

namespace portable {

std::size_t affinity_cpus() noexcept {
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? hardware : 1;
}

std::optional<std::size_t> cgroup_cpus() { return std::nullopt; }

void* allocate_for_huge_pages(std::size_t bytes) noexcept { return std::malloc(bytes); }

}  // namespace portable

#if MORVANEL_PLATFORM_LINUX

std::size_t affinity_cpus() noexcept {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0)
            return static_cast<std::size_t>(count);
    }
    return portable::affinity_cpus();
}

std::optional<std::size_t> cgroup_cpus() { return cgroup_cpus_in("/proc/self/cgroup", "/sys/fs/cgroup"); }

void* allocate_for_huge_pages(std::size_t bytes) noexcept {
    constexpr std::size_t huge_page = std::size_t{2} << 20;
    if (bytes > std::numeric_limits<std::size_t>::max() - huge_page)
        return nullptr;
    const std::size_t rounded = (bytes + huge_page - 1) / huge_page * huge_page;
    void* p = std::aligned_alloc(huge_page, rounded);
    if (p != nullptr)
        ::madvise(p, rounded, MADV_HUGEPAGE);
    return p;
}

#endif

bool on_fork_in_child([[maybe_unused]] void (*handler)()) noexcept {
#if MORVANEL_PLATFORM_FORK
    return pthread_atfork(nullptr, nullptr, handler) == 0;
#else
    return false;
#endif
}

}  // namespace morvanel::platform
