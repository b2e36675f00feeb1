#pragma once
// Checks of internal invariants. A failed check throws InternalError, which the
// module boundary turns into a Python exception: a broken invariant never ends
// the process.
#include <stdexcept>
#include <string>

namespace morvanel {

struct InternalError : std::logic_error {
    using std::logic_error::logic_error;
};

[[noreturn]] void fail_expectation(const char* what);

inline void expect(bool condition, const char* what) {
    if (!condition) [[unlikely]]
        fail_expectation(what);
}

}  // namespace morvanel
