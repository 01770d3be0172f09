// `kernels compare A.json B.json`: pairs the reports of two saved runs by job and args, and says
// whether each pair's digests agree and how their times compare (ratio_interval.h).
#ifndef KERNELS_RUNNER_COMMANDS_COMPARE_COMPARE_H_
#define KERNELS_RUNNER_COMMANDS_COMPARE_COMPARE_H_

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "job/job.h"
#include "results/saved_run.h"

namespace kernels::runner {

// The keys of two run contexts whose values differ, each as [a, b] (a key missing from one side
// is null there); an empty object when they agree or neither is an object.
Json context_differences(const Json& a, const Json& b);

// The comparison of two reports of the same job and args, as `kernels compare --json` prints
// it: kernel, args, same_digest, a_median, b_median, ratio, low, high, p_value (the two-sided
// U test's, mann_whitney.h; null where there is none) and verdict (from the interval); then, when
// both reports carry counts, "counts": {NAME: {"a", "b", "ratio"}} for each count both have
// (ratio B/A, exact, null when A is 0); and when both carry a peak, "peak_rss": {"a", "b",
// "ratio"}.
Json compare_pair(const SavedRun& a, const SavedRun& b);

// Everything `kernels compare` says of two files' reports, one object per line of --json: the
// context differences first (only when there are some), then one compare_pair per pair (as
// pair_reports pairs them), then {"only_in": "A" or "B", "kernel", "args"} for each report left
// over, and last {"geomean": G, "pairs": N}: the geometric mean G of the ratios of the N pairs
// whose digests agree and that have a ratio (null when N is 0).
std::vector<Json> compare_reports(const std::vector<SavedRun>& a, const std::vector<SavedRun>& b);

// The names ("bisort --size 8") of the pairs in `objects` slower by more than `percent` %: ratio
// and low both above 1 + percent/100.
std::vector<std::string> slower_pairs(const std::vector<Json>& objects, double percent);

// The names of the pairs in `objects` whose count `event` (a name of kCountNames) rose by more
// than `percent` %: B/A above 1 + percent/100, or A 0 and B not. Pairs without that count on both
// sides are not among them; `counted` is set to how many pairs have it.
std::vector<std::string> risen_pairs(const std::vector<Json>& objects, const std::string& event,
                                     double percent, int& counted);

// The same as a text table for people, ending with a count line and a newline; when pairs carry
// counts, a second table of their B/A count ratios.
std::string compare_text(const std::vector<Json>& objects);

// `kernels compare A B [--json] [--fail-slower PCT] [--fail-more PCT [--fail-more-on EVENT]]`,
// given the tokens after "compare", printing on `out`. Warns once on stderr when a pair has fewer
// than 9 runs a side (not when every pair has counts and --fail-more is given: counts need one
// run). Returns 1 when any pair's digests differ, with --fail-slower when slower_pairs() names
// any, or with --fail-more when risen_pairs() names any (they are named on stderr), else 0.
// --fail-more with no pair counted on both sides is a usage error. Throws UsageError for a wrong
// number of files, an unknown option, or a file that cannot be read, holds a malformed report or
// none (run_reports.h).
int compare_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_COMPARE_COMPARE_H_
