// kernels: runs the kernels' drivers, times them and reports what they did.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/output.h"
#include "commands/compare/compare.h"
#include "commands/export/export.h"
#include "commands/list.h"
#include "commands/machine.h"
#include "commands/run.h"
#include "commands/score/score.h"
#include "commands/sweep/sweep.h"
#include "commands/verify/verify.h"
#include "job/job.h"
#include "report/build_info.h"
#include "run/out_of_memory.h"

namespace kernels::runner {
namespace {

std::string version_text() {
  const BuildInfo& b = build_info();
  return std::string("kernels ") + b.version + "\ncompiler   " + b.compiler + "\nbuild      " +
         b.build_type + "\nflags      " + b.flags + "\n";
}

// A command: `kernels NAME TOKENS...` calls `main` with the tokens and the output stream; it
// returns the exit status, and throws UsageError for a mistake in them.
struct Command {
  const char* name;
  const char* usage;  // after "kernels "
  std::string description;
  int (*main)(const std::vector<std::string>& tokens, std::ostream& out);
};

const Command kCommands[] = {
    {"run", "run NAME... [OPTIONS] [JOB OPTIONS] [-- ARGS...]",
     "run jobs and report their times, summaries and digests ('kernels run --help')", &run_command},
    {"list", "list [--json]", "every job, what it does, and its options", &list_command},
    {"sweep", "sweep NAME --over OPTION=VALUES [OPTIONS] [JOB OPTIONS]",
     "run a job at each value of one numeric option and fit its complexity", &sweep_command},
    {"verify", "verify [NAME...] [--quick] [--list] [--json] [--results FILE] [--record FILE]",
     "check this build against the known results ('kernels verify --help')", &verify_command},
    {"compare", "compare A.json B.json [--json] [--fail-slower PCT] [--fail-more PCT]",
     "compare two saved runs: digests, time ratios, U tests and verdicts", &compare_command},
    {"score", "score RUNS.jsonl [--reference REF.jsonl] [--by instructions] [--json]",
     "score a saved run against the reference machine: geometric mean of speed ratios",
     &score_command},
    {"machine", "machine [--json] [--refresh]",
     "this machine's ceilings: bandwidth, latency by working set, arithmetic, caches",
     &machine_command},
    {"export", "export FORMAT FILE... [-o OUT] [--order REV]",
     "write saved runs as " + export_format_names(), &export_command},
};

int main_kernels(const std::vector<std::string>& args, std::ostream& out) {
  for (const Command& c : kCommands)
    if (!args.empty() && args[0] == c.name) return c.main({args.begin() + 1, args.end()}, out);

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
  std::string help;
  try {
    help = parse_or_help(*app, "", args);
  } catch (const UsageError& e) {
    throw UsageError(std::string(e.what()) + " (try 'kernels --help')");
  }
  if (!help.empty()) {
    out << help;
    return 0;
  }
  if (!version) throw UsageError("no command (try 'kernels --help')");
  out << version_text();
  return 0;
}

}  // namespace
}  // namespace kernels::runner

int main(int argc, char** argv) {
  using namespace kernels::runner;
  int status = 0;
  bool reported = false;  // a lost write that has already been said
  throw_on_arena_failure();
  // A write past the file-size limit (ulimit -f) then fails with EFBIG and is reported like a
  // full disk, the files being written removed, instead of ending the process and leaving them.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    status = main_kernels({argv + 1, argv + argc}, std::cout);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kernels: %s\n", e.what());
    status = 2;
  } catch (const OutputError& e) {
    std::fprintf(stderr, "kernels: %s\n", e.what());
    status = 1;
    reported = true;
  } catch (const std::bad_alloc& e) {
    std::fprintf(stderr, "kernels: %s\n", out_of_memory_message("", e).c_str());
    status = 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kernels: %s\n", e.what());
    status = 1;
  }
  // Whatever the command said must have reached its destination: a lost report is a failure.
  if (const std::string failure = close_standard_output(); !failure.empty() && !reported) {
    std::fprintf(stderr, "kernels: %s\n", failure.c_str());
    if (status == 0) status = 1;
  }
  return status;
}
