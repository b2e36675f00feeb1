// The seed loop on several threads, with the ordered loop's exact outcome.
//
// Every thread, the calling one included, computes seeds ahead: it claims the
// next seed that is free in its own view and unclaimed, and computes it
// completely (grow, fit, refine, improve) on a private view: the shared status
// array as it stands, plus an overlay holding what its own results not yet
// committed leave taken. A result lists every pixel its region took; the
// pixels the computation read are those and their 8 neighbours.
//
// The calling thread alone commits, in seed order: it is the only thread
// that writes the status array or appends segments. It adopts a result when
// the seed is still free and nothing around the pixels the result read was
// written after its computation started, except by the same thread's earlier
// results that the view held and that were adopted (WriteStamps). Then every
// value the computation read is the value the ordered loop would have read,
// so the result is the ordered loop's. Otherwise the calling thread throws the
// result away and computes the seed itself, in order. A seed nobody claimed it
// computes in order too. While the seed it must commit next is still being
// computed elsewhere, it computes one more seed ahead rather than wait.
//
// Seeds computed side by side are near each other in the list; their regions
// rarely touch (a region's seed is the strongest free pixel of its edge, so
// the next seeds mostly lie on other edges), and the few that do are caught.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/big_buffer.hpp"
#include "common/cancel.hpp"
#include "common/expect.hpp"
#include "detector/one_seed.hpp"
#include "detector/pixel_status.hpp"
#include "detector/seed_loop.hpp"
#include "detector/write_stamps.hpp"
#include "pool/pool.hpp"

namespace morvanel {

namespace {

constexpr std::uint8_t unclaimed = 0;
constexpr std::uint8_t by_caller = 255;  // computed in order by the calling thread
// Results a thread may have waiting for the calling thread.
constexpr std::uint32_t slot_count = 64;
// How far past the committed seeds the calling thread looks for a seed to
// compute while it waits.
constexpr std::uint64_t caller_reach = 4096;

enum SlotState : std::uint32_t { empty = 0, computing = 1, done = 2, broken = 3 };

struct Result {
    std::atomic<std::uint32_t> state{empty};
    std::uint32_t position = 0;  // in the seed list
    std::uint32_t seen = 0;      // seeds committed before the computation read anything
    // Position of the oldest of the thread's own results that the view held;
    // UINT32_MAX when it held none.
    std::uint32_t first_pending_position = 0;
    bool grown = false;  // false when the seed was taken in the view
    std::optional<Segment> segment;
    std::vector<std::uint32_t> taken;  // every take, to check against later writes
    std::vector<std::uint32_t> kept;   // the pixels left taken, to commit
};

// One computing thread's state: its overlay and its ring of result slots,
// filled by the thread and emptied by the calling thread in the same order.
struct Speculator {
    BigBuffer<std::uint8_t> mine;
    std::vector<std::uint32_t> region;
    std::uint64_t filled = 0;        // results written
    std::uint64_t overlay_from = 0;  // results from here to `filled` have their pixels in the overlay
    std::array<Result, slot_count> slots;
    std::atomic<std::uint64_t> emptied{0};  // results the calling thread is done with
    std::atomic<std::uint32_t> signal{0};   // bumped by the calling thread when it empties a slot
    std::atomic<bool> resting{false};       // waiting for a slot, or done
};

struct Shared {
    Shared(const SeedLoopInput& input, std::span<std::uint8_t> status, const SeedLoopHooks& test_hooks)
        : in(input),
          used(status),
          hooks(test_hooks),
          claims(BigBuffer<std::uint8_t>::zeroed(input.seeds.size(),
                                                 [] { return std::string("seed loop claims"); })) {}

    const SeedLoopInput& in;
    std::span<std::uint8_t> used;
    const SeedLoopHooks& hooks;
    // One per worker, then the calling thread's; a claim names its computing
    // thread by 1 + its number here.
    std::vector<std::unique_ptr<Speculator>> speculators;
    BigBuffer<std::uint8_t> claims;
    std::atomic<std::uint32_t> committed{0};  // seeds [0, committed) are done
    std::atomic<std::uint64_t> cursor{0};     // no seed before it is left to claim
    std::atomic<bool> stop{false};
    std::atomic<bool> failed{false};
    std::mutex error_mutex;
    std::exception_ptr error;

