// kernels: runs the kernels' drivers, times them and reports what they did.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "job.h"
#include "report.h"

namespace kernels::runner {
namespace {

constexpr const char* kUsage =
    R"(usage: kernels run NAME... [--repeat N] [--json] [JOB OPTIONS] [-- ARGS]
       kernels list
       kernels --help

Runs each named kernel job (or 'all' of them): one untimed warm-up run, then N timed runs
(default 3), then one untimed observed run that counts the calls of the fixed-form operations.
The run storage is reset between runs. For each job it prints a block with the median, mean ± σ,
min … max of the timed runs, the storage one run took, the calls, a summary of the final state
and its 64-bit FNV-1a digest (see docs/digests.md).

  --repeat N   timed runs per job, N >= 1 (default 3)
  --json       one JSON object per job on its own line, with every run's time
  -- ARGS      what follows goes to the last named job's driver as argv[1..]

An option after a job's name that is not --repeat or --json belongs to that job; 'kernels list'
shows each job's options. Exit status: 0 on success, 2 for a usage error (nothing is run),
1 when a job fails.
)";

void warn_if_slow_build() {
#if !defined(__OPTIMIZE__)
  std::fputs("kernels: warning: built without optimisation; times are not representative\n",
             stderr);
#endif
#if !defined(NDEBUG)
  std::fputs("kernels: warning: built with assertions on; times are not representative\n", stderr);
#endif
}

void list_jobs() {
  for (const JobInfo& j : jobs()) {
    std::printf("%-14s %s\n", j.name, j.description);
    std::string options = j.options;
    std::size_t start = 0;
    while (start < options.size()) {
      std::size_t end = options.find('\n', start);
      if (end == std::string::npos) end = options.size();
      std::printf("%-14s   %s\n", "", options.substr(start, end - start).c_str());
      start = end + 1;
    }
  }
}

struct Planned {
  std::string name;
  std::unique_ptr<Job> job;
};

struct RunPlan {
  std::vector<Planned> jobs;
  int repeat = 3;
  bool json = false;
};

RunPlan parse_run(const std::vector<std::string>& tokens) {
  RunPlan plan;
  Planned* current = nullptr;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::string& t = tokens[i];
    if (t == "--") {
      if (current == nullptr) throw UsageError("'--' must follow a kernel name");
      current->job->take_driver_args({tokens.begin() + static_cast<long>(i) + 1, tokens.end()});
      break;
    }
    if (t.size() > 1 && t[0] == '-') {
      OptionCursor cursor(tokens, i);
      if (cursor.flag() == "--json" && !cursor.has_inline_value()) {
        plan.json = true;
      } else if (cursor.flag() == "--repeat") {
        plan.repeat = static_cast<int>(parse_integer(cursor.value(), "--repeat", 1, 1000000));
      } else if (current == nullptr || !current->job->take_option(cursor)) {
        throw UsageError("unknown option '" + t + "'" +
                         (current ? " for kernel " + current->name : std::string()));
      }
      continue;
    }
    if (t == "all") {
      for (const JobInfo& j : jobs()) plan.jobs.push_back({j.name, j.make()});
      current = nullptr;  // options after 'all' would be ambiguous
      continue;
    }
    const JobInfo* info = find_job(t);
    if (info == nullptr) throw UsageError("unknown kernel '" + t + "' (see 'kernels list')");
    plan.jobs.push_back({info->name, info->make()});
    current = &plan.jobs.back();
  }
  if (plan.jobs.empty())
    throw UsageError("'run' needs a kernel name or 'all' (see 'kernels list')");
  for (Planned& p : plan.jobs) p.job->validate();
  return plan;
}

int run_command(const std::vector<std::string>& tokens) {
  RunPlan plan = parse_run(tokens);
  warn_if_slow_build();
  for (Planned& p : plan.jobs) {
    Report r = run_job(p.name, *p.job, plan.repeat);
    std::cout << (plan.json ? report_json(r) + "\n" : report_text(r)) << std::flush;
  }
  return 0;
}

int main_kernels(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "list" && args.size() == 1) {
    list_jobs();
    return 0;
  }
  if (command == "run") {
    for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i)
      if (args[i] == "--help" || args[i] == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
      }
    return run_command({args.begin() + 1, args.end()});
  }
  throw UsageError("unknown command '" + command + "' (try 'kernels --help')");
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
