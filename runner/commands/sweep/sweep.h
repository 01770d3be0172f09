// `kernels sweep`: one job run at each value of one of its numeric options, then the complexity
// class that best fits its times.
#ifndef KERNELS_RUNNER_COMMANDS_SWEEP_SWEEP_H_
#define KERNELS_RUNNER_COMMANDS_SWEEP_SWEEP_H_

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "commands/sweep/fit.h"
#include "job/job.h"
#include "run/run_plan.h"

namespace kernels::runner {

// What `kernels sweep TOKENS` asks for. When `help` is not empty the command asked for help and
// nothing else in it was checked.
struct SweepPlan {
  std::string kernel;
  std::string option;                   // the swept option without its dashes: "size"
  std::vector<long long> values;        // ascending
  std::vector<std::string> job_tokens;  // the rest of the command line, the runner's options too
  RunnerSettings settings;
  std::unique_ptr<Job> first;  // the job of the first value, configured and loaded
  std::string help;
};

// Parses the tokens after `kernels sweep`: NAME first, then "--over OPTION=VALUES" (OPTION with
// or without its leading "--"; VALUES as parse_sweep_values reads them), the runner's options
// (--repeat, --warmup, --no-observe, --json) and the job's own, as `kernels run NAME` takes them.
// Every value is checked by configuring the job with it, so a value the job refuses is refused
// here, before anything runs; the first point's job is also loaded, so a bad input file is too.
// Throws UsageError, one line, when NAME is not a job, --over is missing or repeated, OPTION is not
// one of the job's numeric options or is also given directly, VALUES is malformed, or the job
// refuses a value or another option.
SweepPlan parse_sweep(const std::vector<std::string>& tokens);

// A new job configured for one point of the sweep, `--OPTION value` added to its tokens.
// REQUIRES: `plan` came from parse_sweep, which has checked every value.
std::unique_ptr<Job> sweep_job(const SweepPlan& plan, long long value);

// A fit of the points whose working sets lie in one regime (regime_of: "L1", "L2", ...,
// "memory").
struct RegimeFit {
  std::string regime;
  int first = 0, last = 0;  // the points it covers, indices into the sweep's points
  Fit fit;
};

// The fits of each run of consecutive points in the same regime (`regimes[i]` is point i's,
// "" for unknown), for runs of three points or more with a known regime whose fit exists. None
// when one regime holds every point: the sweep's whole fit covers it.
std::vector<RegimeFit> fit_regimes(const std::vector<FitPoint>& points,
                                   const std::vector<std::string>& regimes);

// `kernels sweep TOKENS`: runs the plan point by point and prints on `out`, as text, a table (the
// value, N, the median time and spread, the throughput, the digest) and the fit; or, with --json,
// one report per point, as `kernels run --json` prints it, and then
// {"kernel", "over", "fit": {"complexity", "coefficient", "rms", "curve"}, "regimes": [{"regime",
// "first", "last", "complexity", "coefficient", "rms"}]}, "fit" null with fewer than two points;
// "curve" is fit_curve's [[N, seconds], ...] at 33 values across the points' N. N is the job's
// work when it tells it, else the value. Each point's working set (its work's bytes counter) is
// placed against the caches of the run context: the text marks where it leaves one cache for the
// next, and the points of each cache regime are fitted apart when the points allow
// (fit_regimes). With --count every point is counted too (count_job), its counts in its report,
// and the instructions get a fit of their own beside the time's: a "count fit" line, or in JSON
// "instructions_fit" as "fit" is (without the curve), its coefficient in instructions. Returns
// the exit status.
int sweep_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_SWEEP_SWEEP_H_
