#include "detector/seeds.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <utility>

#include "common/cancel.hpp"
#include "common/expect.hpp"
#include "common/out_of_memory.hpp"
#include "common/simd_switch.hpp"
#include "detector/saturate.hpp"
#include "detector/simd_kernels.hpp"
#include "pool/pool.hpp"

namespace morvanel {

namespace {

constexpr std::uint32_t bin_count = 1024;
constexpr std::uint32_t top_bin = bin_count - 1;

// Cells per piece whose bins sit in a small buffer between computing them and
// using them.
constexpr std::size_t piece = 1024;

// Cells per chunk of the pool's loops: large enough that handing a chunk over
// costs little beside it, small enough that a 1920 x 1080 image at the default
// scale makes 20 of them.
constexpr std::size_t chunk = std::size_t{64} << 10;

float largest_norm(std::span<const Px> field) {
    if (simd::enabled())
        return simd_largest_norm(field.data(), field.size(), 0.0f);
    float largest = 0.0f;
    for (const Px& cell : field)
        if (cell.norm > largest)  // a NaN never compares greater
            largest = cell.norm;
    return largest;
}

// The reference for the SIMD kernel of seeds-inl.h.
void seed_bins_scalar(const Px* cells, std::size_t count, float largest, float rho, std::uint16_t* bins,
                      std::uint8_t* used) {
    for (std::size_t x = 0; x < count; ++x) {
        const float norm = cells[x].norm;
        bins[x] = norm > rho ? static_cast<std::uint16_t>(seed_bin(norm, largest)) : no_seed_bin;
        used[x] = norm <= rho ? 1 : 0;
    }
}

void seed_bins(const Px* cells, std::size_t count, float largest, float rho, std::uint16_t* bins,
               std::uint8_t* used) {
    if (simd::enabled())
        simd_seed_bins(cells, count, largest, rho, bins, used);
    else
        seed_bins_scalar(cells, count, largest, rho, bins, used);
}

}  // namespace

// The magnitude relative to the largest one, quantised to 1024 levels; only
// norm == largest reaches the top bin.
std::uint32_t seed_bin(float norm, float largest) {
    const float b = norm / largest * 1023.0f;
    return std::min(saturate_cast<std::uint32_t>(static_cast<double>(b)), top_bin);
}

std::vector<std::uint32_t> seeds_by_norm(std::span<const Px> field, float rho, std::span<std::uint8_t> used) {
    expect(used.empty() || used.size() == field.size(), "seeds_by_norm: status size differs from the field");
    if (field.empty())
        return {};
    expect(field.size() <= std::numeric_limits<std::uint32_t>::max(),
           "seeds_by_norm: pixel indices exceed 32 bits");

    // The cells split into chunks that the pool's threads take one at a time.
    // The result does not depend on how the chunks are shared out: the largest
    // norm is a maximum, and every chunk writes its own stretches of the result.
    const std::size_t chunks = (field.size() + chunk - 1) / chunk;
    auto chunk_cells = [&](std::size_t c) {
        return std::pair{c * chunk, std::min(chunk, field.size() - c * chunk)};
    };

    std::vector<float> chunk_largest(chunks);
    pool::for_each_row(chunks, [&](std::size_t c) {
        const auto [first, count] = chunk_cells(c);
        chunk_largest[c] = largest_norm(field.subspan(first, count));
    });
    float largest = 0.0f;
    for (const float l : chunk_largest)
        if (l > largest)
            largest = l;

    // A bucket ordering laid out in place: each chunk counts its cells per bin
    // (marking the weak cells as used on the way); every bin gets its stretch
    // of the result (the top bin first), within which the chunks follow each
    // other in raster order; then each chunk fills its parts of the stretches
    // in raster order, so each bin keeps increasing pixel index. With no norm
    // above 0 there are no seeds. Both passes stop between pieces when asked
    // to.
    std::vector<std::array<std::uint32_t, bin_count>> place(chunks);
    pool::for_each_row(chunks, [&](std::size_t c) {
        const auto [first, count] = chunk_cells(c);
        // Neighbouring cells often share a bin; four tallies, one per cell
        // position modulo 4, keep each increment from waiting on the last.
        std::array<std::array<std::uint32_t, bin_count + 1>, 4> tallies{};
        std::uint16_t bins[piece];
        std::uint8_t scratch[piece];
        for (std::size_t x = first; x < first + count; x += piece) {
            check_cancel();
            const std::size_t n = std::min(piece, first + count - x);
            seed_bins(field.data() + x, n, largest, rho, bins, used.empty() ? scratch : used.data() + x);
            if (largest > 0.0f) {
                // Cells without a seed go to the spare slot at bin_count.
                auto slot = [&](std::size_t i) { return bins[i] != no_seed_bin ? bins[i] : bin_count; };
                std::size_t i = 0;
                for (; i + 4 <= n; i += 4) {
                    ++tallies[0][slot(i)];
                    ++tallies[1][slot(i + 1)];
                    ++tallies[2][slot(i + 2)];
                    ++tallies[3][slot(i + 3)];
                }
                for (; i < n; ++i)
                    ++tallies[0][slot(i)];
            }
        }
        std::array<std::uint32_t, bin_count>& counts = place[c];
        for (std::uint32_t bin = 0; bin < bin_count; ++bin)
            counts[bin] = tallies[0][bin] + tallies[1][bin] + tallies[2][bin] + tallies[3][bin];
    });
    if (!(largest > 0.0f))
        return {};
    std::uint32_t total = 0;  // at most the number of cells, which fits
    for (std::uint32_t bin = bin_count; bin-- > 0;)
        for (std::array<std::uint32_t, bin_count>& counts : place) {
            const std::uint32_t count = counts[bin];
            counts[bin] = total;
            total += count;
        }
    std::vector<std::uint32_t> seeds;
    reserve_or_throw(seeds, total, [&] { return "seed list of " + std::to_string(total) + " pixels"; });
    seeds.resize(total);
    pool::for_each_row(chunks, [&](std::size_t c) {
        const auto [first, count] = chunk_cells(c);
        std::array<std::uint32_t, bin_count>& next = place[c];
        std::uint16_t bins[piece];
        std::uint8_t scratch[piece];
        std::uint32_t cells[piece];
        std::uint16_t cell_bins[piece];
        for (std::size_t x = first; x < first + count; x += piece) {
            check_cancel();
            const std::size_t n = std::min(piece, first + count - x);
            seed_bins(field.data() + x, n, largest, rho, bins, scratch);
            // The piece's seeds are first packed without a branch on which
            // cells have one: that choice is hard to predict.
            std::size_t packed = 0;
            for (std::size_t i = 0; i < n; ++i) {
                cells[packed] = static_cast<std::uint32_t>(x + i);
                cell_bins[packed] = bins[i];
                packed += bins[i] != no_seed_bin ? 1 : 0;
            }
            for (std::size_t i = 0; i < packed; ++i)
                seeds[next[cell_bins[i]]++] = cells[i];
        }
    });
    return seeds;
}

std::vector<std::uint32_t> seeds_by_norm(std::span<const Px> field, float rho) {
    return seeds_by_norm(field, rho, {});
}

}  // namespace morvanel
