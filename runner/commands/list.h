// `kernels list [--json]`: every job, what it does, its options and its steps in the report.
#ifndef KERNELS_RUNNER_COMMANDS_LIST_H_
#define KERNELS_RUNNER_COMMANDS_LIST_H_

#include <ostream>
#include <string>
#include <vector>

namespace kernels::runner {

// Every job by rank: its name and one-line description, then its options with their limits and
// defaults (or "(no options)"), and what "-- ARGS..." does for a job whose driver takes them.
std::string list_text();

// Every job by rank as one JSON object a line: {"name", "description", "driver_args" (null when
// the job takes none), "options": [{"name", "help", "default"}], "report": [{"file", "label",
// "command" ("sweep" when the args hold --over, else "run"), "args" (tokens after the job's
// name), "quick"}]}, the steps as the job declares them (job.h).
std::string list_json();

// `kernels list [--json]`: prints list_text(), or list_json() with --json, on `out`. Returns 0;
// throws UsageError for any other token.
int list_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_LIST_H_
