#include "commands/sweep/fit.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace kernels::runner {
namespace {

// Times c * g(N) for N = 2^10, 2^12, ..., 2^22, each off by 3 % one way or the other.
std::vector<FitPoint> synthetic(Complexity c, double coefficient) {
  std::vector<FitPoint> points;
  double sign = 1;
  for (double n = 1 << 10; n <= (1 << 22); n *= 4, sign = -sign)
    points.push_back({n, coefficient * complexity_term(c, n) * (1 + 0.03 * sign)});
  return points;
}

TEST(FitComplexity, PicksTheClassOfNoisyDataForEveryClass) {
  for (Complexity c : kComplexities) {
    const std::optional<Fit> fit = fit_complexity(synthetic(c, 2.5e-9));
    ASSERT_TRUE(fit) << complexity_name(c);
    EXPECT_EQ(fit->complexity, c) << complexity_name(c) << " fitted as "
                                  << complexity_name(fit->complexity);
    EXPECT_NEAR(fit->coefficient, 2.5e-9, 2.5e-9 * 0.01) << complexity_name(c);
    EXPECT_NEAR(fit->rms, 0.03, 0.001) << complexity_name(c);
  }
}

TEST(FitComplexity, ExactDataHasNoError) {
  const std::vector<FitPoint> points{{1000, 2e-3}, {2000, 4e-3}, {8000, 16e-3}};
  const std::optional<Fit> fit = fit_complexity(points);
  ASSERT_TRUE(fit);
  EXPECT_EQ(fit->complexity, Complexity::kN);
  EXPECT_NEAR(fit->coefficient, 2e-6, 2e-6 * 1e-12);
  EXPECT_LT(fit->rms, 1e-12);
}

TEST(FitComplexity, NeedsTwoUsablePointsWithDifferentN) {
  EXPECT_FALSE(fit_complexity(std::vector<FitPoint>{}));
  EXPECT_FALSE(fit_complexity(std::vector<FitPoint>{{100, 1.0}}));
  EXPECT_FALSE(fit_complexity(std::vector<FitPoint>{{100, 1.0}, {100, 1.1}}));
  // A point at N = 0 or with no time cannot be fitted; it is left out, not a reason to fail.
  EXPECT_FALSE(fit_complexity(std::vector<FitPoint>{{100, 1.0}, {0, 1.0}, {200, 0.0}}));
  const std::optional<Fit> fit =
      fit_complexity(std::vector<FitPoint>{{0, 5.0}, {100, 1.0}, {200, 2.0}, {400, 0.0}});
  ASSERT_TRUE(fit);
  EXPECT_EQ(fit->complexity, Complexity::kN);
}

TEST(FitCurve, SpansTheRangeEvenlyOnALogScaleOnTheFittedCurve) {
  const Fit fit{Complexity::kNLogN, 2e-9, 0};
  const std::vector<FitPoint> curve = fit_curve(fit, 16, 4096, 5);
  ASSERT_EQ(curve.size(), 5u);
  EXPECT_EQ(curve.front().n, 16);
  EXPECT_EQ(curve.back().n, 4096);  // exactly, not a rounded power
  EXPECT_NEAR(curve[2].n, 256, 1e-9);
  EXPECT_NEAR(curve[1].n / curve[0].n, curve[4].n / curve[3].n, 1e-9);
  for (const FitPoint& p : curve) EXPECT_DOUBLE_EQ(p.seconds, 2e-9 * p.n * std::log2(p.n));
}

TEST(ComplexityName, NamesAsReportsPrintThem) {
  std::vector<std::string> names;
  for (Complexity c : kComplexities) names.push_back(complexity_name(c));
  EXPECT_EQ(names,
            (std::vector<std::string>{"1", "log N", "N", "N log N", "N log^2 N", "N^2", "N^3"}));
}

}  // namespace
}  // namespace kernels::runner
