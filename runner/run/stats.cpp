#include "run/stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kernels::runner {

double median_of(std::vector<double> values) {
  if (values.empty()) return 0;
  const std::size_t n = values.size();
  std::sort(values.begin(), values.end());
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

TimeStats time_stats(std::vector<double> seconds) {
  TimeStats s;
  if (seconds.empty()) return s;
  s.each = seconds;
  std::sort(seconds.begin(), seconds.end());  // the sums below run in ascending order
  s.min = seconds.front();
  s.max = seconds.back();
  s.median = median_of(seconds);
  const double n = static_cast<double>(seconds.size());
  s.mean = std::accumulate(seconds.begin(), seconds.end(), 0.0) / n;
  double squares = 0;
  for (double x : seconds) squares += (x - s.mean) * (x - s.mean);
  s.stddev = seconds.size() > 1 ? std::sqrt(squares / (n - 1)) : 0.0;
  return s;
}

}  // namespace kernels::runner
