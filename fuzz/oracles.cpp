#include "oracles.h"

#include <cstdlib>

#include "kernels/arith_coder/coder_oracle.h"

namespace kernels::fuzz_oracles {

pyramid::oracle::Collapsed pyramid_collapse(const std::vector<int>& pyramid, int x_size, int y_size,
                                            int levels) {
  return pyramid::oracle::collapse(pyramid, x_size, y_size, levels);
}

std::vector<int> pyramid_transpose(const std::vector<int>& m, int rows, int cols) {
  return pyramid::oracle::transpose(m, rows, cols);
}

std::vector<int> arith_coder_bits(const std::vector<std::uint8_t>& bytes) {
  constexpr int kEnd = 257;  // the end-of-input symbol
  if (bytes.size() >= 16383) std::abort();
  std::vector<int> table(kEnd + 1, 0);
  for (std::uint8_t b : bytes) ++table[b];  // symbol b + 1's count goes to table[b] and below
  ++table[kEnd - 1];
  for (int s = kEnd - 1; s >= 0; --s) table[s] += table[s + 1];
  arith_coder::oracle::Coder coder;
  for (std::uint8_t b : bytes)
    if (!coder.encode(b + 1, table)) std::abort();
  if (!coder.encode(kEnd, table)) std::abort();
  coder.done();
  return coder.bits;
}

}  // namespace kernels::fuzz_oracles
