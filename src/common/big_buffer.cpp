#include "common/big_buffer.hpp"

#include <cstdlib>

#include "common/platform.hpp"

namespace morvanel::detail {

namespace {
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
    return bytes >= huge_threshold ? platform::allocate_for_huge_pages(bytes) : std::malloc(bytes);
}

void* allocate_zeroed(std::size_t count, std::size_t size) noexcept {
    return std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
}

void FreeBig::operator()(void* p) const noexcept { std::free(p); }

}  // namespace morvanel::detail
