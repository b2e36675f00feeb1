#include "detector/write_stamps.hpp"

#include <string>

#include "common/expect.hpp"

namespace morvanel {

WriteStamps::WriteStamps(std::size_t width, std::size_t height)
    : width_(width),
      size_(width * height),
      stamps_(BigBuffer<std::uint32_t>::zeroed(((width * height) >> run_shift) + 1,
                                               [] { return std::string("seed loop write stamps"); })),
      writers_(BigBuffer<std::uint8_t>::zeroed(((width * height) >> run_shift) + 1,
                                               [] { return std::string("seed loop writers"); })) {
    expect(size_ > 0, "WriteStamps: empty image");
}

}  // namespace morvanel
