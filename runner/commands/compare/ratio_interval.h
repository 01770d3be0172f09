// How two sets of run times compare: the ratio of their medians with a 95 % confidence
// interval, by bootstrap.
//
// The interval is a percentile bootstrap: 2000 times, each set is resampled with replacement
// to its own size, and the ratio median(B*) / median(A*) is taken; the interval runs from the
// 2.5th to the 97.5th percentile of those ratios (nearest rank). The resampling draws from a
// Mersenne Twister (std::mt19937_64) with a fixed seed, so the same times always give the same
// interval. With few runs the interval is coarse (it can only take ratios of the runs' own times);
// use five runs or more a side for a verdict worth having.
#ifndef KERNELS_RUNNER_COMMANDS_COMPARE_RATIO_INTERVAL_H_
#define KERNELS_RUNNER_COMMANDS_COMPARE_RATIO_INTERVAL_H_

#include <optional>
#include <vector>

namespace kernels::runner {

struct RatioInterval {
  double a_median = 0, b_median = 0;
  std::optional<double> ratio;      // b_median / a_median; none when a_median is not positive
  std::optional<double> low, high;  // the 95 % interval; none with fewer than 2 runs a side
  // "faster" when the interval lies below 1 (B takes less time), "slower" when above, "same"
  // when it covers 1 or there is no interval.
  const char* verdict = "same";
};

// Compares the per-run times `b` against `a` (seconds, each >= 0). Either may be empty: its
// median is then 0 and there is neither ratio nor interval.
RatioInterval median_ratio_interval(const std::vector<double>& a, const std::vector<double>& b);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_COMPARE_RATIO_INTERVAL_H_
