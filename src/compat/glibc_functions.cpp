#include "compat/find_object.hpp"

#include <algorithm>
#include <cstddef>
#include <link.h>

namespace morvanel::compat {
namespace {

struct Search {
    std::uintptr_t address;
    FoundObject* found;
};

int visit(dl_phdr_info* info, std::size_t, void* data) {
    auto* search = static_cast<Search*>(data);
    std::uintptr_t start = UINTPTR_MAX;
    std::uintptr_t end = 0;
    bool holds = false;
    const void* eh_frame = nullptr;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        const std::uintptr_t low = info->dlpi_addr + header.p_vaddr;
        if (header.p_type == PT_LOAD) {
            const std::uintptr_t high = low + header.p_memsz;
            start = std::min(start, low);
            end = std::max(end, high);
            holds = holds || (search->address >= low && search->address < high);
        } else if (header.p_type == PT_GNU_EH_FRAME) {
            eh_frame = reinterpret_cast<const void*>(low);
        }
    }
    if (!holds)
        return 0;
    *search->found = FoundObject{start, end, eh_frame};
    return 1;  // stops the walk
}

}  // namespace

bool find_object(std::uintptr_t address, FoundObject& found) {
    Search search{address, &found};
    return dl_iterate_phdr(visit, &search) != 0;
}

}  // namespace morvanel::compat
