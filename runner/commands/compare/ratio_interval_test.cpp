#include "commands/compare/ratio_interval.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace kernels::runner {
namespace {

// n run times around `centre`, with up to 10 % noise, from a fixed generator.
std::vector<double> times(std::mt19937& random, int n, double centre) {
  std::vector<double> out;
  for (int i = 0; i < n; ++i)
    out.push_back(centre * (1.0 + 0.1 * static_cast<double>(random() % 1000) / 1000.0));
  return out;
}

TEST(RatioInterval, CoversOneForOneBuildAndExcludesItForADoubledTime) {
  // Two runs of one build: the 95 % interval should cover 1 in most trials, a doubled time never.
  std::mt19937 random(7);
  int covered = 0;
  const int trials = 200;
  for (int trial = 0; trial < trials; ++trial) {
    const std::vector<double> a = times(random, 10, 0.01), b = times(random, 10, 0.01);
    const RatioInterval same = median_ratio_interval(a, b);
    ASSERT_TRUE(same.low && same.high);
    if (*same.low <= 1.0 && 1.0 <= *same.high) {
      ++covered;
      EXPECT_STREQ(same.verdict, "same");
    }
    const std::vector<double> doubled = times(random, 5, 0.02);
    const RatioInterval slower = median_ratio_interval(a, doubled);
    EXPECT_GT(*slower.low, 1.5) << trial;
    EXPECT_LT(*slower.high, 2.5) << trial;
    EXPECT_STREQ(slower.verdict, "slower");
    EXPECT_STREQ(median_ratio_interval(doubled, a).verdict, "faster");
  }
  EXPECT_GE(covered, trials * 85 / 100);
  const RatioInterval one = median_ratio_interval({0.01}, {0.03});
  EXPECT_DOUBLE_EQ(*one.ratio, 3.0);
  EXPECT_FALSE(one.low.has_value());
  EXPECT_STREQ(one.verdict, "same");  // one run a side: nothing significant
  EXPECT_FALSE(median_ratio_interval({}, {0.01}).ratio.has_value());
}

}  // namespace
}  // namespace kernels::runner
