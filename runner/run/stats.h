// Statistics over the times of a job's runs.
#ifndef KERNELS_RUNNER_RUN_STATS_H_
#define KERNELS_RUNNER_RUN_STATS_H_

#include <vector>

namespace kernels::runner {

// The median of `values`: the middle one of an odd count, the mean of the middle two of an even
// count; 0 for none.
double median_of(std::vector<double> values);

// Statistics over the timed runs, in seconds; all 0 and `each` empty when there were none.
struct TimeStats {
  double min = 0, median = 0, mean = 0, stddev = 0, max = 0;
  std::vector<double> each;  // in the order the runs were made
};
// The statistics of `seconds`; stddev is the sample standard deviation (0 for one run).
TimeStats time_stats(std::vector<double> seconds);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_RUN_STATS_H_
