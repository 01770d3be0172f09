// Running a configured job: the warm-up, timed and observed runs, and the statistics of the
// timed ones.
#ifndef KERNELS_RUNNER_RUN_RUN_JOB_H_
#define KERNELS_RUNNER_RUN_RUN_JOB_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "count/counts.h"
#include "count/peak_memory.h"
#include "job/job.h"
#include "run/stats.h"

namespace kernels::runner {

class Progress;

// How many runs of each kind a job gets.
struct RunSettings {
  int warmup = 1;       // untimed runs before timing, >= 0
  int repeat = 3;       // timed runs, >= 0 (0: none, for a check that needs only the digest)
  bool observe = true;  // one untimed run with observers after the timed ones
  // `kernels run --count`: the command adds one counted run under Valgrind (count/counted_run.h).
  bool count = false;
  // In the child that count_job starts: the timed runs are marked as the counted region.
  bool counted_region = false;
  // Reset the resident high-water mark before the job's first run and report it after the last;
  // off when runs of other jobs come between (interleaved), which would share the peak.
  bool peak_memory = true;
  const Ceilings* ceilings = nullptr;  // this machine's, for the bound; null: no bound
};

// What one job did: the configuration, the timings and the final state.
struct Report {
  std::string kernel;
  std::vector<std::string> args;
  TimeStats seconds;
  std::uint64_t records = 0;  // run arena records handed out by one run
  std::uint64_t bytes = 0;    // and their bytes
  Json calls;                 // null when there was no observed run
  Json summary;
  std::optional<std::uint64_t> digest;
  std::optional<Work> work;      // the job's work per run, when it can tell
  PeakMemory memory;             // the peak resident memory of the job's runs
  std::optional<Counts> counts;  // the counted run's, with --count
  std::optional<Bound> bound;    // its bound, when the work, the ceilings and a model allow one
  std::string bound_note;        // why there is no bound, when there is none
};

// A job's runs taken one at a time, so that the runs of several jobs can be interleaved: its
// warm-up runs, then its timed runs, then finish(). Each run resets the run arena and prepares the
// job first, so runs of other jobs may come between two of its runs; finish() makes the observed
// run and reads the summary and digest.
// REQUIRES: the job has been validated and loaded and outlives this object. Without the observed
// run, finish() reads the state of the last run, so no other job may run between the last run and
// finish().
class JobRuns {
 public:
  JobRuns(const std::string& name, Job& job, const RunSettings& settings, Progress* progress);
  // One warm-up run.
  void warmup();
  // One timed run.
  void timed();
  // The observed run (when settings.observe), then the report. Call once, last.
  Report finish();

 private:
  double one_run(const char* kind, bool observed);

  Job& job_;
  const RunSettings settings_;
  Progress* progress_;
  Report report_;
  std::vector<double> seconds_;
  int total_ = 0, done_ = 0;
  bool peak_reset_ = false;
};

// Runs `job` as `settings` say, the run arena reset and the job prepared before each run: the
// warm-up runs, the timed runs (each timed around run() alone), then the observed run. The
// summary and digest are those of the last run. `progress`, when not null, is told of each run.
// REQUIRES: the job has been validated and loaded; settings.warmup, settings.repeat >= 0.
Report run_job(const std::string& name, Job& job, const RunSettings& settings,
               Progress* progress = nullptr);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_RUN_RUN_JOB_H_
