// The command line of `kernels run`: job names, each followed by its own options, the runner's
// settings anywhere, and the driver's arguments after "--".
#ifndef KERNELS_RUNNER_RUN_RUN_PLAN_H_
#define KERNELS_RUNNER_RUN_RUN_PLAN_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

#include "job/job.h"
#include "run/run_job.h"

namespace kernels::runner {

// The runner's settings for a command that runs jobs.
struct RunnerSettings {
  RunSettings run;
  bool json = false;
  bool interleave = false;  // `kernels run --interleave`: round r of every job before round r + 1
};

// Declares --repeat, --warmup, --no-observe, --json and --count on `app`, bound to `settings`,
// and the hidden --counted-run of the child that a counted run starts (count/counted_run.h):
// one timed run, marked as the counted region, no warm-up, no observed run, JSON out.
void declare_runner_settings(CLI::App& app, RunnerSettings& settings);

// The app that describes `kernels run`, for its help.
std::unique_ptr<CLI::App> run_app(RunnerSettings& settings);

// The app of job `info` with the options that `job` declares, for parsing and for help.
std::unique_ptr<CLI::App> job_app(const JobInfo& info, Job& job);

struct PlannedJob {
  std::string name;
  std::unique_ptr<Job> job;
  // The job's own tokens as typed (its options, then "--" and the driver's arguments when given),
  // so that a counted run can configure the same job in another process.
  std::vector<std::string> tokens;
};

// What `kernels run TOKENS` asks for. When `help` is not empty the command asked for help
// (--help or -h) and nothing else in it was checked.
struct RunPlan {
  std::vector<PlannedJob> jobs;
  RunnerSettings settings;
  std::string help;
};

// Whether configuring a job also loads its inputs (Job::load()).
enum class Load {
  kYes,  // every job validated, then every job loaded: ready to run
  kNo,   // every job validated only: no file read, nothing allocated by a configured size
};

// Parses the tokens after `kernels run`. A token that names a job (or "all", every job with its
// defaults) starts that job's options; an option of the runner's may stand anywhere before "--";
// what follows "--" goes to the last named job's driver. Every job is validated and then, with
// Load::kYes, every job is loaded, so that a bad file of any job is reported before anything
// runs. Throws UsageError for an unknown job or option, a bad value, a job without a name before
// it, or none at all, and for a missing or bad file when loading.
RunPlan parse_run(const std::vector<std::string>& tokens, Load load = Load::kYes);

// A new job NAME configured from its own tokens, as `kernels run NAME TOKENS` configures it (the
// runner's settings are not among them), validated and, with Load::kYes, loaded. Throws
// UsageError as parse_run does.
std::unique_ptr<Job> configure_job(std::string_view name, const std::vector<std::string>& tokens,
                                   Load load = Load::kYes);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_RUN_RUN_PLAN_H_
