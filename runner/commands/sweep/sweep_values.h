// The values a sweep runs a job at, from the text after "OPTION=" in `kernels sweep --over`.
#ifndef KERNELS_RUNNER_COMMANDS_SWEEP_SWEEP_VALUES_H_
#define KERNELS_RUNNER_COMMANDS_SWEEP_SWEEP_VALUES_H_

#include <string>
#include <vector>

namespace kernels::runner {

// Most values one sweep may have.
inline constexpr std::size_t kMaxSweepValues = 1000;

// The values of `text`, ascending:
// - a comma list of whole decimal numbers (digits, perhaps after a minus sign), "1000,3000,10000",
// which must ascend strictly;
// - a geometric range "START..ENDxFACTOR": START, START·FACTOR, START·FACTOR², ... up to END,
//   each rounded to the nearest whole number, repeats (from a small START and FACTOR) dropped.
//   END is a bound: it is among the values only when the sequence hits it. START and END are
//   whole numbers with 1 <= START <= END; FACTOR is a decimal number above 1 ("4", "1.5").
// Throws UsageError, one line, for anything else: an empty text or item, a number that is not
// whole and decimal or does not fit in 64 bits, a list that does not ascend, START > END, a
// START below 1, a FACTOR of 1 or less, or more than kMaxSweepValues values.
std::vector<long long> parse_sweep_values(const std::string& text);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_SWEEP_SWEEP_VALUES_H_
