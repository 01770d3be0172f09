// Dense matrix multiply of doubles.
#include "kernels/matrix/matrix.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "kernels/matrix/literal_product.h"
#include "kernels/shell/shell.h"

namespace kernels::matrix {
namespace {

DriverMatrices g_last;

// A half-open address range [lo, hi).
struct Range {
  std::uintptr_t lo;
  std::uintptr_t hi;
};

Range range_of(const void* p, std::size_t bytes) {
  auto lo = reinterpret_cast<std::uintptr_t>(p);
  return Range{lo, lo + bytes};
}

// True when c's rows overlap neither each other nor anything the product reads: a's and b's rows
// and the three row-pointer arrays. Sorts the read ranges once, then looks each row of c up in
// them.
bool writes_are_private(int n, double** c, double** a, double** b) {
  const std::size_t row = sizeof(double) * static_cast<std::size_t>(n);
  const std::size_t pointers = sizeof(double*) * static_cast<std::size_t>(n);
  std::vector<Range> reads;
  reads.reserve(2 * static_cast<std::size_t>(n) + 3);
  for (int i = 0; i < n; ++i) {
    reads.push_back(range_of(a[i], row));
    reads.push_back(range_of(b[i], row));
  }
  reads.push_back(range_of(a, pointers));
  reads.push_back(range_of(b, pointers));
  reads.push_back(range_of(c, pointers));
  std::sort(reads.begin(), reads.end(), [](Range x, Range y) { return x.lo < y.lo; });
  // Merge overlapping ranges so that at most one can overlap a given point from below.
  std::vector<Range> merged;
  for (Range r : reads) {
    if (!merged.empty() && r.lo < merged.back().hi) {
      merged.back().hi = std::max(merged.back().hi, r.hi);
    } else {
      merged.push_back(r);
    }
  }
  std::vector<Range> writes;
  writes.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) writes.push_back(range_of(c[i], row));
  std::sort(writes.begin(), writes.end(), [](Range x, Range y) { return x.lo < y.lo; });
  for (std::size_t i = 1; i < writes.size(); ++i)
    if (writes[i].lo < writes[i - 1].hi) return false;  // two rows of c overlap
  for (const Range& w : writes) {
    // The first merged range that ends after w begins is the only candidate for overlap.
    auto it = std::upper_bound(merged.begin(), merged.end(), w.lo,
                               [](std::uintptr_t x, Range r) { return x < r.hi; });
    if (it != merged.end() && it->lo < w.hi) return false;
  }
  return true;
}

// Two doubles, in one register where the target has 128-bit vectors of doubles (SSE2, AArch64,
// VSX, the z13 vector facility) and as two plain doubles elsewhere. Either way each lane is
// rounded exactly as scalar code, so both forms give the same bits.
#if defined(__SSE2__) || defined(__aarch64__) || defined(__VSX__) || defined(__VX__)
typedef double Pair __attribute__((vector_size(16)));
#else
struct Pair {
  double lo, hi;
};
Pair operator+(Pair x, Pair y) {
  return {x.lo + y.lo, x.hi + y.hi};
}
Pair operator*(Pair x, Pair y) {
  return {x.lo * y.lo, x.hi * y.hi};
}
#endif

Pair load_pair(const double* p) {
  Pair v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
void store_pair(double* p, Pair v) {
  __builtin_memcpy(p, &v, sizeof v);
}

constexpr int kTileCols = 8;  // columns of c kept in registers while k runs

// c[i][j0 .. j0+8) for `Rows` (1 or 2) consecutive rows, each summing its products in ascending
// k, held in registers from the first k to the last: the same additions in the same order as the
// i-j-k loop, rounded after each one. `panel` holds b[k][j0 .. j0+8) at panel[8k ..]. Written
// out by hand so that the accumulators stay in registers.
template <int Rows>
void tile(int n, double* const* c, double* const* a, const double* panel, int i, int j0) {
  double* c0 = c[i] + j0;
  double* c1 = c[i + Rows - 1] + j0;
  const double* a0 = a[i];
  const double* a1 = a[i + Rows - 1];
  Pair x0 = load_pair(c0), x1 = load_pair(c0 + 2), x2 = load_pair(c0 + 4), x3 = load_pair(c0 + 6);
  Pair y0 = load_pair(c1), y1 = load_pair(c1 + 2), y2 = load_pair(c1 + 4), y3 = load_pair(c1 + 6);
  for (int k = 0; k < n; ++k) {
    const double* bk = panel + kTileCols * k;
    const Pair b0 = load_pair(bk), b1 = load_pair(bk + 2), b2 = load_pair(bk + 4),
               b3 = load_pair(bk + 6);
    const Pair s = {a0[k], a0[k]};
    x0 = x0 + s * b0;
    x1 = x1 + s * b1;
    x2 = x2 + s * b2;
    x3 = x3 + s * b3;
    if constexpr (Rows == 2) {
      const Pair t = {a1[k], a1[k]};
      y0 = y0 + t * b0;
      y1 = y1 + t * b1;
      y2 = y2 + t * b2;
      y3 = y3 + t * b3;
    }
  }
  store_pair(c0, x0);
  store_pair(c0 + 2, x1);
  store_pair(c0 + 4, x2);
  store_pair(c0 + 6, x3);
  if constexpr (Rows == 2) {
    store_pair(c1, y0);
    store_pair(c1 + 2, y1);
    store_pair(c1 + 4, y2);
    store_pair(c1 + 6, y3);
  }
}

// One element of c, its products summed in ascending k.
void element(int n, double* const* c, double* const* a, double* const* b, int i, int j) {
  double sum = c[i][j];
  for (int k = 0; k < n; ++k) sum = sum + a[i][k] * b[k][j];
  c[i][j] = sum;
}

// The i-j-k sums computed in register tiles, a block of 8 columns at a time: every c[i][j] still
// receives its products in ascending k, each addition rounded, so the result is bit for bit that
// of the literal loop. The block's columns of b are first copied into one contiguous panel, which
// stays in cache while every row of a passes over it. Only valid when c's rows overlap nothing
// the product reads and each other.
void multiply_tiled(int n, double** c, double** a, double** b) {
  const int full = n - n % kTileCols;
  std::vector<double> panel(static_cast<std::size_t>(kTileCols) * static_cast<std::size_t>(n));
  for (int j = 0; j < full; j += kTileCols) {
    for (int k = 0; k < n; ++k)
      for (int v = 0; v < kTileCols; ++v) panel[kTileCols * k + v] = b[k][j + v];
    int i = 0;
    for (; i + 1 < n; i += 2) tile<2>(n, c, a, panel.data(), i, j);
    if (i < n) tile<1>(n, c, a, panel.data(), i, j);
  }
  for (int i = 0; i < n; ++i)
    for (int j = full; j < n; ++j) element(n, c, a, b, i, j);
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
    multiply_tiled(n, c, a, b);
  } else {
    // Overlapping rows: the order of reads and writes is part of the result.
    internal::literal_product(n, c, a, b);
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

DriverMatrices last_driver_matrices() {
  return g_last;
}

}  // namespace kernels::matrix
