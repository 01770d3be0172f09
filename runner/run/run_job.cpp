#include "run/run_job.h"

#include <chrono>

#include "cli/progress.h"
#include "count/counted_run.h"
#include "kernels/shell/arena.h"
#include "run/out_of_memory.h"

namespace kernels::runner {

JobRuns::JobRuns(const std::string& name, Job& job, const RunSettings& settings, Progress* progress)
    : job_(job), settings_(settings), progress_(progress) {
  report_.kernel = name;
  report_.args = job.args();
  total_ = settings.warmup + settings.repeat + (settings.observe ? 1 : 0);
  if (settings.peak_memory) {
    peak_reset_ = reset_peak_rss();
  } else {
    report_.memory.note = "not measured: the runs of other jobs came between this job's";
  }
}

// One run from a fresh arena and a prepared job; returns the seconds that run() took. Every run
// does the same work, so the storage of the last one stands for all.
double JobRuns::one_run(const char* kind, bool observed) {
  using Clock = std::chrono::steady_clock;
  if (progress_ != nullptr) progress_->run(kind, ++done_, total_);
  const bool counted = settings_.counted_region && !observed;
  if (counted) counted_simulation(true);
  shell::arena_reset();
  shell::ArenaStats before;
  Clock::time_point start, stop;
  guard_memory(report_.kernel, [&] {
    job_.prepare();
    before = shell::arena_stats();
    start = Clock::now();
    if (observed) {
      report_.calls = job_.run_observed();
    } else if (counted) {
      counted_collect_toggle();
      job_.run();
      counted_collect_toggle();
    } else {
      job_.run();
    }
    stop = Clock::now();
  });
  if (counted) counted_simulation(false);
  const shell::ArenaStats after = shell::arena_stats();
  report_.records = after.records - before.records;
  report_.bytes = after.bytes - before.bytes;
  return std::chrono::duration<double>(stop - start).count();
}

void JobRuns::warmup() {
  one_run("warm-up", false);
}

void JobRuns::timed() {
  seconds_.push_back(one_run("timed", false));
}

Report JobRuns::finish() {
  report_.seconds = time_stats(std::move(seconds_));
  if (settings_.observe) one_run("observed", true);
  guard_memory(report_.kernel, [&] {
    report_.summary = job_.summary();
    report_.digest = job_.digest();
    report_.work = job_.work();
    if (settings_.peak_memory) report_.memory = job_peak(peak_reset_);
    if (settings_.ceilings == nullptr)
      report_.bound_note = "no machine figures: run 'kernels machine'";
    else if (!report_.work)
      report_.bound_note = "the job tells no work";
    else if (!(report_.bound = job_.bound(*report_.work, *settings_.ceilings)))
      report_.bound_note = "no model for this work";
    job_.finish();
  });
  shell::arena_reset();
  return std::move(report_);
}

Report run_job(const std::string& name, Job& job, const RunSettings& settings, Progress* progress) {
  JobRuns runs(name, job, settings, progress);
  for (int i = 0; i < settings.warmup; ++i) runs.warmup();
  for (int i = 0; i < settings.repeat; ++i) runs.timed();
  return runs.finish();
}

}  // namespace kernels::runner
