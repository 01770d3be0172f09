// The sample pyramid: a smooth low band and small signed detail coefficients.
#include <cstddef>
#include <cstdint>

#include "kernels/pyramid/pyramid.h"
#include "kernels/shell/shell.h"

namespace kernels::pyramid {

void sample_pyramid(int* pyramid, int x_size, int y_size, int levels) {
  const std::size_t count = static_cast<std::size_t>(x_size) * static_cast<std::size_t>(y_size);
  const std::size_t w0 = static_cast<std::size_t>(x_size >> levels);
  const std::size_t low = w0 * static_cast<std::size_t>(y_size >> levels);
  std::uint32_t s = 0x2545f491u;
  for (std::size_t m = 0; m < count; ++m) {
    shell::xorshift32(s);
    pyramid[m] =
        m < low ? 64 + 16 * static_cast<int>(m / w0 + m % w0) : static_cast<int>(s % 9) - 4;
  }
}

}  // namespace kernels::pyramid
