// The Mann–Whitney U test: whether two sets of run times come from one distribution, by ranks
// alone, so that one stray slow run weighs no more than any other slower run.
#ifndef KERNELS_RUNNER_COMMANDS_COMPARE_MANN_WHITNEY_H_
#define KERNELS_RUNNER_COMMANDS_COMPARE_MANN_WHITNEY_H_

#include <optional>
#include <vector>

namespace kernels::runner {

// The two-sided p-value of the U test of `a` against `b`: the chance, were both drawn from one
// distribution, of a U statistic at least as far from its mean as theirs. Exact when there are
// no ties and at most kExactUTestLimit values a side; otherwise by the normal approximation with
// the tie correction and a continuity correction of 1/2. None when either side is empty; 1 when
// every value is tied. Values must be finite.
inline constexpr std::size_t kExactUTestLimit = 20;
std::optional<double> u_test_p_value(const std::vector<double>& a, const std::vector<double>& b);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_COMPARE_MANN_WHITNEY_H_
