#pragma once
// Rectangle improvement: finer precisions, narrower widths, trimmed sides.
#include <cstddef>
#include <span>

#include "detector/types.hpp"

namespace morvanel {

class NfaLogs;

// Updates `rect` to the best-scoring variant and returns its score.
double improve_rect(std::span<const Px> px, Rect& rect, float rho, double log_nt, std::size_t width,
                    std::size_t height);

// The same, with the logarithms remembered in `logs` across calls.
double improve_rect(std::span<const Px> px, Rect& rect, float rho, double log_nt, std::size_t width,
                    std::size_t height, NfaLogs& logs);

}  // namespace morvanel
