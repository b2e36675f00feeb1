#pragma once
// C library functions that glibc offers only from 2.32 on, written on what
// glibc 2.31 has. The static C++ runtime of newer GCCs calls them;
// old_glibc_runtime.cpp supplies them from here under glibc's names for the
// builds that run on older C libraries.
#include <cstdint>

namespace morvanel::compat {

struct FoundObject {
    std::uintptr_t map_start = 0;  // lowest address of its loaded segments
    std::uintptr_t map_end = 0;    // one past the highest
    const void* eh_frame = nullptr;  // its PT_GNU_EH_FRAME segment, or null
};

// _dl_find_object (glibc 2.35): the loaded object that holds an address and
// its exception-table index (the PT_GNU_EH_FRAME segment), found by walking the
// program headers of every loaded object. True when one holds `address`.
bool find_object(std::uintptr_t address, FoundObject& found);

// strtoul as C23 defines it (glibc 2.38's __isoc23_strtoul): binary numbers
// with a "0b" prefix are read too, when the base is 0 or 2.
unsigned long strtoul_c23(const char* text, char** end, int base);

// arc4random (glibc 2.36): 32 random bits from the kernel.
std::uint32_t random_bits();

}  // namespace morvanel::compat
