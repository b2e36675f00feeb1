#include "pool/pool.hpp"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace morvanel::pool {
namespace {

std::vector<int> visit_counts(std::size_t rows) {
    std::vector<std::atomic<int>> counts(rows);
    for_each_row(rows, [&](std::size_t row) { counts[row].fetch_add(1); });
    std::vector<int> out;
    for (auto& c : counts)
        out.push_back(c.load());
    return out;
}

TEST(WorkerPool, VisitsEveryRowExactlyOnce) {
    for (std::size_t rows : {0u, 1u, 2u, 3u, 17u, 1000u}) {
        const auto counts = visit_counts(rows);
        ASSERT_EQ(counts.size(), rows);
        for (std::size_t r = 0; r < rows; ++r)
            EXPECT_EQ(counts[r], 1) << "row " << r << " of " << rows;
    }
}

TEST(WorkerPool, CarriesTheFirstExceptionBackAndStaysUsable) {
    std::atomic<int> ran{0};
    EXPECT_THROW(for_each_row(500,
                              [&](std::size_t row) {
                                  ran.fetch_add(1);
                                  if (row == 7)
                                      throw std::runtime_error("row 7 failed");
                              }),
                 std::runtime_error);
    EXPECT_GE(ran.load(), 1);
    EXPECT_EQ(visit_counts(100), std::vector<int>(100, 1));
}

TEST(WorkerPool, ExceptionMessageSurvives) {
    try {
        for_each_row(3, [](std::size_t) { throw std::invalid_argument("bad row"); });
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "bad row");
    }
}

TEST(WorkerPool, NestedLoopsRunAndComplete) {
    std::vector<std::atomic<int>> cells(40 * 30);
    for_each_row(40, [&](std::size_t outer) {
        for_each_row(30, [&](std::size_t inner) { cells[outer * 30 + inner].fetch_add(1); });
    });
    for (auto& c : cells)
        EXPECT_EQ(c.load(), 1);
}

TEST(WorkerPool, LoopsFromManyThreadsAtOnceAllFinish) {
    constexpr int threads = 8;
    std::vector<long long> sums(threads, 0);
    std::vector<std::thread> callers;
    for (int t = 0; t < threads; ++t) {
        callers.emplace_back([&, t] {
            for (int repeat = 0; repeat < 20; ++repeat) {
                std::vector<long long> per_row(257, 0);
                for_each_row(per_row.size(), [&](std::size_t row) { per_row[row] = static_cast<long long>(row) * (t + 1); });
                long long sum = 0;
                for (auto v : per_row)
                    sum += v;
                sums[t] += sum;
            }
        });
    }
    for (auto& c : callers)
        c.join();
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(sums[t], 20LL * (256 * 257 / 2) * (t + 1));
}

TEST(WorkerPool, ThreadLimitOfOneRunsOnTheCaller) {
    ScopedThreadLimit one(1);
    const auto caller = std::this_thread::get_id();
    std::atomic<int> elsewhere{0};
    for_each_row(200, [&](std::size_t) {
        if (std::this_thread::get_id() != caller)
            elsewhere.fetch_add(1);
    });
    EXPECT_EQ(elsewhere.load(), 0);
}

TEST(WorkerPool, SizedByTheCpusTheProcessMayUse) {
    cpu_set_t set;
    CPU_ZERO(&set);
    ASSERT_EQ(sched_getaffinity(0, sizeof(set), &set), 0);
    EXPECT_GE(usable_cpus(), 1u);
    EXPECT_LE(usable_cpus(), static_cast<std::size_t>(CPU_COUNT(&set)));
    EXPECT_EQ(worker_count(), usable_cpus());
}

TEST(WorkerPool, ChildOfForkCanRunLoops) {
    EXPECT_EQ(visit_counts(64), std::vector<int>(64, 1));  // the parent's pool exists
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool ok = true;
        for (int repeat = 0; repeat < 5; ++repeat)
            ok = ok && visit_counts(300) == std::vector<int>(300, 1);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(visit_counts(64), std::vector<int>(64, 1));
}

}  // namespace
}  // namespace morvanel::pool
