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

// c[i][j0 .. j0 + 2 Pairs) for `Rows` (1 or 2) consecutive rows, each summing its products in
// ascending k, held in registers from the first k to the last: the same additions in the same
// order as the i-j-k loop, rounded after each one. `panel` holds b[k][j0 .. j0 + 2 Pairs) at
// panel[2 Pairs k ..], and `adup` every a[i][k] twice, at adup[2 (n i + k)] and the next, so that
// a factor is loaded as a pair at once: SSE2 has no load that fills both lanes with one double,
// and the shuffle that would do it takes a slot on the pipes the multiplies and adds need. Written
// out by hand, one variable per accumulator, so that the accumulators stay in registers (an array
// of them would live on the stack).
template <int Rows, int Pairs>
void tile(int n, double* const* c, const double* adup, const double* panel, int i, int j0) {
  static_assert(Pairs == 1 || Pairs == 2 || Pairs == 4);
  constexpr int kWidth = 2 * Pairs;
  double* c0 = c[i] + j0;
  double* c1 = c[i + Rows - 1] + j0;
  const double* a0 = adup + 2 * static_cast<std::size_t>(n) * i;
  const double* a1 = adup + 2 * static_cast<std::size_t>(n) * (i + Rows - 1);
  Pair x0 = load_pair(c0), x1{}, x2{}, x3{};
  Pair y0 = load_pair(c1), y1{}, y2{}, y3{};
  if constexpr (Pairs >= 2) x1 = load_pair(c0 + 2), y1 = load_pair(c1 + 2);
  if constexpr (Pairs == 4) {
    x2 = load_pair(c0 + 4), x3 = load_pair(c0 + 6);
    y2 = load_pair(c1 + 4), y3 = load_pair(c1 + 6);
  }
  for (int k = 0; k < n; ++k) {
    const double* bk = panel + kWidth * k;
    const Pair b0 = load_pair(bk);
    const Pair s = load_pair(a0 + 2 * k);
    x0 = x0 + s * b0;
    const Pair t = load_pair(a1 + 2 * k);
    if constexpr (Rows == 2) y0 = y0 + t * b0;
    if constexpr (Pairs >= 2) {
      const Pair b1 = load_pair(bk + 2);
      x1 = x1 + s * b1;
      if constexpr (Rows == 2) y1 = y1 + t * b1;
    }
    if constexpr (Pairs == 4) {
      const Pair b2 = load_pair(bk + 4), b3 = load_pair(bk + 6);
      x2 = x2 + s * b2;
      x3 = x3 + s * b3;
      if constexpr (Rows == 2) {
        y2 = y2 + t * b2;
        y3 = y3 + t * b3;
      }
    }
  }
  store_pair(c0, x0);
  if constexpr (Pairs >= 2) store_pair(c0 + 2, x1);
  if constexpr (Pairs == 4) store_pair(c0 + 4, x2), store_pair(c0 + 6, x3);
  if constexpr (Rows == 2) {
    store_pair(c1, y0);
    if constexpr (Pairs >= 2) store_pair(c1 + 2, y1);
    if constexpr (Pairs == 4) store_pair(c1 + 4, y2), store_pair(c1 + 6, y3);
  }
}

// Columns j0 .. j0 + 2 Pairs of c, every row: b's block first copied into one contiguous panel,
// which stays in cache while every row of a passes over it.
template <int Pairs>
void column_block(int n, double** c, const double* adup, double** b, int j0,
                  std::vector<double>& panel) {
  constexpr int kWidth = 2 * Pairs;
  for (int k = 0; k < n; ++k)
    for (int v = 0; v < kWidth; ++v) panel[static_cast<std::size_t>(kWidth * k + v)] = b[k][j0 + v];
  int i = 0;
  for (; i + 1 < n; i += 2) tile<2, Pairs>(n, c, adup, panel.data(), i, j0);
  if (i < n) tile<1, Pairs>(n, c, adup, panel.data(), i, j0);
}

// One element of c, its products summed in ascending k.
void element(int n, double* const* c, double* const* a, double* const* b, int i, int j) {
  double sum = c[i][j];
  for (int k = 0; k < n; ++k) sum = sum + a[i][k] * b[k][j];
  c[i][j] = sum;
}

// The i-j-k sums computed in register tiles, a's factors doubled into pairs once, blocks of 8
// columns at a time, then one block of 4 and one of 2 for what is left, and a last odd column
// element by element: every c[i][j] still receives its products in ascending k, each addition
// rounded, so the result is bit for bit that of the literal loop. Only valid when c's rows overlap
// nothing the product reads and each other.
void multiply_tiled(int n, double** c, double** a, double** b) {
  std::vector<double> panel(8 * static_cast<std::size_t>(n));
  std::vector<double> adup(2 * static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    double* row = adup.data() + 2 * static_cast<std::size_t>(n) * static_cast<std::size_t>(i);
    for (int k = 0; k < n; ++k) row[2 * k] = row[2 * k + 1] = a[i][k];
  }
  int j = 0;
  for (; j + 8 <= n; j += 8) column_block<4>(n, c, adup.data(), b, j, panel);
  if (j + 4 <= n) column_block<2>(n, c, adup.data(), b, j, panel), j += 4;
  if (j + 2 <= n) column_block<1>(n, c, adup.data(), b, j, panel), j += 2;
  if (j < n)
    for (int i = 0; i < n; ++i) element(n, c, a, b, i, j);
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
