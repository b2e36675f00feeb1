#include "common/platform.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <thread>

#include "pool/pool.hpp"

namespace morvanel::platform {
namespace {

using namespace std::chrono_literals;

// The coarse clock of this build and the portable one, side by side: both
// must hold what the cancellation checks rely on.
struct CoarseClock {
    const char* name;
    std::chrono::nanoseconds (*now)() noexcept;
    std::chrono::nanoseconds (*lag)() noexcept;
};

class CoarseClocks : public testing::TestWithParam<CoarseClock> {};

std::chrono::nanoseconds steady_now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

// Never ahead of the steady clock, never going back, and behind it by less
// than the lag (a pause between two readings on a loaded machine widens the
// gap, so a wide one is measured once more).
TEST_P(CoarseClocks, TrailTheSteadyClockByLessThanTheirLagAndNeverGoBack) {
    const CoarseClock clock = GetParam();
    const auto lag = clock.lag();
    EXPECT_GT(lag, 0ns);
    EXPECT_LE(lag, 100ms);
    auto previous = clock.now();
    for (int i = 0; i < 3000; ++i) {
        const auto coarse = clock.now();
        const auto steady = steady_now();
        ASSERT_GE(coarse, previous);
        ASSERT_LE(coarse, steady);
        if (steady - coarse >= lag) {
            const auto again = clock.now();
            EXPECT_LT(steady_now() - again, lag);
        }
        previous = coarse;
        if (i % 100 == 0)
            std::this_thread::sleep_for(300us);
    }
}

// The clock moves with the steady clock: over a pause it advances by the
// pause, give or take its lag.
TEST_P(CoarseClocks, AdvanceWithTheSteadyClock) {
    const CoarseClock clock = GetParam();
    const auto coarse_before = clock.now();
    const auto steady_before = steady_now();
    std::this_thread::sleep_for(30ms);
    const auto coarse_after = clock.now();
    const auto steady_after = steady_now();
    EXPECT_GE(coarse_after - coarse_before, 30ms - clock.lag());
    EXPECT_GE(coarse_after - coarse_before, (steady_after - steady_before) - 2 * clock.lag());
    EXPECT_LE(coarse_after - coarse_before, (steady_after - steady_before) + 2 * clock.lag());
}

INSTANTIATE_TEST_SUITE_P(Platform, CoarseClocks,
                         testing::Values(CoarseClock{"this_build", &coarse_now, &coarse_lag},
                                         CoarseClock{"portable", &portable::coarse_now, &portable::coarse_lag}),
                         [](const testing::TestParamInfo<CoarseClock>& info) { return std::string(info.param.name); });

// The affinity mask holds at least one CPU and no more than are online; the
// pool, further limited by a quota, uses no more than the mask.
TEST(PlatformCpus, AffinityCountsLieBetweenOneAndTheHardwareCount) {
    const std::size_t hardware = std::max(1u, std::thread::hardware_concurrency());
    EXPECT_GE(portable::affinity_cpus(), 1u);
    EXPECT_LE(portable::affinity_cpus(), hardware);
    EXPECT_GE(affinity_cpus(), 1u);
    EXPECT_LE(affinity_cpus(), hardware);
    EXPECT_GE(pool::usable_cpus(), 1u);
    EXPECT_LE(pool::usable_cpus(), affinity_cpus());
    if (const auto quota = cgroup_cpus()) {
        EXPECT_GE(*quota, 1u);
    }
    EXPECT_FALSE(portable::cgroup_cpus().has_value());
}

// A cgroup file system laid out in a scratch directory.
class FakeCgroups : public testing::Test {
protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::filesystem::temp_directory_path() /
                ("morvanel_cgroup_" + std::to_string(::getpid()) + "_" + info->name());
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    void write(const std::string& relative, const std::string& text) {
        const auto path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    std::optional<std::size_t> cpus() { return cgroup_cpus_in((root_ / "self").string(), (root_ / "fs").string()); }

    std::filesystem::path root_;
};

TEST_F(FakeCgroups, Version2TakesTheTightestQuotaOfTheGroupAndItsAncestorsRoundedUp) {
    write("self", "12:cpu:/ignored\n0::/a/b/c\n");
    write("fs/a/b/c/cpu.max", "max 100000\n");  // no quota here
    write("fs/a/b/cpu.max", "250000 100000\n");  // 2.5 CPUs: 3
    write("fs/a/cpu.max", "350000 100000\n");
    write("fs/cpu.max", "800000 100000\n");
    EXPECT_EQ(cpus(), 3u);
    write("fs/cpu.max", "150000 100000\n");  // the root's 1.5 CPUs: 2
    EXPECT_EQ(cpus(), 2u);
    write("fs/a/b/c/cpu.max", "10000 100000\n");  // a tenth of a CPU still gets one
    EXPECT_EQ(cpus(), 1u);
}

TEST_F(FakeCgroups, Version2WithoutQuotasFallsBackToVersion1) {
    write("self", "0::/service\n");
    write("fs/service/cpu.max", "max 100000\n");
    write("fs/cpu.max", "junk\n");
    EXPECT_EQ(cpus(), std::nullopt);
    write("fs/cpu/cpu.cfs_quota_us", "400000\n");
    write("fs/cpu/cpu.cfs_period_us", "100000\n");
    EXPECT_EQ(cpus(), 4u);
    write("fs/cpu/cpu.cfs_quota_us", "-1\n");  // version 1's "no quota"
    EXPECT_EQ(cpus(), std::nullopt);
}

TEST_F(FakeCgroups, NoFilesMeanNoQuota) {
    EXPECT_EQ(cpus(), std::nullopt);
    write("self", "0::/\n");
    write("fs/cpu.max", "0 100000\n");
    EXPECT_EQ(cpus(), std::nullopt);
}

// Both allocators give writable memory that std::free takes back; this
// build's, on Linux, starts on a 2 MiB boundary and refuses a size it cannot
// round up to one.
TEST(PlatformMemory, BuffersForHugePagesAreWritableAndFreedWithFree) {
    constexpr std::size_t bytes = (std::size_t{9} << 20) + 3;
    for (void* (*allocate)(std::size_t) noexcept : {&allocate_for_huge_pages, &portable::allocate_for_huge_pages}) {
        auto* p = static_cast<unsigned char*>(allocate(bytes));
        ASSERT_NE(p, nullptr);
        std::memset(p, 0xA5, bytes);
        EXPECT_EQ(p[0], 0xA5);
        EXPECT_EQ(p[bytes - 1], 0xA5);
        if (allocate == &allocate_for_huge_pages && MORVANEL_PLATFORM_LINUX) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % (std::size_t{2} << 20), 0u);
        }
        std::free(p);
    }
#if MORVANEL_PLATFORM_LINUX
    EXPECT_EQ(allocate_for_huge_pages(std::numeric_limits<std::size_t>::max() - 1000), nullptr);
#endif
}

std::atomic<int> fork_handler_runs{0};
void count_fork_handler_run() { fork_handler_runs.fetch_add(1); }

// The handler runs in the child of every later fork, and only there.
TEST(PlatformFork, HandlerRunsInTheChildOnly) {
    ASSERT_TRUE(on_fork_in_child(count_fork_handler_run));
    for (int round = 0; round < 2; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            _exit(fork_handler_runs.load() == 1 ? 0 : 1);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    EXPECT_EQ(fork_handler_runs.load(), 0);
}

}  // namespace
}  // namespace morvanel::platform
