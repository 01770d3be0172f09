#include "jobs/transpose_steps.h"

namespace kernels::runner {

TransposeSteps transpose_steps(int rows, int cols) {
  TransposeSteps s;
  const std::uint64_t count = static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(cols);
  if (count <= 2) return s;
  const std::uint64_t n = count - 1;
  const auto factor = static_cast<std::uint64_t>(cols);
  for (std::uint64_t i = 1; i < n; ++i) {
    std::uint64_t j = i;
    do {
      j = j * factor % n;
      ++s.chain_steps;
    } while (j < i);
    if (j != i) ++s.exchanges;
  }
  return s;
}

}  // namespace kernels::runner
