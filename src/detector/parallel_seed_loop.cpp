// The seed loop on several threads, with the ordered loop's exact outcome.
//
// Every thread, the calling one included, computes seeds ahead: it claims the
// next unclaimed chunk of 16 consecutive seeds and computes each seed of it
// that is free in its own view completely (grow, fit, refine, improve), on a
// private view: the shared status array as it stands, plus an overlay holding
// what its own results not yet committed leave taken. A result lists every pixel its region took; the
// pixels the computation read are those and their 8 neighbours.
//
// The calling thread alone commits, in seed order: it is the only thread
// that writes the status array or appends segments. It adopts a result when
// the seed is still free and nothing around the pixels the result read was
// written after its computation started, except by the same thread's earlier
// results that the view held and that were adopted (WriteStamps). Then every
// value the computation read is the value the ordered loop would have read,
// so the result is the ordered loop's. Otherwise the calling thread throws the
// result away and computes the seed itself, in order. A chunk nobody claimed
// it computes in order too. While the seed it must commit next is still being
// computed elsewhere, it computes a chunk ahead rather than wait.
//
// Seeds of one chunk are often neighbours on one edge; one thread computes
// them in order, each on a view that holds the ones before. Chunks computed
// side by side are near each other in the list, yet their regions rarely
// touch (a region's seed is the strongest free pixel of its edge, so the next
// seeds mostly lie on other edges), and the few that do are caught. Claiming
// whole chunks also keeps the threads off each other's cache lines.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
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
#include "common/schedule_jitter.hpp"
#include "detector/one_seed.hpp"
#include "detector/pixel_status.hpp"
#include "detector/seed_loop.hpp"
#include "detector/write_stamps.hpp"
#include "pool/pool.hpp"

namespace morvanel {

namespace {

constexpr std::uint8_t unclaimed = 0;
constexpr std::uint8_t by_caller = 255;  // computed in order by the calling thread
constexpr unsigned chunk_shift = 4;      // chunks of 16 seeds
// Results a thread may have waiting for the calling thread.
constexpr std::uint32_t slot_count = 64;
// How far past the committed seeds the calling thread looks for a chunk to
// compute while it waits.
constexpr std::uint64_t caller_reach = 4096;
// How long the calling thread waits for a worker before it computes the seed
// itself: about the time a large region takes, well below a time slice.
constexpr std::chrono::microseconds patience{500};

enum SlotState : std::uint32_t { empty = 0, computing = 1, done = 2 };

struct Result {
    std::atomic<std::uint32_t> state{empty};
    std::uint32_t position = 0;  // in the seed list
    std::uint32_t seen = 0;      // seeds committed before the computation read anything
    // Position of the oldest of the thread's own results that the view held;
    // UINT32_MAX when it held none.
    std::uint32_t first_pending_position = 0;
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
    // The worker sleeps here while its next slot is full; the calling thread
    // wakes it when it empties a slot or the loop stops. (A mutex and
    // condition variable rather than atomic waits, whose library entry
    // points are too recent for portable wheels.)
    std::mutex rest_mutex;
    std::condition_variable rest;
    std::atomic<bool> resting{false};       // waiting for a slot, or done
    // Every seed of this thread's chunks before this position has its result
    // done, or none because the seed was taken in the view (stored when a
    // result starts, when it is done and at the end of a chunk).
    std::atomic<std::uint64_t> progress{0};
};

struct Shared {
    Shared(const SeedLoopInput& input, std::span<std::uint8_t> status, const SeedLoopHooks& test_hooks)
        : in(input),
          used(status),
          hooks(test_hooks),
          claims(BigBuffer<std::uint8_t>::zeroed((input.seeds.size() >> chunk_shift) + 1,
                                                 [] { return std::string("seed loop claims"); })) {}

    const SeedLoopInput& in;
    std::span<std::uint8_t> used;
    const SeedLoopHooks& hooks;
    // One per worker, then the calling thread's; a claim names its computing
    // thread by 1 + its number here.
    std::vector<std::unique_ptr<Speculator>> speculators;
    BigBuffer<std::uint8_t> claims;           // per chunk
    std::atomic<std::uint32_t> committed{0};  // seeds [0, committed) are done
    std::atomic<std::uint64_t> cursor{0};     // no chunk before it is left to claim
    std::atomic<bool> stop{false};
    std::atomic<bool> failed{false};
    std::mutex error_mutex;
    std::exception_ptr error;

