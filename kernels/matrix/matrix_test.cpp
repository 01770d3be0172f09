#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/matrix/literal_product.h"
#include "kernels/matrix/matrix.h"
#include "kernels/shell/shell.h"

namespace kernels::matrix {
namespace {

class MatrixTest : public ::testing::Test {
 protected:
  void SetUp() override { shell::arena_reset(); }
  void TearDown() override { shell::arena_reset(); }
};

bool same_bits(double x, double y) {
  return std::memcmp(&x, &y, sizeof x) == 0;
}

double** random_matrix(int n, std::mt19937& rng) {
  std::uniform_real_distribution<double> value(-1e3, 1e3);
  double** m = initmatx(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) m[i][j] = value(rng) * (j % 3 == 0 ? 1e-9 : 1.0);
  return m;
}

double** copy_matrix(int n, double** m) {
  double** r = initmatx(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) r[i][j] = m[i][j];
  return r;
}

TEST_F(MatrixTest, SizeZeroIsEmptyAndDoesNothing) {
  double** m = initmatx(0);
  EXPECT_NE(m, nullptr);
  mkmatx(0, m);
  matxmult(0, m, m, m);
  EXPECT_EQ(shell::arena_stats().records, 1u);
}

TEST_F(MatrixTest, InitmatxGivesDistinctZeroRows) {
  double** m = initmatx(5);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) EXPECT_EQ(m[i][j], 0.0);
    for (int r = 0; r < i; ++r) EXPECT_NE(m[i], m[r]);
  }
  EXPECT_EQ(shell::arena_stats().records, 6u);
  EXPECT_EQ(shell::arena_stats().bytes, 5 * sizeof(double*) + 5 * 5 * sizeof(double));
}

TEST_F(MatrixTest, ProductAccumulatesIntoWhatCHolds) {
  double** a = initmatx(3);
  double** b = initmatx(3);
  double** c = initmatx(3);
  mkmatx(3, a);
  mkmatx(3, b);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) c[i][j] = 10.0 * i + j;
  matxmult(3, c, a, b);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(c[i][j], 10.0 * i + j + 3.0);
}

TEST_F(MatrixTest, MatchesTheLiteralLoopBitForBit) {
  std::mt19937 rng(7);
  // Every remainder of 8 columns: the blocks of 4 and 2 and the last odd column.
  for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 12, 13, 14, 16, 30, 33, 67}) {
    double** a = random_matrix(n, rng);
    double** b = random_matrix(n, rng);
    double** c = random_matrix(n, rng);
    double** expect = copy_matrix(n, c);
    internal::literal_product(n, expect, a, b);
    matxmult(n, c, a, b);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) ASSERT_TRUE(same_bits(c[i][j], expect[i][j])) << n;
  }
}

TEST_F(MatrixTest, AliasedOperandsFollowTheLiteralLoop) {
  std::mt19937 rng(11);
  const int n = 6;
  // c is a itself: later products read values the loop has already changed.
  double** a = random_matrix(n, rng);
  double** b = random_matrix(n, rng);
  double** a2 = copy_matrix(n, a);
  internal::literal_product(n, a2, a2, b);
  matxmult(n, a, a, b);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) ASSERT_TRUE(same_bits(a[i][j], a2[i][j]));

  // c shares one row with b.
  double** c = random_matrix(n, rng);
  double** c2 = copy_matrix(n, c);
  double** b2 = copy_matrix(n, b);
  b[2] = c[4];
  b2[2] = c2[4];
  internal::literal_product(n, c2, a2, b2);
  matxmult(n, c, a2, b);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) ASSERT_TRUE(same_bits(c[i][j], c2[i][j]));

  // Two rows of c overlap, shifted by three: the later row adds onto what the earlier one left.
  const int m = 9;
  double** x = random_matrix(m, rng);
  double** y = random_matrix(m, rng);
  double** z = random_matrix(m, rng);
  double** z2 = copy_matrix(m, z);
  double* shared = shell::arena_new<double>(m + 3);
  double* shared2 = shell::arena_new<double>(m + 3);
  for (int j = 0; j < m + 3; ++j) shared[j] = shared2[j] = j * 0.3;
  z[2] = shared;
  z[6] = shared + 3;
  z2[2] = shared2;
  z2[6] = shared2 + 3;
  internal::literal_product(m, z2, x, y);
  matxmult(m, z, x, y);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < m; ++j) ASSERT_TRUE(same_bits(z[i][j], z2[i][j]));
}

TEST_F(MatrixTest, DriverMultipliesOnlyWithAnArgument) {
  char name[] = "matrix";
  char* argv[] = {name, name, nullptr};
  EXPECT_EQ(main_matxmult(1, argv), 0);
  DriverMatrices m = last_driver_matrices();
  ASSERT_EQ(m.n, 300);
  for (double** x : {m.a, m.b, m.c})
    for (int i = 0; i < 300; ++i)
      for (int j = 0; j < 300; ++j) ASSERT_EQ(x[i][j], 0.0);

  shell::arena_reset();
  EXPECT_EQ(main_matxmult(2, argv), 0);
  m = last_driver_matrices();
  for (int i = 0; i < 300; ++i)
    for (int j = 0; j < 300; ++j) {
      ASSERT_EQ(m.a[i][j], 1.0);
      ASSERT_EQ(m.c[i][j], 300.0);
    }
  // Three matrices of 300 rows plus their row-pointer arrays.
  EXPECT_EQ(shell::arena_stats().records, 3u * 301u);
}

}  // namespace
}  // namespace kernels::matrix
