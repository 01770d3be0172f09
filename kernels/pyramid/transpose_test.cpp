#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/pyramid/internal.h"
#include "kernels/pyramid/pyramid.h"
#include "kernels/pyramid/pyramid_oracle.h"

namespace kernels::pyramid {
namespace {

std::vector<int> counting(int count) {
  std::vector<int> v(static_cast<std::size_t>(count));
  for (int m = 0; m < count; ++m) v[static_cast<std::size_t>(m)] = m;
  return v;
}

TEST(Transpose, TwoByThreeBecomesThreeByTwo) {
  std::vector<int> m = counting(6);
  internal_int_transpose(m.data(), 2, 3);
  EXPECT_EQ(m, (std::vector<int>{0, 3, 1, 4, 2, 5}));
}

TEST(Transpose, OneRowOneColumnAndTwoElementsStayUnchanged) {
  for (auto [rows, cols] : {std::pair{1, 1}, {1, 2}, {2, 1}, {1, 17}, {17, 1}, {1, 1000}}) {
    std::vector<int> m = counting(rows * cols);
    for (int& x : m) x = x * 7 - 3;
    const std::vector<int> before = m;
    internal_int_transpose(m.data(), rows, cols);
    EXPECT_EQ(m, before) << rows << " x " << cols;
  }
}

TEST(Transpose, SquareIsMirroredAcrossTheDiagonal) {
  const int n = 9;
  std::vector<int> m = counting(n * n);
  internal_int_transpose(m.data(), n, n);
  for (int r = 0; r < n; ++r)
    for (int k = 0; k < n; ++k) ASSERT_EQ(m[static_cast<std::size_t>(r * n + k)], k * n + r);
}

TEST(Transpose, TransposingBackRestoresTheArray) {
  for (auto [rows, cols] : {std::pair{3, 5}, {4, 6}, {7, 13}, {16, 9}}) {
    std::vector<int> m = counting(rows * cols);
    internal_int_transpose(m.data(), rows, cols);
    internal_int_transpose(m.data(), cols, rows);
    EXPECT_EQ(m, counting(rows * cols)) << rows << " x " << cols;
  }
}

TEST(Transpose, MatchesNaiveTransposeOverManyShapes) {
  std::mt19937 rng(2024);
  std::vector<std::pair<int, int>> shapes;
  for (int rows = 1; rows <= 24; ++rows)
    for (int cols = 1; cols <= 24; ++cols) shapes.emplace_back(rows, cols);
  // Primes, powers of two, and lopsided shapes.
  for (auto s : {std::pair{97, 101},
                 {101, 97},
                 {128, 64},
                 {64, 128},
                 {1, 4099},
                 {4099, 2},
                 {257, 3},
                 {512, 384}})
    shapes.push_back(s);
  std::uniform_int_distribution<int> any(INT32_MIN, INT32_MAX);
  for (auto [rows, cols] : shapes) {
    std::vector<int> m(static_cast<std::size_t>(rows) * cols);
    for (int& x : m) x = any(rng);
    const std::vector<int> expect = oracle::transpose(m, rows, cols);
    internal_int_transpose(m.data(), rows, cols);
    ASSERT_EQ(m, expect) << rows << " x " << cols;
  }
}

// Shapes whose index products j * cols pass 2^32, so the steps are formed in 64 bits.
TEST(Transpose, LargeIndexProductsStayExact) {
  for (auto [rows, cols] : {std::pair{5, 30011}, {2, 65537}, {1, 70000}, {17, 16411}}) {
    ASSERT_GE((static_cast<std::int64_t>(rows) * cols - 2) * cols, std::int64_t{1} << 32);
    std::vector<int> m = counting(rows * cols);
    const std::vector<int> expect = oracle::transpose(m, rows, cols);
    internal_int_transpose(m.data(), rows, cols);
    ASSERT_EQ(m, expect) << rows << " x " << cols;
  }
}

TEST(Transpose, SizesOutsideTheContractLeaveTheArrayUntouched) {
  std::vector<int> m = counting(8);
  const std::vector<int> before = m;
  // The sanitizer build catches any access beyond these 8 values.
  for (auto [rows, cols] :
       {std::pair{0, 8}, {8, 0}, {-2, -4}, {-1, 8}, {65536, 65536}, {46341, 46341}}) {
    internal_int_transpose(m.data(), rows, cols);
    EXPECT_EQ(m, before) << rows << " x " << cols;
  }
}

TEST(Transpose, IndexStepsAgreeWithDivision) {
  std::mt19937_64 rng(99);
  auto below = [&](std::uint64_t n) {
    return std::uniform_int_distribution<std::uint64_t>(0, n - 1)(rng);
  };
  for (int trial = 0; trial < 20000; ++trial) {
    // Short steps: (n - 1) * factor < 2^32, with n and factor drawn over their whole ranges.
    const std::uint64_t n = 2 + below(trial % 2 ? 70000 : (std::uint64_t{1} << 32) - 2);
    const std::uint64_t factor = 1 + below(((std::uint64_t{1} << 32) - 1) / (n - 1));
    const internal::ShortProductMod short_step(n, factor);
    for (std::uint64_t j : {std::uint64_t{0}, std::uint64_t{1}, n - 1, below(n)})
      ASSERT_EQ(short_step(j), j * factor % n) << j << " * " << factor << " mod " << n;

    // Long steps: n < 2^31, factor < 2^31.
    const std::uint64_t big_n = 1 + below(std::uint64_t{1} << 31);
    const std::uint64_t big_factor = 1 + below((std::uint64_t{1} << 31) - 1);
    const internal::LongProductMod long_step(big_n, big_factor);
    for (std::uint64_t j : {std::uint64_t{0}, big_n - 1, below(big_n)})
      ASSERT_EQ(long_step(j), j * big_factor % big_n)
          << j << " * " << big_factor << " mod " << big_n;
  }
}

}  // namespace
}  // namespace kernels::pyramid
