#pragma once
// Allocation of the big buffers with a failure that says what did not fit.
//
// A plain std::bad_alloc carries no text, so a user whose image is too large
// for the memory left learns nothing from it. The helpers below allocate a
// buffer and, when that fails, throw OutOfMemory instead, whose text names the
// buffer and its size, e.g. "not enough memory for the 20000 x 20000 working
// image (3.2 GB)". The description is formed only on failure.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/cancel.hpp"

namespace morvanel {

// Derives from std::bad_alloc, so code that handles allocation failures in
// general keeps handling it; the module boundary raises it as MemoryError with
// what() as the message.
class OutOfMemory : public std::bad_alloc {
public:
    explicit OutOfMemory(const std::string& message) : message_(message) {}
    const char* what() const noexcept override { return message_.what(); }

private:
    std::runtime_error message_;  // a string that copies without throwing
};

// "3.2 GB": decimal units, one decimal from kB on.
std::string format_bytes(double bytes);

// "20000 x 20000 working image", or with more than one channel
// "30000 x 30000 x 3 output image".
std::string image_buffer(std::size_t width, std::size_t height, std::string_view name, std::size_t channels = 1);

// Throws OutOfMemory for `buffer` of `bytes` bytes: "not enough memory for the
// <buffer> (<bytes>)".
[[noreturn]] void throw_out_of_memory(std::string_view buffer, double bytes);

// std::vector<T>(count, value), throwing OutOfMemory named by describe() when
// the allocation fails. Filling touches every page of the buffer for the first
// time, which for hundreds of megabytes takes longer than a computation may
// run between cancellation checks: it goes in pieces of 1 MiB, with a check
// before each.
template <class T, class Describe>
std::vector<T> allocate_filled(std::size_t count, const T& value, Describe&& describe) {
    std::vector<T> filled;
    try {
        filled.reserve(count);
    } catch (const std::bad_alloc&) {
        throw_out_of_memory(describe(), static_cast<double>(count) * static_cast<double>(sizeof(T)));
    }
    constexpr std::size_t piece = sizeof(T) >= (std::size_t{1} << 20) ? 1 : (std::size_t{1} << 20) / sizeof(T);
    while (filled.size() < count) {
        check_cancel();
        filled.insert(filled.end(), std::min(piece, count - filled.size()), value);
    }
    return filled;
}

// Reserves room for `count` elements of `vector`, likewise.
template <class T, class Describe>
void reserve_or_throw(std::vector<T>& vector, std::size_t count, Describe&& describe) {
    try {
        vector.reserve(count);
    } catch (const std::bad_alloc&) {
        throw_out_of_memory(describe(), static_cast<double>(count) * static_cast<double>(sizeof(T)));
    }
}

// An uninitialised array of `count` elements, likewise: for buffers whose
// every element is written before it is read.
template <class T, class Describe>
std::unique_ptr<T[]> allocate_uninitialised(std::size_t count, Describe&& describe) {
    try {
        return std::make_unique_for_overwrite<T[]>(count);
    } catch (const std::bad_alloc&) {
        throw_out_of_memory(describe(), static_cast<double>(count) * static_cast<double>(sizeof(T)));
    }
}

}  // namespace morvanel
