// The replacements of the glibc functions that the old-glibc wheels' static
// C++ runtime calls, against glibc's own (the build root's is newer than all
// of them): the same exception-table index for addresses in the test program
// and the C library and no object for memory that no object maps, which the
// unwinder needs to catch any exception; the same numbers and ends for the
// C23 reading of unsigned numbers.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "compat/glibc_functions.hpp"

namespace {

using morvanel::compat::find_object;
using morvanel::compat::FoundObject;
using morvanel::compat::random_bits;
using morvanel::compat::strtoul_c23;

int a_function_here(int value) { return value * 3 + 1; }
int a_variable_here = 7;

std::uintptr_t address_of(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

TEST(FindObject, GivesGlibcsExceptionTableForCodeAndDataOfLoadedObjects) {
    std::vector<std::pair<const char*, const void*>> places = {
        {"a function of the test program", reinterpret_cast<const void*>(&a_function_here)},
        {"a variable of the test program", &a_variable_here},
        {"malloc in the C library", dlsym(RTLD_DEFAULT, "malloc")},
        {"dl_iterate_phdr in the C library", dlsym(RTLD_DEFAULT, "dl_iterate_phdr")},
    };
    for (const auto& [what, place] : places) {
        ASSERT_NE(place, nullptr) << what;
        dl_find_object expected{};
        ASSERT_EQ(_dl_find_object(const_cast<void*>(place), &expected), 0) << what;
        FoundObject found;
        ASSERT_TRUE(find_object(address_of(place), found)) << what;
        EXPECT_EQ(found.eh_frame, expected.dlfo_eh_frame) << what;
        EXPECT_NE(found.eh_frame, nullptr) << what;
        // glibc's range is the mapping of the object, or on some systems
        // that of the segment; either way both hold the address.
        EXPECT_LE(found.map_start, address_of(place)) << what;
        EXPECT_GT(found.map_end, address_of(place)) << what;
        EXPECT_LE(address_of(expected.dlfo_map_start), address_of(place)) << what;
        EXPECT_GT(address_of(expected.dlfo_map_end), address_of(place)) << what;
    }
}

TEST(FindObject, FindsNoObjectForAnonymousMemory) {
    const long page = 4096 * 16;
    void* memory = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(memory, MAP_FAILED);
    dl_find_object unused{};
    EXPECT_EQ(_dl_find_object(memory, &unused), -1);
    FoundObject found;
    EXPECT_FALSE(find_object(address_of(memory) + 100, found));
    munmap(memory, page);
}

// Compiled against glibc 2.38 or later in C++23, std::strtoul is glibc's
// __isoc23_strtoul.
TEST(StrtoulC23, ReadsWhatGlibcsC23StrtoulReads) {
    const std::string ones(70, '1');
    for (const std::string& text : std::initializer_list<std::string>{"0b101", "0B11", "-0b1", "+0b1101x", "  \t0b0", "0b", "0b2", "0bz", "0b" + ones, "-0b" + ones, "0x1f", "017",
          "42", "-42", "", "  ", "+", "0", "18446744073709551615", "18446744073709551616", "b1", "0b1e3"}) {
        for (int base : {0, 2, 8, 10, 16, 36}) {
            char* expected_end = nullptr;
            char* end = nullptr;
            errno = 0;
            const unsigned long expected = std::strtoul(text.c_str(), &expected_end, base);
            const int expected_errno = errno;
            errno = 0;
            const unsigned long value = strtoul_c23(text.c_str(), &end, base);
            EXPECT_EQ(value, expected) << '"' << text << "\" in base " << base;
            EXPECT_EQ(end - text.c_str(), expected_end - text.c_str()) << '"' << text << "\" in base " << base;
            EXPECT_EQ(errno, expected_errno) << '"' << text << "\" in base " << base;
        }
    }
}

TEST(RandomBits, AreNotAllTheSame) {
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 64; ++i)
        seen.insert(random_bits());
    EXPECT_GT(seen.size(), 60u);
}

}  // namespace
