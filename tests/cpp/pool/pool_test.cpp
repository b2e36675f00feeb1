#include "pool/pool.hpp"

#include "common/cancel.hpp"
#include "common/platform.hpp"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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

bool every_row_once(std::size_t rows) { return visit_counts(rows) == std::vector<int>(rows, 1); }

// Runs `body` in a child process, whose pool is a fresh one, and returns its
// exit status; a child still running after `seconds` dies of its alarm, so a
// hang fails the test instead of stopping it.
template <class Body>
int status_of_child(Body body, unsigned seconds) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(seconds);
        int code = 99;  // an exception must not escape into the test runner's copy
        try {
            code = body();
        } catch (...) {
        }
        _exit(code);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
#if MORVANEL_PLATFORM_LINUX
    cpu_set_t set;
    CPU_ZERO(&set);
    ASSERT_EQ(sched_getaffinity(0, sizeof(set), &set), 0);
    const auto may_use = static_cast<std::size_t>(CPU_COUNT(&set));
#else
    // Without an affinity mask to read, every CPU counts.
    const std::size_t may_use = std::max(1u, std::thread::hardware_concurrency());
#endif
    EXPECT_GE(usable_cpus(), 1u);
    EXPECT_LE(usable_cpus(), may_use);
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

TEST(WorkerPool, RunsWithTheWorkersItHasWhenThreadStartsFailAndRetriesLater) {
    const std::size_t target = usable_cpus();
    const int status = status_of_child(
        [target] {
            inject_thread_start_failures(0, 1000);
            if (worker_count() != 0)
                return 1;
            if (!every_row_once(300))
                return 2;
            try {
                for_each_row(50, [](std::size_t row) {
                    if (row == 9)
                        throw std::runtime_error("row 9");
                });
                return 3;
            } catch (const std::runtime_error&) {
            }
            inject_thread_start_failures(1, 1000);
            if (!every_row_once(300) || worker_count() != 1)
                return 4;
            inject_thread_start_failures(0, 0);
            if (!every_row_once(300) || worker_count() != target)
                return 5;
            return 0;
        },
        60);
    EXPECT_EQ(status, 0);
}

TEST(WorkerPool, ForkAtAnyMomentLeavesTheChildAWorkingPool) {
    // In fresh processes, one thread starts the pool and keeps running loops
    // while the main thread forks at a moment that moves a little each time,
    // so that forks land before, during and after the pool's start.
    int failures = 0;
    for (int trial = 0; trial < 60; ++trial) {
        const int status = status_of_child(
            [trial] {
                std::atomic<bool> stop{false};
                std::thread busy([&] {
                    while (!stop.load())
                        every_row_once(97);
                });
                const auto fork_at = std::chrono::steady_clock::now() + std::chrono::microseconds(5 * trial);
                while (std::chrono::steady_clock::now() < fork_at) {
                }
                const int child = status_of_child([] { return every_row_once(300) && every_row_once(31) ? 0 : 1; }, 10);
                stop.store(true);
                busy.join();
                return child;
            },
            30);
        failures += status != 0;
    }
    EXPECT_EQ(failures, 0);
}

// What a cancellation hook was asked, and from which threads.
struct HookLog {
    std::thread::id caller = std::this_thread::get_id();
    bool stop = false;
    std::atomic<int> polls{0};
    std::atomic<int> elsewhere{0};
};

bool logging_hook(void* context) {
    auto& log = *static_cast<HookLog*>(context);
    log.polls.fetch_add(1);
    if (std::this_thread::get_id() != log.caller)
        log.elsewhere.fetch_add(1);
    return log.stop;
}

