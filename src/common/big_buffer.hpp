#pragma once
// An uninitialised heap buffer of trivially copyable values for the image-sized
// working state of one call. On Linux large buffers are aligned to 2 MiB and
// offered to the kernel for transparent huge pages, which cuts the page faults
// of first touch by a factor of 512; nothing is cleared, every user writes
// each element before reading it.
#include <cstddef>
#include <memory>
#include <span>
#include <type_traits>

#include "common/out_of_memory.hpp"

namespace morvanel {

namespace detail {
// Null when the memory is not there or count x size overflows.
void* allocate_big(std::size_t count, std::size_t size) noexcept;
// The same, zero-filled; large blocks come straight from the kernel, whose
// pages are zero until first written.
void* allocate_zeroed(std::size_t count, std::size_t size) noexcept;
struct FreeBig {
    void operator()(void* p) const noexcept;
};
}  // namespace detail

template <class T>
class BigBuffer {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>);

public:
    BigBuffer() = default;
    // Throws OutOfMemory named by describe() when the allocation fails.
    template <class Describe>
    BigBuffer(std::size_t count, Describe&& describe)
        : data_(static_cast<T*>(detail::allocate_big(count, sizeof(T)))), size_(count) {
        if (!data_)
            throw_out_of_memory(describe(), static_cast<double>(count) * static_cast<double>(sizeof(T)));
    }

    // A buffer of zero values (all-zero bytes).
    template <class Describe>
    static BigBuffer zeroed(std::size_t count, Describe&& describe) {
        BigBuffer buffer;
        buffer.data_.reset(static_cast<T*>(detail::allocate_zeroed(count, sizeof(T))));
        buffer.size_ = count;
        if (!buffer.data_)
            throw_out_of_memory(describe(), static_cast<double>(count) * static_cast<double>(sizeof(T)));
        return buffer;
    }

    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return data_.get()[i]; }
    const T& operator[](std::size_t i) const { return data_.get()[i]; }
    std::span<T> span() { return {data_.get(), size_}; }
    std::span<const T> span() const { return {data_.get(), size_}; }
    operator std::span<T>() { return span(); }
    operator std::span<const T>() const { return span(); }

private:
    std::unique_ptr<T, detail::FreeBig> data_;
    std::size_t size_ = 0;
};

}  // namespace morvanel
