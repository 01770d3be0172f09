// Dense matrix multiply of doubles.
#include "kernels/matrix/matrix.h"

#include <algorithm>
#include <cstdint>

#include "kernels/shell/shell.h"

namespace kernels::matrix {
namespace {

DriverMatrices g_last;

// Address range [lo, hi) that the rows of m (n values each) span, as integers.
struct Span {
  std::uintptr_t lo = UINTPTR_MAX;
  std::uintptr_t hi = 0;
  void add(const void* p, std::size_t bytes) {
    auto a = reinterpret_cast<std::uintptr_t>(p);
    lo = std::min(lo, a);
    hi = std::max(hi, a + bytes);
  }
  bool overlaps(const Span& o) const { return lo < o.hi && o.lo < hi; }
};

Span rows_span(int n, double* const* m) {
  Span s;
  for (int i = 0; i < n; ++i) s.add(m[i], sizeof(double) * static_cast<std::size_t>(n));
  return s;
}

Span pointer_span(int n, double* const* m) {
  Span s;
  s.add(m, sizeof(double*) * static_cast<std::size_t>(n));
  return s;
}

// True when writing c's rows cannot change anything the product reads: a's and b's rows and the
// three row-pointer arrays.
bool writes_are_private(int n, double** c, double** a, double** b) {
  Span cw = rows_span(n, c);
  return !cw.overlaps(rows_span(n, a)) && !cw.overlaps(rows_span(n, b)) &&
         !cw.overlaps(pointer_span(n, a)) && !cw.overlaps(pointer_span(n, b)) &&
         !cw.overlaps(pointer_span(n, c));
}

// The literal i-j-k loop. Used when c's rows overlap what the product reads, where the order of
// reads and writes is part of the result.
void multiply_ijk(int n, double** c, double** a, double** b) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k) c[i][j] = c[i][j] + a[i][k] * b[k][j];
}

// The same sums in i-k-j order: every c[i][j] still receives its products in ascending k, each
// addition rounded, so the result is bit for bit that of the i-j-k loop. The inner loop runs
// along rows, independent across j, which the processor can overlap instead of waiting on one
// chain of additions. Only valid when c's rows are written nowhere the product reads.
void multiply_ikj(int n, double** c, double** a, double** b) {
  for (int i = 0; i < n; ++i) {
    double* __restrict ci = c[i];
    const double* __restrict ai = a[i];
    for (int k = 0; k < n; ++k) {
      const double aik = ai[k];
      const double* __restrict bk = b[k];
      for (int j = 0; j < n; ++j) ci[j] = ci[j] + aik * bk[j];
    }
  }
}

}  // namespace

double** initmatx(int n) {
  const std::size_t count = n > 0 ? static_cast<std::size_t>(n) : 0;
  double** m = shell::arena_new<double*>(count);
  for (std::size_t i = 0; i < count; ++i) {
    m[i] = shell::arena_new<double>(count);
    for (std::size_t j = 0; j < count; ++j) m[i][j] = 0.0;
  }
  return m;
}

void mkmatx(int n, double** m) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) m[i][j] = 1.0;
}

void matxmult(int n, double** c, double** a, double** b) {
  if (n <= 0) return;
  if (writes_are_private(n, c, a, b)) {
    multiply_ikj(n, c, a, b);
  } else {
    multiply_ijk(n, c, a, b);
  }
}

int main_matxmult(int argc, char** /*argv*/) {
  const int n = 300;
  double** a = initmatx(n);
  double** b = initmatx(n);
  double** c = initmatx(n);
  g_last = DriverMatrices{n, a, b, c};
  if (argc <= 1) return 0;
  mkmatx(n, a);
  mkmatx(n, b);
  matxmult(n, c, a, b);
  return 0;
}

DriverMatrices last_driver_matrices() { return g_last; }

}  // namespace kernels::matrix
