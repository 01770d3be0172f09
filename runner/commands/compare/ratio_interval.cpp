#include "commands/compare/ratio_interval.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "run/stats.h"

namespace kernels::runner {
namespace {

constexpr int kResamples = 2000;
constexpr std::uint64_t kSeed = 20261209;

// A resample of `values` with replacement, of the same size. The index is the generator's
// output modulo the size: the bias is below 2^-50 for any realistic run count.
std::vector<double> resample(const std::vector<double>& values, std::mt19937_64& random) {
  std::vector<double> out(values.size());
  for (double& v : out) v = values[random() % values.size()];
  return out;
}

// The value at rank round(fraction * (n - 1)) of the sorted `values` (nearest rank).
double percentile(const std::vector<double>& sorted, double fraction) {
  return sorted[static_cast<std::size_t>(
      std::lround(fraction * static_cast<double>(sorted.size() - 1)))];
}

}  // namespace

RatioInterval median_ratio_interval(const std::vector<double>& a, const std::vector<double>& b) {
  RatioInterval r;
  r.a_median = median_of(a);
  r.b_median = median_of(b);
  if (a.empty() || b.empty() || !(r.a_median > 0)) return r;
  r.ratio = r.b_median / r.a_median;
  if (a.size() < 2 || b.size() < 2) return r;

  std::mt19937_64 random(kSeed);
  std::vector<double> ratios;
  ratios.reserve(kResamples);
  for (int i = 0; i < kResamples; ++i) {
    const double am = median_of(resample(a, random));
    const double bm = median_of(resample(b, random));
    // A resampled median of 0 (runs too short for the clock) gives an unbounded ratio.
    ratios.push_back(am > 0 ? bm / am : HUGE_VAL);
  }
  std::sort(ratios.begin(), ratios.end());
  r.low = percentile(ratios, 0.025);
  r.high = percentile(ratios, 0.975);
  if (*r.high < 1.0)
    r.verdict = "faster";
  else if (*r.low > 1.0)
    r.verdict = "slower";
  return r;
}

}  // namespace kernels::runner
