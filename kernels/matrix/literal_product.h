// The literal i-j-k product loop: the path matxmult takes when c's rows overlap each other or what
// the product reads (there the order of reads and writes is part of the result), and what the
// tests and the fuzz target compare the tiled product with. Not installed.
#ifndef KERNELS_MATRIX_LITERAL_PRODUCT_H_
#define KERNELS_MATRIX_LITERAL_PRODUCT_H_

namespace kernels::matrix::internal {

// For i, then j, then k, each from 0 to n - 1: c[i][j] = c[i][j] + a[i][k] * b[k][j], rounded
// after every addition. Any aliasing of c with a or b is followed as the loop reads and writes.
inline void literal_product(int n, double** c, double** a, double** b) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k) c[i][j] = c[i][j] + a[i][k] * b[k][j];
}

}  // namespace kernels::matrix::internal

#endif  // KERNELS_MATRIX_LITERAL_PRODUCT_H_
