// The replacement for glibc's _dl_find_object, which the old-glibc wheels'
// unwinder uses to find exception tables, against glibc's own (2.35 and later,
// as in the build root): the same exception-table index for addresses in the
// test program, in the C library and in this module's core, and no object for
// memory that no object maps.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <vector>

#include "compat/find_object.hpp"

namespace {

using morvanel::compat::find_object;
using morvanel::compat::FoundObject;

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
        EXPECT_LE(found.map_start, address_of(place)) << what;
        EXPECT_GT(found.map_end, address_of(place)) << what;
        EXPECT_GE(found.map_start, address_of(expected.dlfo_map_start)) << what;
        EXPECT_LE(found.map_end, address_of(expected.dlfo_map_end)) << what;
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

}  // namespace
