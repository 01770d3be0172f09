// `kernels list`: every job, what it does, and its options.
#ifndef KERNELS_RUNNER_COMMANDS_LIST_H_
#define KERNELS_RUNNER_COMMANDS_LIST_H_

#include <ostream>
#include <string>
#include <vector>

namespace kernels::runner {

// Every job by rank: its name and one-line description, then its options with their limits and
// defaults (or "(no options)"), and what "-- ARGS..." does for a job whose driver takes them.
std::string list_text();

// `kernels list` (it takes no tokens but --help): prints list_text() on `out`. Returns 0; throws
// UsageError for any other token.
int list_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_LIST_H_
