// The known results: one case a line of JSON, each a job's command line with the digest and the
// summary figures that a correct build gives for it. The table the runner was built with is
// runner/results/known_results.jsonl, compiled into the program.
//
//   {"kernel": "bisort", "args": ["--size", "8"], "digest": "d06d0089ed510985", "quick": true,
//    "summary": {"nodes": 7}}
//
// `args` are the tokens after the job's name, so `kernels run bisort --size 8` runs the case.
// A case whose job reads a file also has "input" (case_input.h): the file that verify writes
// before the run; a token of `args` equal to the input's "name" stands for that file.
#ifndef KERNELS_RUNNER_RESULTS_KNOWN_RESULTS_H_
#define KERNELS_RUNNER_RESULTS_KNOWN_RESULTS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "job/job.h"

namespace kernels::runner {

// One line of the table.
struct KnownCase {
  std::string kernel;
  std::vector<std::string> args;
  std::string digest;             // 16 lower-case hexadecimal digits
  bool quick = false;             // takes well under a second: run by `kernels verify --quick`
  Json summary = Json::object();  // figures the run's summary must hold exactly, by name
  Json input;                     // null, or the input file to write (case_input.h)
};

// Reads a table: one case a line; blank lines are skipped. Keys other than the above are
// ignored. Throws UsageError "SOURCE:LINE: what" for a line that is not JSON, lacks "kernel",
// "args" or "digest", has a field of the wrong type, a digest that is not 16 lower-case
// hexadecimal digits, or names a job that does not exist.
std::vector<KnownCase> parse_known_results(std::string_view text, const std::string& source);

// The case as one line of the table, keys in the order kernel, args, input (when there is
// one), digest, quick, summary.
Json known_case_json(const KnownCase& c);

// "bisort --size 8": the job and its args as typed (an empty arg is shown as '').
std::string case_title(const KnownCase& c);

// The text of the table the runner was built with (generated from known_results.jsonl).
std::string_view builtin_known_results();

// The digest that the built-in table gives for job `kernel` with `args`, or none when it has no
// such case (a case that reads an input file never matches a saved run's args).
std::optional<std::string> known_digest(const std::string& kernel,
                                        const std::vector<std::string>& args);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_RESULTS_KNOWN_RESULTS_H_
