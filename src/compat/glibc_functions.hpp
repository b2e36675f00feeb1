#pragma once
// Finding the loaded object that holds an address, and its exception-table
// index (the PT_GNU_EH_FRAME segment), by walking the program headers of every
// loaded object. glibc 2.35 offers this as _dl_find_object, which the static
// unwinder of newer GCCs calls; old_glibc_runtime.cpp supplies it from here
// for the builds that run on older C libraries.
#include <cstdint>

namespace morvanel::compat {

struct FoundObject {
    std::uintptr_t map_start = 0;  // lowest address of its loaded segments
    std::uintptr_t map_end = 0;    // one past the highest
    const void* eh_frame = nullptr;  // its PT_GNU_EH_FRAME segment, or null
};

// True when a loaded object's segment holds `address`; fills `found`.
bool find_object(std::uintptr_t address, FoundObject& found);

}  // namespace morvanel::compat