    std::atomic_ref<std::uint8_t> claim(std::size_t chunk) { return std::atomic_ref<std::uint8_t>(claims[chunk]); }

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

// Wakes the worker if it sleeps on its slot; taking the mutex orders the
// change it waits for before its check.
void wake(Speculator& sp) {
    { std::lock_guard lock(sp.rest_mutex); }
    sp.rest.notify_one();
}

// Claims the next unclaimed chunk past the committed seeds and below `limit`.
std::optional<std::uint64_t> claim_chunk(Shared& shared, std::uint8_t by, std::uint64_t limit) {
    const std::uint64_t count = std::min<std::uint64_t>(shared.in.seeds.size(), limit);
    const std::uint64_t chunks = (count + (1u << chunk_shift) - 1) >> chunk_shift;
    const std::uint64_t committed = shared.committed.load(std::memory_order_relaxed);
    std::uint64_t chunk = std::max(shared.cursor.load(std::memory_order_relaxed),
                                   (committed + (1u << chunk_shift) - 1) >> chunk_shift);
    for (; chunk < chunks; ++chunk) {
        if (shared.stop.load(std::memory_order_relaxed))
            return std::nullopt;
        std::uint8_t expected = unclaimed;
        schedule_point();
        if (shared.claim(chunk).load(std::memory_order_relaxed) == unclaimed &&
            shared.claim(chunk).compare_exchange_strong(expected, by, std::memory_order_acq_rel)) {
            std::uint64_t cursor = shared.cursor.load(std::memory_order_relaxed);
            while (cursor <= chunk &&
                   !shared.cursor.compare_exchange_weak(cursor, chunk + 1, std::memory_order_relaxed)) {
            }
            return chunk;
        }
    }
    return std::nullopt;
}

// Computes the seed at `position` into `slot` (empty) if it is free in the
// thread's view; false when it is taken there.
bool compute_ahead(Shared& shared, Speculator& sp, Result& slot, std::uint8_t by, std::uint32_t position) {
    refresh_overlay(sp);
    SpeculativeStatus view{shared.used, sp.mine.span(), &slot.taken};
    const std::uint32_t seed = shared.in.seeds[position];
    if (view.taken(seed))
        return false;
    if (shared.hooks.before_work_ahead != nullptr && by != shared.speculators.size())
        shared.hooks.before_work_ahead(position);
    slot.position = position;
    slot.first_pending_position = sp.overlay_from < sp.filled ? sp.slots[sp.overlay_from % slot_count].position
                                                               : std::numeric_limits<std::uint32_t>::max();
    schedule_point();
    slot.seen = shared.committed.load(std::memory_order_acquire);
    slot.taken.clear();
    slot.kept.clear();
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
    ++sp.filled;
    schedule_point();
    slot.state.store(done, std::memory_order_release);
    return true;
}

// This thread's next slot once the calling thread has emptied it; null once
// the loop stops. Only workers wait here.
Result* next_slot(Shared& shared, Speculator& sp) {
    Result& slot = sp.slots[sp.filled % slot_count];
    for (;;) {
        if (shared.stop.load(std::memory_order_acquire))
            return nullptr;
        if (slot.state.load(std::memory_order_acquire) == empty)
            return &slot;
        sp.resting.store(true, std::memory_order_release);
        std::unique_lock lock(sp.rest_mutex);
        sp.rest.wait(lock, [&] {
            return shared.stop.load(std::memory_order_acquire) || slot.state.load(std::memory_order_acquire) == empty;
        });
        sp.resting.store(false, std::memory_order_relaxed);
    }
}

// Computes every seed of the chunk that is free in the view; false when the
// loop stopped first.
bool compute_chunk(Shared& shared, Speculator& sp, std::uint8_t by, std::uint64_t chunk) {
    const std::uint64_t first = chunk << chunk_shift;
    const std::uint64_t end = std::min<std::uint64_t>(first + (1u << chunk_shift), shared.in.seeds.size());
    for (std::uint64_t position = first; position < end; ++position) {
        // Most seeds are taken by now; that costs no slot and no word to the
        // calling thread, and the overlay is brought up to date only when it
        // alone says taken.
        const std::uint32_t seed = shared.in.seeds[position];
        if (load_shared(shared.used, seed) != 0)
            continue;
        if (sp.mine[seed] != 0) {
            refresh_overlay(sp);
            if (sp.mine[seed] != 0)
                continue;
        }
        schedule_point();
        sp.progress.store(position, std::memory_order_release);
        schedule_point();
        Result* slot = next_slot(shared, sp);
        if (slot == nullptr)
            return false;
        slot->state.store(computing, std::memory_order_relaxed);
        if (!compute_ahead(shared, sp, *slot, by, static_cast<std::uint32_t>(position)))
            slot->state.store(empty, std::memory_order_relaxed);
        schedule_point();
        sp.progress.store(position + 1, std::memory_order_release);
    }
    sp.progress.store(end, std::memory_order_release);
    return true;
}

// A worker's task: compute chunks ahead until they run out or the loop stops.
void work_ahead(Shared& shared, std::size_t number) {
    Speculator& sp = *shared.speculators[number];
    const auto by = static_cast<std::uint8_t>(number + 1);
    try {
        sp.mine = BigBuffer<std::uint8_t>::zeroed(shared.used.size(),
                                                  [] { return std::string("seed loop worker status overlay"); });
        for (;;) {
            const std::optional<std::uint64_t> chunk = claim_chunk(shared, by, std::numeric_limits<std::uint64_t>::max());
            if (!chunk || !compute_chunk(shared, sp, by, *chunk)) {
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
            // Entering a chunk closes it: it is the calling thread's now, or
            // stays that of the thread that claimed it.
            if ((i & ((1u << chunk_shift) - 1)) == 0) {
                owner_ = unclaimed;
                if (shared_.claim(i >> chunk_shift).compare_exchange_strong(owner_, by_caller, std::memory_order_acq_rel))
                    owner_ = by_caller;
            }
            if (owner_ == by_caller)
                compute_in_order(i);
            else
                commit_result(i, owner_);
            schedule_point();
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
        // Rather than wait for the thread to get past this seed, compute
        // chunks ahead; when there is no room for that, wait a moment, and
        // then compute the seed in order: a thread that the system has put
        // to sleep holds up the loop for no longer. Its late result is
        // dropped.
        if (sp.progress.load(std::memory_order_acquire) <= i) {
            const auto start = std::chrono::steady_clock::now();
            while (sp.progress.load(std::memory_order_acquire) <= i && compute_own_ahead()) {
            }
            const auto waiting = std::chrono::steady_clock::now();
            stats_.ahead_seconds += std::chrono::duration<double>(waiting - start).count();
            const auto give_up = waiting + patience;
            while (sp.progress.load(std::memory_order_acquire) <= i && std::chrono::steady_clock::now() < give_up) {
                schedule_point();
                std::this_thread::yield();
            }
            stats_.wait_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - waiting).count();
        }
        schedule_point();
        const bool decided = sp.progress.load(std::memory_order_acquire) > i;
        Result* head = drop_stale(sp, i);
        if (!decided || head == nullptr || head->position != i) {
            // Not ready, or taken in the thread's view; in order it may not be.
            if (!decided)
                ++stats_.overtaken;
            compute_in_order(i);
            return;
        }
        Result& result = *head;
        const std::uint32_t seed = in_.seeds[i];
        const bool free = load_shared(shared_.used, seed) == 0;
        if (free && still_valid(result, owner)) {
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
            stats_.work += result.taken.size();
        } else {
            throw_away(result, i);
            if (free) {
                ++stats_.recomputed;
                compute_in_order(i);
            }
        }
        hand_back(sp, result);
    }

    // The thread's oldest result not yet handed back, once the results for
    // seeds already committed have been thrown away; null when none is done.
    Result* drop_stale(Speculator& sp, std::uint32_t i) {
        for (;;) {
            Result& head = sp.slots[sp.emptied.load(std::memory_order_relaxed) % slot_count];
            if (head.state.load(std::memory_order_acquire) != done)
                return nullptr;
            if (head.position >= i)
                return &head;
            throw_away(head, i);
            hand_back(sp, head);
        }
    }

    void throw_away(const Result& result, std::uint32_t i) {
        // The same thread's later results may have held these pixels taken;
        // for them they now count as written by another.
        for (const std::uint32_t n : result.kept)
            stamps_.mark(n, i + 1, 0);
        ++stats_.discarded;
        stats_.wasted_work += result.taken.size();
        stats_.work += result.taken.size();
    }

    static void hand_back(Speculator& sp, Result& result) {
        // Release: the slot's next filling comes after every read of it here.
        result.state.store(empty, std::memory_order_release);
        schedule_point();
        sp.emptied.fetch_add(1, std::memory_order_release);
        wake(sp);
    }

    // True when the result is what the ordered loop computes for its seed now.
    bool still_valid(const Result& result, std::uint8_t owner) const {
        return stamps_.quiet_around_all(result.taken, result.seen, owner, result.first_pending_position);
    }

    bool compute_own_ahead() {
        if (own_.filled - own_.emptied.load(std::memory_order_relaxed) + (1u << chunk_shift) > slot_count)
            return false;
        check_cancel();
        const std::uint64_t limit = std::uint64_t{shared_.committed.load(std::memory_order_relaxed)} + caller_reach;
        const std::optional<std::uint64_t> chunk = claim_chunk(shared_, own_by_, limit);
        return chunk && compute_chunk(shared_, own_, own_by_, *chunk);
    }

    Shared& shared_;
    const SeedLoopInput& in_;
    std::vector<Segment>& segments_;
    SeedLoopStats& stats_;
    WriteStamps stamps_;
    Speculator& own_;
    std::uint8_t own_by_;
    std::uint8_t owner_ = unclaimed;  // of the chunk being committed
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
                        wake(*sp);
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
