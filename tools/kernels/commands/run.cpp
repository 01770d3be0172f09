#include "commands/run.h"

#include <cstdio>

#include "core/context.h"
#include "core/output.h"
#include "core/progress.h"
#include "core/report.h"
#include "core/run_plan.h"

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
  warn_if_slow_build();
  if (!plan.settings.json) out << "context   " << context_text(run_context()) << "\n\n";
  Progress progress(static_cast<int>(plan.jobs.size()));
  int index = 0;
  for (PlannedJob& p : plan.jobs) {
    progress.job(++index, p.name);
    Report r = run_job(p.name, *p.job, plan.settings.run, &progress);
    progress.end_job();
    out << (plan.settings.json ? report_json(r) + "\n" : report_text(r));
    check_output(out);  // a report that cannot be saved stops the run
  }
  return 0;
}

}  // namespace kernels::runner
