// In-place transpose by cycle following.
//
// The element that the transposed layout wants at index m stands at index (m * cols) mod n,
// n = rows * cols - 1, of the untransposed one (the last index n stays). Position i takes the
// element at the first index at or above i on the chain i, i * cols, i * cols^2, ... (mod n):
// every position below i already holds its final element, and an element that started below i
// has been exchanged forward along that chain. One exchange per position, no visited marks.
#include <cstdint>
#include <utility>

#include "kernels/pyramid/internal.h"
#include "kernels/pyramid/pyramid.h"

namespace kernels::pyramid {
namespace {

template <class Step>
void follow_cycles(int* matrix, std::uint64_t n, Step step) {
  for (std::uint64_t i = 1; i < n; ++i) {
    std::uint64_t j = i;
    do {
      j = step(j);
    } while (j < i);
    if (j != i) std::swap(matrix[i], matrix[j]);
  }
}

}  // namespace

void internal_int_transpose(int* matrix, int rows, int cols) {
  if (rows < 1 || cols < 1) return;
  const std::uint64_t count = static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(cols);
  if (count > INT32_MAX || count <= 2) return;  // at most 2 elements: no step runs
  const std::uint64_t n = count - 1;
  const auto factor = static_cast<std::uint64_t>(cols);
  // Every product formed is j * cols with j <= n - 1.
  if ((n - 1) * factor < (std::uint64_t{1} << 32)) {
    follow_cycles(matrix, n, internal::ShortProductMod(n, factor));
  } else {
    follow_cycles(matrix, n, internal::LongProductMod(n, factor));
  }
}

}  // namespace kernels::pyramid
