#include "commands/run.h"

#include <cstdio>
#include <vector>

#include "cli/output.h"
#include "cli/progress.h"
#include "count/counted_run.h"
#include "report/bound.h"
#include "report/context.h"
#include "report/report.h"
#include "run/run_plan.h"

namespace kernels::runner {
namespace {

void warn_if_slow_build() {
#if !defined(__OPTIMIZE__)
  std::fputs("kernels: warning: built without optimisation; times are not representative\n",
             stderr);
#endif
#if !defined(NDEBUG)
  std::fputs("kernels: warning: built with assertions on; times are not representative\n", stderr);
#endif
}

}  // namespace

int run_command(const std::vector<std::string>& tokens, std::ostream& out) {
  RunPlan plan = parse_run(tokens);
  if (!plan.help.empty()) {
    out << plan.help;
    return 0;
  }
  if (!plan.settings.run.counted_region) warn_if_slow_build();
  if (plan.settings.run.count) check_counting_available();  // before anything runs
  if (!plan.settings.json) out << "context   " << context_text(run_context()) << "\n\n";
  Progress progress(static_cast<int>(plan.jobs.size()));
  std::vector<Report> bounds;  // the reports with a bound, for the closing table
  // With --count, the job's counted run comes after its own runs, in a process of its own.
  const auto report = [&](Report r, const PlannedJob& p) {
    if (plan.settings.run.count) r.counts = count_job(p.name, p.tokens);
    out << (plan.settings.json ? report_json(r) + "\n" : report_text(r));
    check_output(out);  // a report that cannot be saved stops the run
    if (r.bound && !r.seconds.each.empty()) bounds.push_back(r);
  };
  // Several jobs' text closes with their bounds side by side.
  const auto close = [&] {
    if (plan.settings.json || bounds.size() < 2) return 0;
    out << "\n" << bound_table(bounds);
    check_output(out);
    return 0;
  };
  plan.settings.run.ceilings = cached_machine_ceilings();
  RunSettings& settings = plan.settings.run;
  if (!plan.settings.interleave) {
    int index = 0;
    for (PlannedJob& p : plan.jobs) {
      progress.job(++index, p.name);
      Report r = run_job(p.name, *p.job, settings, &progress);
      progress.end_job();
      report(std::move(r), p);
    }
    return close();
  }
  // Interleaved: every job's warm-ups round by round, then its timed runs round by round. The last
  // round of each job is followed at once by its finish (the observed run, the summary and digest
  // of its own last state) and its report, so a job's final state is never another's.
  settings.peak_memory = false;  // one process's peak would be every job's
  std::vector<JobRuns> runs;
  runs.reserve(plan.jobs.size());
  for (PlannedJob& p : plan.jobs) runs.emplace_back(p.name, *p.job, settings, &progress);
  const auto each_job = [&](auto&& step) {
    for (std::size_t i = 0; i < runs.size(); ++i) {
      progress.job(static_cast<int>(i) + 1, plan.jobs[i].name);
      step(runs[i]);
      progress.end_job();
    }
  };
  for (int w = 0; w < settings.warmup; ++w) each_job([](JobRuns& j) { j.warmup(); });
  for (int t = 0; t + 1 < settings.repeat; ++t) each_job([](JobRuns& j) { j.timed(); });
  for (std::size_t i = 0; i < runs.size(); ++i) {
    progress.job(static_cast<int>(i) + 1, plan.jobs[i].name);
    if (settings.repeat > 0) runs[i].timed();
    Report r = runs[i].finish();
    progress.end_job();
    report(std::move(r), plan.jobs[i]);
  }
  return close();
}

}  // namespace kernels::runner
