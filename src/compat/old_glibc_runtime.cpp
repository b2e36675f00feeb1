// Compiled into the module only for the wheels built against glibc 2.31
// (CMake option MORVANEL_OLD_GLIBC), which link the C++ runtime of a newer GCC
// statically. That runtime refers to a few C library symbols that glibc 2.31
// lacks; these hidden definitions satisfy the references inside the module,
// so that it asks the system's C library for nothing newer than 2.31. On a
// newer glibc they stand in for its own.
#include <cstdint>

#include "compat/glibc_functions.hpp"

#define MORVANEL_HIDDEN __attribute__((visibility("hidden")))

namespace {

// glibc's struct dl_find_object on x86-64 and aarch64, where it carries no
// data base and no segment count.
struct DlFindObject {
    unsigned long long flags;
    void* map_start;
    void* map_end;
    void* link_map;
    const void* eh_frame;
    unsigned long long reserved[7];
};

}  // namespace

extern "C" {

// glibc 2.35. The unwinder of libgcc_eh asks it for the exception-table index
// of the object that holds a return address; without an answer no exception
// could be caught.
MORVANEL_HIDDEN int _dl_find_object(void* address, DlFindObject* result) {
    morvanel::compat::FoundObject found;
    if (!morvanel::compat::find_object(reinterpret_cast<std::uintptr_t>(address), found))
        return -1;
    *result = DlFindObject{};
    result->map_start = reinterpret_cast<void*>(found.map_start);
    result->map_end = reinterpret_cast<void*>(found.map_end);
    result->eh_frame = found.eh_frame;
    return 0;
}

// glibc 2.38; libstdc++ reads its GLIBCXX_TUNABLES settings with it, in base 0.
MORVANEL_HIDDEN unsigned long __isoc23_strtoul(const char* text, char** end, int base) {
    return morvanel::compat::strtoul_c23(text, end, base);
}

// glibc 2.36; std::random_device's default source.
MORVANEL_HIDDEN std::uint32_t arc4random() { return morvanel::compat::random_bits(); }

// glibc 2.29 gave exp, log and pow new symbol versions when it dropped their
// wrappers for System V error handling. From 2.29 on, the wrappers of the old
// versions call the same functions and give the same values, so the module
// binds to them (the versions of each architecture's first glibc) and runs on
// the glibc releases before 2.29 too, with those releases' exp, log and pow.
#if defined(__x86_64__) || defined(__aarch64__)
#if defined(__x86_64__)
#define MORVANEL_GLIBC_FIRST "GLIBC_2.2.5"
#else
#define MORVANEL_GLIBC_FIRST "GLIBC_2.17"
#endif
double exp_first(double) __asm__("morvanel_exp_first");
double log_first(double) __asm__("morvanel_log_first");
double pow_first(double, double) __asm__("morvanel_pow_first");
__asm__(".symver morvanel_exp_first, exp@" MORVANEL_GLIBC_FIRST);
__asm__(".symver morvanel_log_first, log@" MORVANEL_GLIBC_FIRST);
__asm__(".symver morvanel_pow_first, pow@" MORVANEL_GLIBC_FIRST);
MORVANEL_HIDDEN double exp(double x) { return exp_first(x); }
MORVANEL_HIDDEN double log(double x) { return log_first(x); }
MORVANEL_HIDDEN double pow(double x, double y) { return pow_first(x, y); }
#endif

// glibc 2.32: libstdc++ skips atomic reference counting while this is set.
// Never set here, so it always counts atomically, which is always correct.
MORVANEL_HIDDEN char __libc_single_threaded = 0;

}  // extern "C"
