// `kernels verify`: runs the known-results cases (known_results.h) and checks that this build
// gives each case's digest and summary figures.
#ifndef KERNELS_RUNNER_COMMANDS_VERIFY_VERIFY_H_
#define KERNELS_RUNNER_COMMANDS_VERIFY_VERIFY_H_

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "job/job.h"
#include "results/known_results.h"

namespace kernels::runner {

// What one case gave.
struct CaseResult {
  std::optional<std::string> actual;  // the run's digest; none when the job gave none or failed
  Json summary = Json::object();      // the run's values of the figures the case names
  std::vector<std::string> problems;  // why the case failed, one text each; empty: it passed
  double seconds = 0;                 // wall time of the case: configuring and the run
  bool pass() const { return problems.empty(); }
};

// Runs case `c` once: writes its input, if it has one, into directory `dir`, configures the job
// from the case's args (the input's name replaced by the file's path) and runs it with no
// warm-up and no timed run: the single run is the observed one, untimed, since some jobs'
// digests exist only through their observers. Then compares the digest and each named summary
// figure (a figure the run lacks is a mismatch). A case that cannot be configured or whose run
// throws is a failure with the message as its problem; check_case itself does not throw.
// REQUIRES: `dir` is a writable directory when the case has an input.
CaseResult check_case(const KnownCase& c, const std::string& dir);

// The case as this build records it: `c` with the actual digest and the actual values of the
// figures it names. REQUIRES: result.actual holds a digest.
KnownCase recorded_case(const KnownCase& c, const CaseResult& result);

// `kernels verify [NAME...] [--quick] [--list] [--json] [--results FILE] [--record FILE]`, given
// the tokens after "verify". Prints on `out` one line per case (PASS or FAIL, the job and its args,
// and why on FAIL), then "N passed, N failed"; with --json one object per case, then
// {"passed": N, "failed": N}. --list prints the cases instead of running them (with --json, as
// table lines); --results reads the table from FILE instead of the built-in one; --record also
// writes the table as this build gives it to FILE, whole, once every case has run (a failure
// leaves the old FILE as it was). Returns 0 when no case failed, else 1.
// Throws UsageError for an unknown option or job, --list with --record, or a table that cannot
// be read or parsed.
int verify_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_VERIFY_VERIFY_H_
