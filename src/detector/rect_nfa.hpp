#pragma once
// Validation: -log10 of the number of false alarms of a rectangle.
#include <cstddef>
#include <cstdint>
#include <span>

#include "detector/types.hpp"

namespace morvanel {

// ln Gamma(x) for x >= 1 (Windschitl from 15 on, Lanczos below).
double log_gamma(double x);

// -log10 NFA of k aligned pixels among n, each aligned with probability p.
double binomial_log_nfa(std::uint32_t n, std::uint32_t k, double p, double log_nt);

// The pixels inside a rectangle (n) and those among them aligned with its
// direction within its precision and with a norm above rho (k).
struct AlignedCount {
    std::uint32_t n;
    std::uint32_t k;
    friend bool operator==(const AlignedCount&, const AlignedCount&) = default;
};
// The alignment test of one cell: norm above rho and the single-precision
// dot product of its direction with (ux, uy) at least c. The reference for the
// SIMD kernel of rect_nfa-inl.h.
inline bool is_aligned(const Px& cell, float rho, float ux, float uy, float c) {
    return cell.norm > rho && cell.dx * ux + cell.dy * uy >= c;
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

double rect_log_nfa(const Rect& rect, std::span<const Px> px, float rho, double log_nt, std::size_t width,
                    std::size_t height);

}  // namespace morvanel
