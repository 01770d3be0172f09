#include <vector>

#include <gtest/gtest.h>

#include "run/stats.h"

namespace kernels::runner {
namespace {

TEST(TimeStats, MedianMeanAndSampleDeviation) {
  TimeStats s = time_stats({4.0, 1.0, 3.0, 2.0});
  EXPECT_DOUBLE_EQ(s.min, 1.0);
  EXPECT_DOUBLE_EQ(s.max, 4.0);
  EXPECT_DOUBLE_EQ(s.median, 2.5);
  EXPECT_DOUBLE_EQ(s.mean, 2.5);
  EXPECT_NEAR(s.stddev, 1.2909944487, 1e-9);
  EXPECT_EQ(s.each, (std::vector<double>{4.0, 1.0, 3.0, 2.0}));  // in run order

  TimeStats one = time_stats({0.5});
  EXPECT_DOUBLE_EQ(one.median, 0.5);
  EXPECT_DOUBLE_EQ(one.stddev, 0.0);
}

TEST(MedianOf, TakesTheMiddleOrTheMeanOfTheMiddleTwo) {
  EXPECT_EQ(median_of({}), 0.0);
  EXPECT_EQ(median_of({3.0, 1.0, 2.0}), 2.0);
  EXPECT_EQ(median_of({4.0, 1.0, 3.0, 2.0}), 2.5);
}

}  // namespace
}  // namespace kernels::runner
