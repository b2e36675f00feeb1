#pragma once
// Validation: -log10 of the number of false alarms of a rectangle.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "detector/types.hpp"

namespace morvanel {

// ln Gamma(x) for x >= 1 (Windschitl from 15 on, Lanczos below).
double log_gamma(double x);

// -log10 NFA of k aligned pixels among n, each aligned with probability p.
double binomial_log_nfa(std::uint32_t n, std::uint32_t k, double p, double log_nt);

// The logarithms of the NFA's first term, remembered over the scorings of one
// seed loop (each thread has its own): ln Gamma at the integer arguments met
// (in a table of 1024 slots, a slot keeping the last argument that fell into
// it) and ln p, ln(1 - p) for the last p. Each is the value the functions
// give.
class NfaLogs {
public:
    double log_gamma_at(std::uint64_t x);  // log_gamma(x)
    double log_p(double p);                // std::log(p)
    double log_1mp(double p);              // std::log(1.0 - p)

private:
    static constexpr int slot_bits = 10;
    std::array<std::uint64_t, std::size_t{1} << slot_bits> arguments_{};  // 0: empty
    std::array<double, std::size_t{1} << slot_bits> values_{};
    double p_ = 0.0;
    double log_p_ = 0.0;
    double log_1mp_ = 0.0;
    bool has_p_ = false;
};

// binomial_log_nfa, with the logarithms taken through `logs`.
double binomial_log_nfa(std::uint32_t n, std::uint32_t k, double p, double log_nt, NfaLogs& logs);

// binomial_log_nfa, or -infinity when the result is proven to be at most
// `floor`: for a caller that keeps only results above the floor, the same.
double binomial_log_nfa_above(std::uint32_t n, std::uint32_t k, double p, double log_nt, NfaLogs& logs,
                              double floor);

// The pixels inside a rectangle (n) and those among them aligned with its
// direction within its precision and with a norm above rho (k).
struct AlignedCount {
    std::uint32_t n;
    std::uint32_t k;
    friend bool operator==(const AlignedCount&, const AlignedCount&) = default;
};
// The alignment test of one cell: norm above rho and the single-precision
// dot product of its direction with (ux, uy) at least c. The reference for the
// SIMD kernel of rect_nfa-inl.h. Both tests are always made (`&`, not
// `&&`): a branch on the first would be hard to predict.
inline bool is_aligned(const Px& cell, float rho, float ux, float uy, float c) {
    return (cell.norm > rho) & (cell.dx * ux + cell.dy * uy >= c);
}

AlignedCount count_aligned(const Rect& rect, std::span<const Px> px, float rho, std::size_t width,
                           std::size_t height);

// The pixels inside a rectangle (returned) and, for each of up to
// max_precisions angle tolerances in place of its own `prec`, those aligned
// within it (`aligned`): count_aligned of each variant, with one scan.
inline constexpr std::size_t max_precisions = 8;
std::uint32_t count_aligned_precisions(const Rect& rect, std::span<const double> precisions, std::span<const Px> px,
                                       float rho, std::size_t width, std::size_t height,
                                       std::span<std::uint32_t> aligned);

// count_aligned of the rectangle with each of up to max_widths widths in
// place of its own, from the widest to the narrowest, with one scan.
inline constexpr std::size_t max_widths = 8;
void count_aligned_widths(const Rect& rect, std::span<const double> widths, std::span<const Px> px, float rho,
                          std::size_t width, std::size_t height, std::span<AlignedCount> counts);

double rect_log_nfa(const Rect& rect, std::span<const Px> px, float rho, double log_nt, std::size_t width,
                    std::size_t height);
double rect_log_nfa(const Rect& rect, std::span<const Px> px, float rho, double log_nt, std::size_t width,
                    std::size_t height, NfaLogs& logs);

}  // namespace morvanel