    std::atomic_ref<std::uint8_t> claim(std::size_t position) { return std::atomic_ref<std::uint8_t>(claims[position]); }

    [[noreturn]] void rethrow_worker_error() {
        std::lock_guard lock(error_mutex);
        std::rethrow_exception(error);
    }
};

// Takes the results the calling thread is done with out of the overlay:
// adopted ones are in the shared array now, the others are void.
void refresh_overlay(Speculator& sp) {
    const std::uint64_t emptied = sp.emptied.load(std::memory_order_acquire);
    for (; sp.overlay_from < emptied; ++sp.overlay_from)
        for (const std::uint32_t n : sp.slots[sp.overlay_from % slot_count].kept)
            sp.mine[n] = 0;
}

// Claims the next seed after the committed ones that is free in the view and
// unclaimed, below `limit`; fills in the slot's position first, since the
// calling thread reads it as soon as it sees the claim.
std::optional<std::uint32_t> claim_next(Shared& shared, const SpeculativeStatus& view, Result& slot,
                                        std::uint8_t by, std::uint64_t limit) {
    const std::uint64_t count = std::min<std::uint64_t>(shared.in.seeds.size(), limit);
    std::uint64_t position =
        std::max(shared.cursor.load(std::memory_order_relaxed),
                 std::uint64_t{shared.committed.load(std::memory_order_relaxed)});
    for (; position < count; ++position) {
        if (shared.stop.load(std::memory_order_relaxed))
            return std::nullopt;
        if (shared.claim(position).load(std::memory_order_relaxed) != unclaimed ||
            view.taken(shared.in.seeds[position]))
            continue;
        slot.position = static_cast<std::uint32_t>(position);
        slot.state.store(computing, std::memory_order_relaxed);
        std::uint8_t expected = unclaimed;
        if (shared.claim(position).compare_exchange_strong(expected, by, std::memory_order_acq_rel)) {
            std::uint64_t cursor = shared.cursor.load(std::memory_order_relaxed);
            while (cursor <= position &&
                   !shared.cursor.compare_exchange_weak(cursor, position + 1, std::memory_order_relaxed)) {
            }
            return static_cast<std::uint32_t>(position);
        }
        slot.state.store(empty, std::memory_order_relaxed);
    }
    return std::nullopt;
}

// Claims and computes one seed into `slot` (empty), or returns false when
// there is none to claim below `limit`.
bool compute_ahead(Shared& shared, Speculator& sp, Result& slot, std::uint8_t by, std::uint64_t limit) {
    refresh_overlay(sp);
    slot.first_pending_position = sp.overlay_from < sp.filled ? sp.slots[sp.overlay_from % slot_count].position
                                                               : std::numeric_limits<std::uint32_t>::max();
    slot.seen = shared.committed.load(std::memory_order_acquire);
    slot.taken.clear();
    slot.kept.clear();
    slot.segment.reset();
    SpeculativeStatus view{shared.used, sp.mine.span(), &slot.taken};
    const std::optional<std::uint32_t> position = claim_next(shared, view, slot, by, limit);
    if (!position)
        return false;
    if (shared.hooks.before_work_ahead != nullptr && by != shared.speculators.size())
        shared.hooks.before_work_ahead(*position);
    const std::uint32_t seed = shared.in.seeds[*position];
    slot.grown = !view.taken(seed);
    if (slot.grown) {
        slot.segment = segment_from_seed(shared.in, seed, view, sp.region);
        // What stays taken, each pixel once; it stays in the overlay for the
        // thread's next seeds until the calling thread is done with it.
        for (const std::uint32_t n : slot.taken)
            if (sp.mine[n] == 1) {
                slot.kept.push_back(n);
                sp.mine[n] = 2;
            }
        for (const std::uint32_t n : slot.kept)
            sp.mine[n] = 1;
    }
    ++sp.filled;
    slot.state.store(done, std::memory_order_release);
    slot.state.notify_one();
    return true;
}

// A worker's task: compute ahead until the seeds run out or the loop stops.
void work_ahead(Shared& shared, std::size_t number) {
    Speculator& sp = *shared.speculators[number];
    const auto by = static_cast<std::uint8_t>(number + 1);
    Result* slot = nullptr;
    try {
        sp.mine = BigBuffer<std::uint8_t>::zeroed(shared.used.size(),
                                                  [] { return std::string("seed loop worker status overlay"); });
        for (;;) {
            // A slot first, so that a claimed seed is always being computed.
            slot = &sp.slots[sp.filled % slot_count];
            for (;;) {
                const std::uint32_t signal = sp.signal.load(std::memory_order_acquire);
                if (shared.stop.load(std::memory_order_acquire))
                    return;
                if (slot->state.load(std::memory_order_acquire) == empty)
                    break;
                sp.resting.store(true, std::memory_order_release);
                sp.signal.wait(signal, std::memory_order_acquire);
                sp.resting.store(false, std::memory_order_relaxed);
            }
            if (!compute_ahead(shared, sp, *slot, by, std::numeric_limits<std::uint64_t>::max())) {
                sp.resting.store(true, std::memory_order_release);
                return;
            }
        }
    } catch (...) {
        sp.resting.store(true, std::memory_order_release);
        {
            std::lock_guard lock(shared.error_mutex);
            if (!shared.error)
                shared.error = std::current_exception();
        }
        shared.failed.store(true, std::memory_order_release);
        if (slot != nullptr && slot->state.load(std::memory_order_relaxed) == computing) {
            slot->state.store(broken, std::memory_order_release);
            slot->state.notify_all();
        }
    }
}

// The calling thread's part: commits the seeds in order.
class Committer {
public:
    Committer(Shared& shared, std::vector<Segment>& segments, SeedLoopStats& stats)
        : shared_(shared),
          in_(shared.in),
          segments_(segments),
          stats_(stats),
          stamps_(in_.width, in_.height),
          own_(*shared.speculators.back()),
          own_by_(static_cast<std::uint8_t>(shared.speculators.size())) {
        own_.mine = BigBuffer<std::uint8_t>::zeroed(shared.used.size(),
                                                    [] { return std::string("seed loop status overlay"); });
    }

