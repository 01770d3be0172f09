#include "commands/compare/mann_whitney.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kernels::runner {
namespace {

// P(U <= u) for samples of sizes m and n without ties, U counting the pairs in which the first
// sample's value is the larger. With p(i, j, u) the chance of U = u for sizes i and j, the
// largest of the i + j values belongs to the first sample with chance i / (i + j), and then it
// beats all j values of the second:
//   p(i, j, u) = i/(i+j) · p(i-1, j, u-j) + j/(i+j) · p(i, j-1, u),
// with p(0, j, 0) = p(i, 0, 0) = 1. Probabilities rather than counts keep every term in [0, 1].
double exact_cdf(std::size_t m, std::size_t n, std::size_t u) {
  // table[i][j] is the distribution for sizes i and j, u from 0 to i·j.
  std::vector<std::vector<std::vector<double>>> table(m + 1,
                                                      std::vector<std::vector<double>>(n + 1));
  for (std::size_t i = 0; i <= m; ++i)
    for (std::size_t j = 0; j <= n; ++j) {
      std::vector<double>& p = table[i][j];
      p.assign(i * j + 1, 0.0);
      if (i == 0 || j == 0) {
        p[0] = 1.0;
        continue;
      }
      const double first = static_cast<double>(i) / static_cast<double>(i + j);
      const std::vector<double>& without_first = table[i - 1][j];
      const std::vector<double>& without_second = table[i][j - 1];
      for (std::size_t k = 0; k < without_first.size(); ++k) p[k + j] += first * without_first[k];
      for (std::size_t k = 0; k < without_second.size(); ++k)
        p[k] += (1.0 - first) * without_second[k];
    }
  double sum = 0;
  for (std::size_t k = 0; k <= u && k < table[m][n].size(); ++k) sum += table[m][n][k];
  return sum;
}

}  // namespace

std::optional<double> u_test_p_value(const std::vector<double>& a, const std::vector<double>& b) {
  const std::size_t m = a.size(), n = b.size();
  if (m == 0 || n == 0) return std::nullopt;
  // Midranks of the pooled values, and the sum of t³ - t over groups of t tied values.
  std::vector<std::pair<double, bool>> pooled;  // value, from a
  for (const double v : a) pooled.emplace_back(v, true);
  for (const double v : b) pooled.emplace_back(v, false);
  std::sort(pooled.begin(), pooled.end(),
            [](const auto& x, const auto& y) { return x.first < y.first; });
  double rank_sum_a = 0, ties = 0;
  for (std::size_t i = 0; i < pooled.size();) {
    std::size_t j = i;
    while (j < pooled.size() && pooled[j].first == pooled[i].first) ++j;
    const double t = static_cast<double>(j - i);
    const double midrank = static_cast<double>(i + j + 1) / 2.0;  // ranks i+1 .. j
    for (std::size_t k = i; k < j; ++k)
      if (pooled[k].second) rank_sum_a += midrank;
    ties += t * t * t - t;
    i = j;
  }
  const double dm = static_cast<double>(m), dn = static_cast<double>(n);
  const double u_a = rank_sum_a - dm * (dm + 1) / 2;
  const double mean = dm * dn / 2;
  if (ties == 0 && m <= kExactUTestLimit && n <= kExactUTestLimit) {
    // U is symmetric about its mean: twice the tail below the smaller of U and m·n - U.
    const double low = std::min(u_a, dm * dn - u_a);
    return std::min(1.0, 2.0 * exact_cdf(m, n, static_cast<std::size_t>(std::llround(low))));
  }
  const double total = dm + dn;
  const double variance = dm * dn / 12.0 * ((total + 1) - ties / (total * (total - 1)));
  if (variance <= 0) return 1.0;  // every value tied
  const double z = std::max(0.0, std::abs(u_a - mean) - 0.5) / std::sqrt(variance);
  return std::min(1.0, std::erfc(z / std::sqrt(2.0)));
}

}  // namespace kernels::runner
