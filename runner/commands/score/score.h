// `kernels score RUNS.jsonl [--reference REF.jsonl] [--by time|instructions] [--json]`: one number
// for a machine and build: the geometric mean of its speed ratios (or instruction ratios) against
// a reference run, every result validated.
//
// The reference run shipped with the runner is results/reference_run.jsonl, compiled in
// (results/reference_run.md says on what machine it was recorded), so a score of 2.0 means twice
// that machine's speed.
#ifndef KERNELS_RUNNER_COMMANDS_SCORE_SCORE_H_
#define KERNELS_RUNNER_COMMANDS_SCORE_SCORE_H_

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "results/saved_run.h"

namespace kernels::runner {

// The geometric mean GM of `ratios` and their geometric standard deviation
// GSD = exp(sqrt(mean(ln²(r / GM)))); the range of the score is GM / GSD to GM · GSD.
// REQUIRES: `ratios` is not empty and every ratio is finite and > 0.
struct GeometricSummary {
  double mean = 0, gsd = 0;
};
GeometricSummary geometric_summary(const std::vector<double>& ratios);

// One job of the runs against the reference, as `kernels score --json` prints it: kernel, args,
// reference_median, median, by ("time" or "instructions"), reference_value and value (what the
// ratio divides: the medians, or the instructions, null without counts), ratio (reference value /
// value) and valid: whether the digest is
// the reference's and, when the known results have a case of these args, the known one (a null
// digest never is). A job missing from either side, or whose median is 0, has null for what it
// lacks, ratio and valid, and is not scored.
struct ScoredJob {
  const SavedRun* run = nullptr;        // null: only in the reference
  const SavedRun* reference = nullptr;  // null: only in the runs
  std::optional<double> ratio;
  std::optional<bool> valid;
};

// What a ratio compares: the median times, or the counted instructions (`--by instructions`:
// reference instructions / instructions, for the jobs that carry counts on both sides; the others
// are listed, not scored).
enum class ScoreBy { kTime, kInstructions };

// The jobs of `runs` in order paired with `reference` (as pair_reports pairs them), then the
// reference's jobs missing from the runs.
std::vector<ScoredJob> score_jobs(const std::vector<SavedRun>& runs,
                                  const std::vector<SavedRun>& reference,
                                  ScoreBy by = ScoreBy::kTime);

// `kernels score ... [--by time|instructions]`, given the tokens after "score", printing on `out`:
// the per-job table and
// the score with three significant digits (or one JSON object per job and a last summary object
// with --json). Returns 0 with a score; 1 when a result is invalid (then there is no score).
// Throws UsageError for a bad command line, a file that cannot be read, holds a malformed report
// or none, and when no job of the runs is in the reference.
int score_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_SCORE_SCORE_H_
