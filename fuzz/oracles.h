// The fuzz targets' oracles that cost more than the kernels they check. oracles.cpp is compiled
// without coverage feedback: its paths would only slow every input down with tracing and reward
// the fuzzer for reaching new paths through the oracle instead of through the kernel.
#ifndef KERNELS_FUZZ_ORACLES_H_
#define KERNELS_FUZZ_ORACLES_H_

#include <cstdint>
#include <vector>

#include "kernels/pyramid/pyramid_oracle.h"

namespace kernels::fuzz_oracles {

// kernels::pyramid::oracle::collapse, the tests' plain collapse.
pyramid::oracle::Collapsed pyramid_collapse(const std::vector<int>& pyramid, int x_size, int y_size,
                                            int levels);

// kernels::pyramid::oracle::transpose, the out-of-place transpose.
std::vector<int> pyramid_transpose(const std::vector<int>& m, int rows, int cols);

// The bits that kernels::arith_coder::oracle::Coder emits for `bytes` (each byte b as symbol
// b + 1, then the end-of-input symbol, then done) against the order-0 table of their plain counts
// (the end-of-input symbol counted once). REQUIRES: bytes.size() < 16383, so that the counts are
// the table unscaled.
std::vector<int> arith_coder_bits(const std::vector<std::uint8_t>& bytes);

}  // namespace kernels::fuzz_oracles

#endif  // KERNELS_FUZZ_ORACLES_H_
