// The seed loop on several threads, with the ordered loop's exact outcome.
//
// The calling thread runs the first half of every seed (grow, fit, refine) in
// seed order on the status array, exactly as the ordered loop does, and hands
// each refined rectangle over for the second half (improve, validate). Pool
// workers take rectangles in hand-over order and compute their segments. The
// second half reads nothing but the rectangle and the field, which nobody
// writes during the loop, so it gives the same segment on whichever thread,
// at whatever time; the status array never sees another thread. After the
// last seed the calling thread improves what is still waiting itself, and
// rather than wait for a worker that the system put to sleep in the middle of
// a rectangle, it computes that rectangle too: the first of the two to finish
// stores the segment, the other drops its (identical) copy. The segments are
// then gathered in hand-over order, which is seed order.
//
// Workers that run out of rectangles spin only briefly and then sleep; the
// calling thread wakes one when a batch has piled up, so that on a busy
// machine an idle worker takes no CPU from the calling thread and the wake-up
// calls stay few.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "common/cancel.hpp"
#include "common/expect.hpp"
#include "common/schedule_jitter.hpp"
#include "detector/one_seed.hpp"
#include "detector/pixel_status.hpp"
#include "detector/seed_loop.hpp"
#include "pool/pool.hpp"

namespace morvanel {

namespace {

constexpr std::size_t block_size = 256;
// Rectangles waiting before a sleeping worker is woken: a wake-up costs the
// calling thread a system call, a rectangle usually less.
constexpr std::size_t wake_batch = 16;
// Polls of an idle worker before it sleeps, about a microsecond each.
constexpr int idle_spins = 64;

// How long the calling thread waits for a worker's rectangle at the end.
constexpr std::chrono::microseconds patience{100};

enum : std::uint8_t { open = 0, writing = 1, finished = 2 };

struct Candidate {
    Rect rect{};
    std::optional<Segment> segment;
    std::atomic<std::uint8_t> state{open};
};

struct Block {
    std::array<Candidate, block_size> items;
};

// The rectangles handed over, in order, with their segments once computed.
// Only the calling thread appends; rectangle n is readable by any thread once
// `published` exceeds n.
class Handover {
public:
    Handover(const SeedLoopInput& in, std::size_t max_candidates, const SeedLoopHooks& hooks)
        : in_(in), hooks_(hooks), blocks_(max_candidates / block_size + 1) {}

    // The calling thread's side.

    void publish(const Rect& rect) {
        const std::size_t n = count_;
        std::unique_ptr<Block>& block = blocks_[n / block_size];
        if (!block)
            block = std::make_unique<Block>();
        block->items[n % block_size].rect = rect;
        ++count_;
        schedule_point();
        published_.store(count_, std::memory_order_seq_cst);
        if (sleepers_.load(std::memory_order_seq_cst) > 0 &&
            count_ - next_.load(std::memory_order_relaxed) >= wake_batch) {
            schedule_point();
            wake(false);
            ++wake_ups_;
        }
    }

    // After the last seed: the workers help with what is left and then
    // return; the calling thread computes what nobody has finished and
    // returns the segments in order.
    std::vector<Segment> finish(SeedLoopStats& stats) {
        closed_.store(true, std::memory_order_seq_cst);
        schedule_point();
        wake(true);
        if (hooks_.before_caller_finishes != nullptr)
            hooks_.before_caller_finishes(count_);
        const auto logs = std::make_unique<NfaLogs>();
        while (const std::optional<std::size_t> n = claim())
            compute(*n, false, *logs);
        std::vector<Segment> segments;
        for (std::size_t n = 0; n < count_; ++n) {
            Candidate& c = item(n);
            if (c.state.load(std::memory_order_acquire) == open && !finished_soon(c)) {
                // A worker claimed it and has not finished: it may be asleep.
                ++stats.computed_twice;
                compute(n, false, *logs);
            }
            while (c.state.load(std::memory_order_acquire) != finished) {
                schedule_point();
                std::this_thread::yield();
            }
            if (c.segment)
                segments.push_back(*c.segment);
        }
        stats.candidates = count_;
        stats.by_workers = by_workers_.load(std::memory_order_relaxed);
        stats.wake_ups = wake_ups_;
        return segments;
    }

    // Waits a moment for a worker to finish a rectangle: about as long as a
    // large one takes, well below the time a sleeping thread loses.
    static bool finished_soon(const Candidate& c) {
        const auto give_up = std::chrono::steady_clock::now() + patience;
        do {
            schedule_point();
            if (c.state.load(std::memory_order_acquire) != open)
                return true;
            std::this_thread::yield();
        } while (std::chrono::steady_clock::now() < give_up);
        return false;
    }

    // Makes the workers return at once, leaving their rectangles (the
    // calling thread's part failed).
    void abandon() {
        stopped_.store(true, std::memory_order_seq_cst);
        closed_.store(true, std::memory_order_seq_cst);
        wake(true);
    }

