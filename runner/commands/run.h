// `kernels run`: runs jobs and reports their times, summaries and digests.
#ifndef KERNELS_RUNNER_COMMANDS_RUN_H_
#define KERNELS_RUNNER_COMMANDS_RUN_H_

#include <ostream>
#include <string>
#include <vector>

namespace kernels::runner {

// `kernels run TOKENS` (the tokens after "run", as parse_run reads them): every job is
// configured and loaded first, then run in turn (with --interleave, round by round: a run of every
// job before the next run of any); its report goes to `out` as soon as it is done
// (text blocks under one context line, or one JSON line each with --json). Returns 0. Throws
// UsageError for a bad command line or input file (nothing has run then), std::runtime_error when
// a job fails or `out` cannot be written.
int run_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_RUN_H_
