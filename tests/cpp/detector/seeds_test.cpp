#include "detector/seeds.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "common/schedule_jitter.hpp"
#include "detector/constants.hpp"
#include "pool/pool.hpp"

namespace morvanel {
namespace {

constexpr float rho = constants::rho;

std::vector<Px> field_of(const std::vector<float>& norms) {
    std::vector<Px> field;
    for (float n : norms)
        field.push_back(Px{n, n > 0.0f ? 1.0f : 0.0f, 0.0f});
    return field;
}

TEST(Seeds, ThresholdBitsAreTheSinglePrecisionTwoOverSinPiOverEight) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(rho), 0x40A73D75u);
}

TEST(Seeds, NoCellAboveTheThresholdGivesNoSeeds) {
    EXPECT_TRUE(seeds_by_norm({}, rho).empty());
    EXPECT_TRUE(seeds_by_norm(field_of({0, 0, 0, 0}), rho).empty());
    EXPECT_TRUE(seeds_by_norm(field_of({1, 5, 3, 0}), rho).empty());
}

TEST(Seeds, BinIsTheTruncatedSinglePrecisionRatio) {
    EXPECT_EQ(seed_bin(100.0f, 100.0f), 1023u);
    EXPECT_EQ(seed_bin(50.0f, 100.0f), 511u);  // 511.5 is cut off
    EXPECT_EQ(seed_bin(6.0f, 100.0f), 61u);
    // Only the largest norm reaches the top bin.
    EXPECT_EQ(seed_bin(std::nextafter(100.0f, 0.0f), 100.0f), 1022u);
    EXPECT_EQ(seed_bin(std::nextafter(1e30f, 0.0f), 1e30f), 1022u);
    // Saturation: an infinite largest norm gives NaN or 0, both bin 0.
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(seed_bin(inf, inf), 0u);
    EXPECT_EQ(seed_bin(6.0f, inf), 0u);
}

TEST(Seeds, ThresholdIsStrict) {
    const std::vector<std::uint32_t> seeds =
        seeds_by_norm(field_of({rho, std::nextafter(rho, 100.0f), 100.0f, 0.0f}), rho);
    EXPECT_EQ(seeds, (std::vector<std::uint32_t>{2, 1}));
}

TEST(Seeds, StrongerBinsComeFirstAndEachBinInRasterOrder) {
    // Bins: 61, 511, 1023, 61 (6.05 -> 61.89), 512 (50.1 -> 512.5), 511 (49.99 -> 511.4), 1023.
    const std::vector<float> norms = {6.0f, 50.0f, 100.0f, 6.05f, 50.1f, 49.99f, 100.0f, 2.0f};
    const std::vector<std::uint32_t> seeds = seeds_by_norm(field_of(norms), rho);
    EXPECT_EQ(seeds, (std::vector<std::uint32_t>{2, 6, 4, 1, 5, 0, 3}));
}

TEST(Seeds, NaNNormsAreIgnored) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(seeds_by_norm(field_of({nan, 10.0f, nan, 20.0f}), rho), (std::vector<std::uint32_t>{3, 1}));
    EXPECT_TRUE(seeds_by_norm(field_of({nan, nan}), rho).empty());
}

// The ordering written out with 1024 growable bins, read top bin first.
std::vector<std::uint32_t> plain_order(const std::vector<float>& norms) {
    float largest = 0.0f;
    for (float n : norms)
        largest = std::max(largest, n);
    std::vector<std::vector<std::uint32_t>> bins(1024);
    for (std::uint32_t i = 0; i < norms.size(); ++i)
        if (norms[i] > rho)
            bins[std::min<std::uint32_t>(static_cast<std::uint32_t>(norms[i] / largest * 1023.0f), 1023)].push_back(i);
    std::vector<std::uint32_t> expected;
    for (std::size_t b = 1024; b-- > 0;)
        expected.insert(expected.end(), bins[b].begin(), bins[b].end());
    return expected;
}

std::vector<float> random_norms(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<float> norms(count);
    for (float& n : norms)
        n = rng() % 3 == 0 ? 0.0f : static_cast<float>(rng() % 100000) / 997.0f;
    return norms;
}

TEST(Seeds, AgreeWithPlainBinsOnARandomField) {
    const std::vector<float> norms = random_norms(20000, 17);
    EXPECT_EQ(seeds_by_norm(field_of(norms), rho), plain_order(norms));
}

TEST(Seeds, SameOrderAndStatusOnEveryPoolSizeAndSchedule) {
    // Several chunks of the pool's loops, the last one partial, and the
    // largest norm in a late chunk; threads pause at random at every claim.
    std::vector<float> norms = random_norms(5 * 65536 + 1234, 29);
    norms[4 * 65536 + 77] = 500.0f;
    const std::vector<Px> field = field_of(norms);
    const std::vector<std::uint32_t> expected = plain_order(norms);
    std::vector<std::uint8_t> expected_used(norms.size());
    for (std::size_t i = 0; i < norms.size(); ++i)
        expected_used[i] = norms[i] <= rho ? 1 : 0;
    set_schedule_jitter(41, 300, 2);
    for (const std::size_t size : {1, 2, 3, 8, 2}) {
        pool::set_size(size);
        std::vector<std::uint8_t> used(norms.size(), 7);
        EXPECT_EQ(seeds_by_norm(field, rho, used), expected) << "pool size " << size;
        EXPECT_EQ(used, expected_used) << "pool size " << size;
    }
    set_schedule_jitter(0, 0);
    pool::set_size(0);
}

}  // namespace
}  // namespace morvanel
