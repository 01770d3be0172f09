#include "oracles.h"

namespace kernels::fuzz_oracles {

pyramid::reference::Collapsed pyramid_collapse(const std::vector<int>& pyramid, int x_size,
                                               int y_size, int levels) {
  return pyramid::reference::collapse(pyramid, x_size, y_size, levels);
}

std::vector<int> pyramid_transpose(const std::vector<int>& m, int rows, int cols) {
  return pyramid::reference::transpose(m, rows, cols);
}

}  // namespace kernels::fuzz_oracles