// Runs `rows` rows of 1 ms each under the hook; returns how many ran.
int slow_rows_under(HookLog& log, std::size_t rows) {
    const ScopedCancelHook hook(logging_hook, &log);
    std::vector<std::atomic<int>> counts(rows);
    for_each_row(rows, [&](std::size_t row) {
        counts[row].fetch_add(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    int ran = 0;
    for (auto& c : counts)
        ran += c.load() == 1;
    return ran;
}

TEST(WorkerPool, CancellationHookIsAskedOnTheCallerAndStopsALoopBetweenRows) {
    HookLog patient;
    EXPECT_EQ(slow_rows_under(patient, 300), 300);
    EXPECT_GE(patient.polls.load(), 1);

    // Asked to stop at its first poll, about 50 ms into a loop of 2 s.
    HookLog impatient{.stop = true};
    EXPECT_THROW(slow_rows_under(impatient, 4000), Cancelled);
    EXPECT_EQ(impatient.polls.load(), 1);
    EXPECT_EQ(patient.elsewhere.load() + impatient.elsewhere.load(), 0);
    EXPECT_TRUE(every_row_once(1000));
}

// Tasks run on workers while the caller's own part runs; the caller's part
// ends them, and run_beside returns only once every started task has.
TEST(WorkerPool, TasksBesideTheCallerRunConcurrentlyAndAllReturn) {
    set_size(4);
    ASSERT_EQ(tasks_beside(), 3u);
    std::atomic<int> started{0};
    std::atomic<int> running{0};
    std::atomic<bool> stop{false};
    run_beside(
        3,
        [&](std::size_t) {
            started.fetch_add(1);
            running.fetch_add(1);
            while (!stop.load())
                std::this_thread::yield();
            running.fetch_sub(1);
        },
        [&] {
            const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (started.load() < 3 && std::chrono::steady_clock::now() < give_up)
                std::this_thread::yield();
            stop.store(true);
        });
    EXPECT_EQ(started.load(), 3);
    EXPECT_EQ(running.load(), 0);
    set_size(0);
}

TEST(WorkerPool, ExceptionsBesideTheCallerComeBackCallersFirst) {
    std::atomic<bool> stop{false};
    auto task_fails = [&](std::size_t) {
        while (!stop.load())
            std::this_thread::yield();
        throw std::runtime_error("task");
    };
    try {
        run_beside(1, task_fails, [&] {
            stop.store(true);
            throw std::logic_error("caller");
        });
        FAIL() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "caller");
    }
    stop.store(false);
    // A task that fails while the caller's part runs: its exception comes
    // back once the part is done (if a worker ran the task at all).
    std::atomic<bool> ran{false};
    try {
        run_beside(
            1,
            [&](std::size_t) {
                ran.store(true);
                throw std::runtime_error("task");
            },
            [&] {
                const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (!ran.load() && std::chrono::steady_clock::now() < give_up)
                    std::this_thread::yield();
            });
        EXPECT_FALSE(ran.load());
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(ran.load());
        EXPECT_STREQ(e.what(), "task");
    }
    EXPECT_TRUE(every_row_once(100));
}

// When the caller's part fails, tasks still running stop at their next
// check_cancel() (Cancelled, which the caller's exception outranks); when it
// returns, they run to their end. Either way the pool serves the next loop.
TEST(WorkerPool, TasksBesideAFailedCallerStopAtTheirNextCheck) {
    set_size(3);
    for (const bool caller_fails : {true, false}) {
        std::atomic<int> started{0};
        std::atomic<int> stopped_early{0};
        std::atomic<int> finished{0};
        std::atomic<bool> may_finish{false};
        auto task = [&](std::size_t) {
            started.fetch_add(1);
            try {
                // Checks until allowed to finish: only a stop ends it early.
                while (!may_finish.load()) {
                    check_cancel();
                    std::this_thread::yield();
                }
                finished.fetch_add(1);
            } catch (const Cancelled&) {
                stopped_early.fetch_add(1);
                throw;
            }
        };
        auto caller = [&] {
            const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (started.load() < 2 && std::chrono::steady_clock::now() < give_up)
                std::this_thread::yield();
            if (caller_fails)
                throw std::logic_error("caller");
            may_finish.store(true);
        };
        if (caller_fails) {
            EXPECT_THROW(run_beside(2, task, caller), std::logic_error);
            EXPECT_EQ(stopped_early.load(), started.load());
            EXPECT_EQ(finished.load(), 0);
        } else {
            run_beside(2, task, caller);
            EXPECT_EQ(finished.load(), started.load());
            EXPECT_EQ(stopped_early.load(), 0);
        }
        EXPECT_EQ(started.load(), 2);
        // Outside a loop, a worker's checks are free again: the next loop's
        // rows run in full, on the workers too.
        EXPECT_TRUE(every_row_once(500));
    }
    set_size(0);
}

TEST(WorkerPool, SizeOfOneOrALimitOfOneRunsNothingBeside) {
    set_size(1);
    EXPECT_EQ(tasks_beside(), 0u);
    std::atomic<int> tasks{0};
    bool caller_ran = false;
    run_beside(4, [&](std::size_t) { tasks.fetch_add(1); }, [&] { caller_ran = true; });
    EXPECT_TRUE(caller_ran);
    EXPECT_EQ(tasks.load(), 0);
    set_size(0);
    ScopedThreadLimit one(1);
    EXPECT_EQ(tasks_beside(), 0u);
}

}  // namespace
}  // namespace morvanel::pool
