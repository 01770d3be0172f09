#include "commands/sweep/sweep_values.h"

#include <vector>

#include <gtest/gtest.h>

#include "job/job.h"

namespace kernels::runner {
namespace {

using Values = std::vector<long long>;

TEST(SweepValues, GeometricRangeMultipliesUpToItsEnd) {
  EXPECT_EQ(parse_sweep_values("1000..64000x4"), (Values{1000, 4000, 16000, 64000}));
  EXPECT_EQ(parse_sweep_values("1000..63999x4"), (Values{1000, 4000, 16000}));
  EXPECT_EQ(parse_sweep_values("10..40x1.5"), (Values{10, 15, 23, 34}));  // rounded
  EXPECT_EQ(parse_sweep_values("5..5x2"), (Values{5}));
  EXPECT_EQ(parse_sweep_values("1024..4194304x4").size(), 7u);
  // A small factor from a small start repeats values after rounding: each is kept once.
  const Values slow = parse_sweep_values("1..4x1.1");
  EXPECT_EQ(slow.front(), 1);
  EXPECT_EQ(slow.back(), 4);
  for (std::size_t i = 1; i < slow.size(); ++i) EXPECT_LT(slow[i - 1], slow[i]);
}

TEST(SweepValues, ListIsTakenAsGivenWhenItAscends) {
  EXPECT_EQ(parse_sweep_values("7"), (Values{7}));
  EXPECT_EQ(parse_sweep_values("-1,0,010,300"), (Values{-1, 0, 10, 300}));
}

TEST(SweepValues, RefusesMalformedEmptyDescendingAndFlatInputs) {
  for (const char* bad : {"",
                          "64000..1000x4",
                          "1..8x1",
                          "1..8x0.5",
                          "1..8x-2",
                          "1..8",
                          "1..8x",
                          "1..8xabc",
                          "1..8x2x",
                          "1..8xinf",
                          "0..8x2",
                          "-4..8x2",
                          "1e3..8000x2",
                          "0x10..100x2",
                          "a,b",
                          "1,,2",
                          "1,2,",
                          ",1",
                          "3,1000,20",
                          "1,1",
                          "+-5",
                          "1..100000000000000x1.0001",
                          "99999999999999999999",
                          "1..99999999999999999999x2",
                          " 8"})
    EXPECT_THROW(parse_sweep_values(bad), UsageError) << bad;
}

}  // namespace
}  // namespace kernels::runner