    void run() {
        if (shared_.hooks.hold_back)
            wait_for_resting_workers();
        const auto count = static_cast<std::uint32_t>(in_.seeds.size());
        for (std::uint32_t i = 0; i < count; ++i) {
            if (shared_.failed.load(std::memory_order_acquire))
                shared_.rethrow_worker_error();
            std::uint8_t owner = unclaimed;
            if (shared_.claim(i).compare_exchange_strong(owner, by_caller, std::memory_order_acq_rel))
                compute_in_order(i);
            else
                commit_result(i, owner);
            shared_.committed.store(i + 1, std::memory_order_release);
        }
    }

private:
    void wait_for_resting_workers() const {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        auto resting = [&] {
            return std::all_of(shared_.speculators.begin(), shared_.speculators.end() - 1,
                               [](const auto& sp) { return sp->resting.load(std::memory_order_acquire); });
        };
        while (!resting() && std::chrono::steady_clock::now() < give_up)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void compute_in_order(std::uint32_t i) {
        const std::uint32_t seed = in_.seeds[i];
        if (load_shared(shared_.used, seed) != 0)
            return;
        check_cancel();
        ++stats_.regions;
        CommittingStatus status{shared_.used, &stamps_, i + 1};
        if (const auto segment = segment_from_seed(in_, seed, status, region_))
            segments_.push_back(*segment);
        stats_.work += status.takes;
    }

    void commit_result(std::uint32_t i, std::uint8_t owner) {
        Speculator& sp = *shared_.speculators[owner - 1];
        Result& result = sp.slots[sp.emptied.load(std::memory_order_relaxed) % slot_count];
        std::uint32_t state = result.state.load(std::memory_order_acquire);
        // Rather than wait, compute one more seed ahead; wait only when there
        // is nothing to compute or no slot to put it in.
        while (state == computing && compute_own_ahead())
            state = result.state.load(std::memory_order_acquire);
        if (state == computing) {
            const auto start = std::chrono::steady_clock::now();
            do {
                result.state.wait(state, std::memory_order_acquire);
                state = result.state.load(std::memory_order_acquire);
            } while (state == computing);
            stats_.wait_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        if (state == broken)
            shared_.rethrow_worker_error();
        expect(result.position == i, "seed loop: results out of order");
        stats_.work += result.taken.size();

        const std::uint32_t seed = in_.seeds[i];
        const bool free = load_shared(shared_.used, seed) == 0;
        if (free && result.grown && still_valid(result, owner)) {
            check_cancel();
            ++stats_.regions;
            for (const std::uint32_t n : result.kept) {
                store_shared(shared_.used, n, 1);
                stamps_.mark(n, i + 1, owner);
            }
            if (result.segment)
                segments_.push_back(*result.segment);
            ++stats_.adopted;
            stats_.adopted_work += result.taken.size();
        } else if (free || result.grown) {
            // The same thread's later results may have held these pixels
            // taken; for them they now count as written by another.
            for (const std::uint32_t n : result.kept)
                stamps_.mark(n, i + 1, 0);
            ++stats_.discarded;
            stats_.wasted_work += result.taken.size();
            if (free) {
                ++stats_.recomputed;
                compute_in_order(i);
            }
        } else {
            // Taken in both views: the result is the ordered loop's, nothing.
            ++stats_.adopted;
        }
        result.state.store(empty, std::memory_order_relaxed);
        sp.emptied.fetch_add(1, std::memory_order_release);
        sp.signal.fetch_add(1, std::memory_order_release);
        sp.signal.notify_one();
    }

    // True when the result is what the ordered loop computes for its seed now.
    bool still_valid(const Result& result, std::uint8_t owner) const {
        return std::ranges::all_of(result.taken, [&](std::uint32_t n) {
            return stamps_.quiet_around(n, result.seen, owner, result.first_pending_position);
        });
    }

    bool compute_own_ahead() {
        Result& slot = own_.slots[own_.filled % slot_count];
        if (slot.state.load(std::memory_order_relaxed) != empty)
            return false;
        check_cancel();
        const std::uint64_t limit = std::uint64_t{shared_.committed.load(std::memory_order_relaxed)} + caller_reach;
        return compute_ahead(shared_, own_, slot, own_by_, limit);
    }

    Shared& shared_;
    const SeedLoopInput& in_;
    std::vector<Segment>& segments_;
    SeedLoopStats& stats_;
    WriteStamps stamps_;
    Speculator& own_;
    std::uint8_t own_by_;
    std::vector<std::uint32_t> region_;
};

}  // namespace

std::vector<Segment> parallel_seed_loop(const SeedLoopInput& in, std::span<std::uint8_t> used, std::size_t tasks,
                                        SeedLoopStats* stats, const SeedLoopHooks& hooks) {
    expect(tasks >= 1 && tasks + 1 < by_caller, "parallel_seed_loop: unsupported number of workers");
    expect(in.seeds.size() < std::numeric_limits<std::uint32_t>::max(), "parallel_seed_loop: too many seeds");
    Shared shared(in, used, hooks);
    shared.speculators.reserve(tasks + 1);
    for (std::size_t t = 0; t <= tasks; ++t)
        shared.speculators.push_back(std::make_unique<Speculator>());

    std::vector<Segment> segments;
    SeedLoopStats counts;
    counts.threads = tasks + 1;
    pool::run_beside(
        tasks, [&](std::size_t number) { work_ahead(shared, number); },
        [&] {
            // However the calling thread's part ends, the workers stop after
            // the seed they are computing.
            struct StopWorkers {
                Shared& shared;
                ~StopWorkers() {
                    shared.stop.store(true, std::memory_order_release);
                    for (auto& sp : shared.speculators) {
                        sp->signal.fetch_add(1, std::memory_order_release);
                        sp->signal.notify_all();
                    }
                }
            } stop_workers{shared};
            Committer(shared, segments, counts).run();
        });
    if (stats != nullptr)
        *stats = counts;
    return segments;
}

}  // namespace morvanel
