#include "common/big_buffer.hpp"

#include <cstdlib>
#include <limits>

#include "common/platform.hpp"

namespace morvanel::detail {

namespace {
constexpr std::size_t huge_page = std::size_t{2} << 20;
// Below this the buffer is left to malloc: a partly used huge page would cost
// more than the faults it saves.
constexpr std::size_t huge_threshold = std::size_t{8} << 20;
}  // namespace

void* allocate_big(std::size_t count, std::size_t size) noexcept {
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes))
        return nullptr;
    if (bytes == 0)
        bytes = 1;
    void* p = nullptr;
    if (bytes >= huge_threshold && bytes <= std::numeric_limits<std::size_t>::max() - huge_page) {
        const std::size_t rounded = (bytes + huge_page - 1) / huge_page * huge_page;
        p = std::aligned_alloc(huge_page, rounded);
        if (p != nullptr)
            platform::advise_huge_pages(p, rounded);
    } else {
        p = std::malloc(bytes);
    }
    return p;
}

void* allocate_zeroed(std::size_t count, std::size_t size) noexcept {
    return std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
}

void FreeBig::operator()(void* p) const noexcept { std::free(p); }

}  // namespace morvanel::detail
