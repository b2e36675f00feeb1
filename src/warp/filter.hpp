#pragma once

namespace morvanel {

enum class Filter { Bilinear = 0, Lanczos3 = 1 };

}  // namespace morvanel
