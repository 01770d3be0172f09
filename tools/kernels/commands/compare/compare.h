// `kernels compare A.json B.json`: pairs the reports of two saved runs by job and args, and says
// whether each pair's digests agree and how their times compare (ratio_interval.h).
#ifndef KERNELS_TOOLS_KERNELS_COMMANDS_COMPARE_COMPARE_H_
#define KERNELS_TOOLS_KERNELS_COMMANDS_COMPARE_COMPARE_H_

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/job.h"

namespace kernels::runner {

// The reports in a file of JSON lines, such as saved `kernels run --json` output: every line
// that is a JSON object with "kernel", "args" and "seconds", in order. Other lines (blank ones,
// other objects such as a sweep's fit, text) are skipped. Throws UsageError when `text` holds
// no report; `source` names the file in that message.
std::vector<Json> parse_reports(std::string_view text, const std::string& source);

// The keys of two run contexts whose values differ, each as [a, b] (a key missing from one side
// is null there); an empty object when they agree or neither is an object.
Json context_differences(const Json& a, const Json& b);

// The comparison of two reports of the same job and args, as `kernels compare --json` prints
// it: kernel, args, same_digest, a_median, b_median, ratio, low, high (null where there is
// none) and verdict.
Json compare_pair(const Json& a, const Json& b);

// Everything `kernels compare` says of two files' reports, one object per line of --json: the
// context differences first (only when there are some), then one compare_pair per pair, taking
// the reports of A in order and pairing each with the first unpaired report of B of the same
// kernel and args, then {"only_in": "A" or "B", "kernel", "args"} for each report left over.
std::vector<Json> compare_reports(const std::vector<Json>& a, const std::vector<Json>& b);

// The same as a text table for people, ending with a count line and a newline.
std::string compare_text(const std::vector<Json>& objects);

// `kernels compare A B [--json]`, given the tokens after "compare", printing on `out`. Returns 1
// when any pair's digests differ, else 0. Throws UsageError for a wrong number of files, an unknown
// option, or a file that cannot be read or holds no reports.
int compare_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_TOOLS_KERNELS_COMMANDS_COMPARE_COMPARE_H_
