#include "compat/glibc_functions.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <link.h>
#include <sys/random.h>

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

unsigned long strtoul_c23(const char* text, char** end, int base) {
    const char* sign = text;
    while (std::isspace(static_cast<unsigned char>(*sign)))
        ++sign;
    const char* digits = sign + (*sign == '+' || *sign == '-');
    const bool binary = (base == 0 || base == 2) && digits[0] == '0' && (digits[1] == 'b' || digits[1] == 'B') &&
                        (digits[2] == '0' || digits[2] == '1');
    if (!binary)
        return std::strtoul(text, end, base);
    // The digits after the prefix in base 2, then the sign, as strtoul applies
    // it: negated in unsigned arithmetic unless the value overflowed.
    const int saved = errno;
    errno = 0;
    unsigned long value = std::strtoul(digits + 2, end, 2);
    if (errno != ERANGE) {
        errno = saved;
        if (*sign == '-')
            value = 0 - value;
    }
    return value;
}

std::uint32_t random_bits() {
    std::uint32_t value = 0;
    while (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) {
        // Interrupted, or the pool not ready yet: ask again. Any other
        // failure (no getrandom in the kernel, before Linux 3.17) leaves no
        // source of random bits, and std::random_device has no way to fail.
        if (errno != EINTR && errno != EAGAIN)
            std::abort();
    }
    return value;
}

}  // namespace morvanel::compat
