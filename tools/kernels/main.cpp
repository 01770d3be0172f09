// kernels: runs the kernels' drivers, times them and reports what they did.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "build_info.h"
#include "command_line.h"
#include "compare.h"
#include "context.h"
#include "options.h"
#include "progress.h"
#include "report.h"
#include "sweep.h"
#include "verify.h"

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

std::string version_text() {
  const BuildInfo& b = build_info();
  return std::string("kernels ") + b.version + "\ncompiler   " + b.compiler + "\nbuild      " +
         b.build_type + "\nflags      " + b.flags + "\n";
}

int run_command(const std::vector<std::string>& tokens) {
  RunPlan plan = parse_run(tokens);
  if (!plan.help.empty()) {
    std::fputs(plan.help.c_str(), stdout);
    return 0;
  }
  warn_if_slow_build();
  if (!plan.settings.json) std::cout << "context   " << context_text(run_context()) << "\n\n";
  Progress progress(static_cast<int>(plan.jobs.size()));
  int index = 0;
  for (PlannedJob& p : plan.jobs) {
    progress.job(++index, p.name);
    Report r = run_job(p.name, *p.job, plan.settings.run, &progress);
    progress.end_job();
    std::cout << (plan.settings.json ? report_json(r) + "\n" : report_text(r)) << std::flush;
  }
  return 0;
}

int list_command(const std::vector<std::string>& tokens) {
  auto app = new_app("Every job, what it does, and its options.", "kernels list");
  if (parse_or_help(*app, "list", tokens)) std::fputs(list_text().c_str(), stdout);
  return 0;
}

// A command: `kernels NAME TOKENS...` calls `main` with the tokens; it returns the exit status,
// and throws UsageError for a mistake in them.
struct Command {
  const char* name;
  const char* usage;  // after "kernels "
  const char* description;
  int (*main)(const std::vector<std::string>& tokens);
};

const Command kCommands[] = {
    {"run", "run NAME... [OPTIONS] [JOB OPTIONS] [-- ARGS...]",
     "run jobs and report their times, summaries and digests ('kernels run --help')", &run_command},
    {"list", "list", "every job, what it does, and its options", &list_command},
    {"sweep", "sweep NAME --over OPTION=VALUES [OPTIONS] [JOB OPTIONS]",
     "run a job at each value of one numeric option and fit its complexity", &sweep_command},
    {"verify", "verify [NAME...] [--quick] [--list] [--json] [--results FILE] [--record FILE]",
     "check this build against the known results ('kernels verify --help')", &verify_command},
    {"compare", "compare A.json B.json [--json]",
     "compare two saved runs: digests, time ratios and verdicts", &compare_command},
};

int main_kernels(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const Command& c : kCommands)
    if (!args.empty() && args[0] == c.name) return c.main({args.begin() + 1, args.end()});

  // No command: the program's own options, and the help that lists the commands.
  std::string usage;
  for (const Command& c : kCommands)
    usage += (usage.empty() ? "" : "\n       ") + std::string("kernels ") + c.usage;
  auto app = new_app("Runs the kernels' drivers, times them and reports what they did.", "kernels",
                     usage + "\n       kernels --version");
  bool version = false;
  app->add_flag("--version", version, "the library's version, the compiler, build type and flags");
  for (const Command& c : kCommands) app->add_subcommand(c.name, c.description);
  if (args.empty()) {
    std::fputs(app->help().c_str(), stderr);
    return 2;
  }
  try {
    if (!parse_or_help(*app, "", args)) return 0;
  } catch (const UsageError& e) {
    throw UsageError(std::string(e.what()) + " (try 'kernels --help')");
  }
  if (!version) throw UsageError("no command (try 'kernels --help')");
  std::fputs(version_text().c_str(), stdout);
  return 0;
}

}  // namespace
}  // namespace kernels::runner

int main(int argc, char** argv) {
  try {
    return kernels::runner::main_kernels(argc, argv);
  } catch (const kernels::runner::UsageError& e) {
    std::fprintf(stderr, "kernels: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kernels: %s\n", e.what());
    return 1;
  }
}
