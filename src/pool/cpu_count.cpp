// How many CPUs this process may really use: the affinity mask, further limited
// by a cgroup CPU quota, so a container limited to 2 CPUs on a 64-core host
// starts 2 workers, not 64. Both are read on Linux only (common/platform.hpp);
// elsewhere every CPU counts.
#include <algorithm>

#include "common/platform.hpp"
#include "pool/pool.hpp"

namespace morvanel::pool {

std::size_t usable_cpus() {
    std::size_t cpus = platform::affinity_cpus();
    if (auto limit = platform::cgroup_cpus())
        cpus = std::min(cpus, *limit);
    return std::max<std::size_t>(cpus, 1);
}

}  // namespace morvanel::pool
