// Dense square matrices of doubles and their product.
//
// A matrix is an array of n row pointers (double**), each pointing to a row of n doubles; it is
// addressed m[i][j], row i, column j. Rows are separate records from the run arena.
#ifndef KERNELS_MATRIX_MATRIX_H_
#define KERNELS_MATRIX_MATRIX_H_

namespace kernels::matrix {

// Returns a new array of n row pointers, each to a new row of n doubles set to 0.0, all from the
// run arena (valid until it is reset).
// REQUIRES: n >= 0. n == 0 gives an empty (but non-null) row-pointer array.
double** initmatx(int n);

// Sets every m[i][j], 0 <= i, j < n, to 1.0, row by row. n <= 0 does nothing.
void mkmatx(int n, double** m);

// Adds the product a * b to what c already holds: for i, then j, then k, each from 0 to n - 1,
// c[i][j] = c[i][j] + a[i][k] * b[k][j], the running sum rounded to double after every addition
// (no fused multiply-add). c is not cleared first. n <= 0 does nothing.
// The result is bit for bit that of the plain i-j-k loop, also when c shares rows with a or b.
void matxmult(int n, double** c, double** a, double** b);

// The driver: n = 300; a, b, c = initmatx(n) in that order; with argc <= 1 returns 0 at once
// (all three stay zero); otherwise fills a and b with ones, multiplies them into c (every element
// of c becomes 300.0) and returns 0. argv is not read.
int main_matxmult(int argc, char** argv);

// The three matrices of the most recent main_matxmult call, so that callers can inspect the
// driver's result; null before the first call. They live in the run arena: a reset invalidates
// them.
struct DriverMatrices {
  int n = 0;
  double** a = nullptr;
  double** b = nullptr;
  double** c = nullptr;
};
DriverMatrices last_driver_matrices();

}  // namespace kernels::matrix

#endif  // KERNELS_MATRIX_MATRIX_H_