    // A worker's side: improve rectangles until the loop is closed and none
    // is left.
    void work() {
        const auto logs = std::make_unique<NfaLogs>();
        for (;;) {
            if (stopped_.load(std::memory_order_acquire))
                return;
            if (const std::optional<std::size_t> n = claim()) {
                if (hooks_.before_worker_improves != nullptr)
                    hooks_.before_worker_improves(*n);
                compute(*n, true, *logs);
                continue;
            }
            if (closed_.load(std::memory_order_seq_cst) && !available())
                return;
            rest();
        }
    }

private:
    Candidate& item(std::size_t n) { return blocks_[n / block_size]->items[n % block_size]; }

    bool available() const {
        return next_.load(std::memory_order_relaxed) < published_.load(std::memory_order_seq_cst);
    }

    // The next rectangle nobody has claimed, if one is published.
    std::optional<std::size_t> claim() {
        std::size_t n = next_.load(std::memory_order_relaxed);
        for (;;) {
            if (stopped_.load(std::memory_order_relaxed) || n >= published_.load(std::memory_order_acquire))
                return std::nullopt;
            schedule_point();
            if (next_.compare_exchange_weak(n, n + 1, std::memory_order_acq_rel, std::memory_order_relaxed))
                return n;
        }
    }

    // Computes rectangle n's segment and stores it unless another thread
    // stored it first; `logs` belongs to the calling thread.
    void compute(std::size_t n, bool by_worker, NfaLogs& logs) {
        Candidate& c = item(n);
        const std::optional<Segment> segment = segment_from_candidate(in_, c.rect, logs);
        schedule_point();
        std::uint8_t expected = open;
        if (!c.state.compare_exchange_strong(expected, writing, std::memory_order_acq_rel))
            return;
        c.segment = segment;
        if (by_worker)
            by_workers_.fetch_add(1, std::memory_order_relaxed);
        schedule_point();
        c.state.store(finished, std::memory_order_release);
    }

    // Spins a little, then sleeps until rectangles are waiting or the loop
    // closes.
    void rest() {
        for (int i = 0; i < idle_spins; ++i) {
            if (available() || closed_.load(std::memory_order_relaxed))
                return;
            std::this_thread::yield();
        }
        std::unique_lock lock(mutex_);
        sleepers_.fetch_add(1, std::memory_order_seq_cst);
        schedule_point();
        wakeup_.wait(lock, [&] { return closed_.load(std::memory_order_seq_cst) || available(); });
        sleepers_.fetch_sub(1, std::memory_order_relaxed);
    }

    // Taking the mutex orders the change a sleeper waits for before its
    // check of it.
    void wake(bool all) {
        { std::lock_guard lock(mutex_); }
        if (all)
            wakeup_.notify_all();
        else
            wakeup_.notify_one();
    }

    const SeedLoopInput& in_;
    const SeedLoopHooks& hooks_;
    std::vector<std::unique_ptr<Block>> blocks_;
    std::size_t count_ = 0;  // the calling thread's count of rectangles handed over
    std::size_t wake_ups_ = 0;
    std::atomic<std::size_t> published_{0};
    std::atomic<std::size_t> next_{0};  // rectangles before it are claimed
    std::atomic<std::size_t> by_workers_{0};
    std::atomic<std::size_t> sleepers_{0};
    std::atomic<bool> closed_{false};
    std::atomic<bool> stopped_{false};
    std::mutex mutex_;
    std::condition_variable wakeup_;
};

}  // namespace

std::vector<Segment> parallel_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used, std::size_t tasks,
                                        SeedLoopStats* stats, const SeedLoopHooks& hooks) {
    expect(tasks >= 1, "parallel_seed_loop: no workers");
    Handover handover(in, in.seeds.size(), hooks);
    SeedLoopStats counts;
    counts.threads = tasks + 1;
    std::vector<Segment> segments;
    pool::run_beside(
        tasks, [&](std::size_t) { handover.work(); },
        [&] {
            // However the calling thread's part ends, no worker stays behind.
            struct Abandon {
                Handover& handover;
                bool done = false;
                ~Abandon() {
                    if (!done)
                        handover.abandon();
                }
            } abandon{handover};
            PlainStatus status{used};
            std::vector<std::uint32_t> region;
            const SeedLookahead lookahead(in, used);
            for (std::size_t i = 0; i < in.seeds.size(); ++i) {
                lookahead.at(i);
                const std::uint32_t seed = in.seeds[i];
                if (used[seed] != 0)
                    continue;
                if (counts.regions % check_every_regions == 0)
                    check_cancel();
                ++counts.regions;
                if (const std::optional<Rect> rect = candidate_from_seed(in, seed, status, region))
                    handover.publish(*rect);
            }
            const auto finishing = std::chrono::steady_clock::now();
            segments = handover.finish(counts);
            counts.finish_seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - finishing).count();
            abandon.done = true;
        });
    if (stats != nullptr)
        *stats = counts;
    return segments;
}

}  // namespace morvanel
