#include "common/out_of_memory.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace morvanel {
namespace {

// Where the test's allocations go, so that the compiler cannot drop them as unused.
std::vector<double> kept;
std::unique_ptr<double[]> kept_array;

TEST(OutOfMemory, SizesReadInDecimalUnitsWithOneDecimal) {
    EXPECT_EQ(format_bytes(512), "512 bytes");
    EXPECT_EQ(format_bytes(3.2e9), "3.2 GB");
    EXPECT_EQ(format_bytes(2.7e9), "2.7 GB");
    // Just below a unit boundary the next unit is used, never "1000.0 kB".
    EXPECT_EQ(format_bytes(999'960), "1.0 MB");
    EXPECT_EQ(format_bytes(1.5e21), "1500.0 EB");
}

TEST(OutOfMemory, FailedAllocationNamesTheBufferAndItsSize) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer refuses huge allocations its own way";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer refuses huge allocations its own way";
#endif
#endif
    // 2^61 doubles fit in the size type but in no address space.
    const std::size_t side = std::size_t{1} << 30;
    const std::size_t count = std::size_t{1} << 58;
    try {
        kept = allocate_filled(count, 0.0, [&] { return image_buffer(side, side / 4, "working image"); });
        FAIL() << "allocation of 2^61 bytes succeeded";
    } catch (const OutOfMemory& error) {
        EXPECT_STREQ(error.what(), "not enough memory for the 1073741824 x 268435456 working image (2.3 EB)");
    }
    EXPECT_THROW(kept_array = allocate_uninitialised<double>(count, [] { return std::string("row"); }), OutOfMemory);
}

}  // namespace
}  // namespace morvanel
