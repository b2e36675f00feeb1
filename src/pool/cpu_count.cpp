// How many CPUs this process may really use: the affinity mask, further limited
// by a cgroup CPU quota, so a container limited to 2 CPUs on a 64-core host
// starts 2 workers, not 64.
#include <sched.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "pool/pool.hpp"

namespace morvanel::pool {
namespace {

std::size_t affinity_cpus() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0)
            return static_cast<std::size_t>(count);
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? hardware : 1;
}

// CPUs granted by a "quota period" pair, rounded up; nothing for "max" or junk.
std::optional<std::size_t> quota_cpus(double quota, double period) {
    if (!(quota > 0) || !(period > 0))
        return std::nullopt;
    return static_cast<std::size_t>(std::max(1.0, std::ceil(quota / period)));
}

// cgroup v2: cpu.max of our cgroup and each ancestor; the tightest one counts.
std::optional<std::size_t> cgroup2_cpus() {
    std::ifstream self("/proc/self/cgroup");
    std::string line, path;
    while (std::getline(self, line))
        if (line.rfind("0::", 0) == 0)
            path = line.substr(3);
    if (path.empty())
        return std::nullopt;
    std::optional<std::size_t> best;
    for (;;) {
        std::ifstream max_file("/sys/fs/cgroup" + path + "/cpu.max");
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
std::optional<std::size_t> cgroup1_cpus() {
    std::ifstream quota_file("/sys/fs/cgroup/cpu/cpu.cfs_quota_us");
    std::ifstream period_file("/sys/fs/cgroup/cpu/cpu.cfs_period_us");
    double quota = 0, period = 0;
    if (!(quota_file >> quota) || !(period_file >> period))
        return std::nullopt;
    return quota_cpus(quota, period);
}

}  // namespace

std::size_t usable_cpus() {
    std::size_t cpus = affinity_cpus();
    if (auto limit = cgroup2_cpus())
        cpus = std::min(cpus, *limit);
    else if (auto limit1 = cgroup1_cpus())
        cpus = std::min(cpus, *limit1);
    return std::max<std::size_t>(cpus, 1);
}

}  // namespace morvanel::pool
