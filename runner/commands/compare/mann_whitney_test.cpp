#include "commands/compare/mann_whitney.h"

#include <gtest/gtest.h>

namespace kernels::runner {
namespace {

TEST(UTest, MatchesHandComputedPValues) {
  // No ties, 3 + 3 values: all of A below all of B is 1 of C(6, 3) = 20 orders; two-sided: 2/20.
  EXPECT_DOUBLE_EQ(*u_test_p_value({1, 2, 3}, {4, 5, 6}), 0.1);
  EXPECT_DOUBLE_EQ(*u_test_p_value({6, 5, 4}, {1, 2, 3}), 0.1);
  // 10 + 10 values, fully separated: 2 / C(20, 10).
  EXPECT_NEAR(
      *u_test_p_value({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {11, 12, 13, 14, 15, 16, 17, 18, 19, 20}),
      2.0 / 184756.0, 1e-15);
  // One tie (3, 3): ranks 1, 2, 3.5 | 3.5, 5, 6, so U = 6.5 - 6 = 0.5 against a mean of 4.5;
  // variance 3·3/12 · (7 - (2³-2)/(6·5)) = 5.1; z = (4 - 0.5)/√5.1; p = erfc(z/√2) = 0.121183.
  EXPECT_NEAR(*u_test_p_value({1, 2, 3}, {3, 4, 5}), 0.1211832728, 1e-9);
  EXPECT_DOUBLE_EQ(*u_test_p_value({2, 2}, {2, 2, 2}), 1.0);
  EXPECT_FALSE(u_test_p_value({}, {1}).has_value());
}

}  // namespace
}  // namespace kernels::runner
