#include "run/run_plan.h"

#include <algorithm>
#include <deque>

#include "cli/cli.h"
#include "run/out_of_memory.h"

namespace kernels::runner {
namespace {

bool is_option(const std::string& token) {
  return token.size() > 1 && token[0] == '-' && token != "--";
}

bool is_help(const std::string& token) {
  return token == "--help" || token == "-h";
}

// The tokens of one job, as they will be parsed by its app.
struct Segment {
  const JobInfo* info = nullptr;
  std::unique_ptr<Job> job;
  std::unique_ptr<CLI::App> app;
  std::vector<std::string> tokens;
  std::vector<std::string> driver_args;
  bool has_driver_args = false;
};

// Moves the option at tokens[i] (and its value, when it takes one and has no "=value") to `out`.
// A flag given a value is refused here: CLI11 would take "--flag=1" as setting it.
void take_option(const CLI::Option& opt, const std::vector<std::string>& tokens, std::size_t& i,
                 std::vector<std::string>& out) {
  const std::string& t = tokens[i];
  const bool inline_value = t.find('=') != std::string::npos;
  if (is_flag(opt)) {
    if (inline_value) throw UsageError(opt.get_name() + " takes no value");
    out.push_back(t);
    return;
  }
  out.push_back(t);
  if (inline_value) return;
  if (i + 1 >= tokens.size() || tokens[i + 1] == "--")
    throw UsageError("option " + opt.get_name() + " needs a value");
  out.push_back(tokens[++i]);
}

void finish_segment(Segment& s) {
  const std::string name = s.info->name;
  parse_or_help(*s.app, name, s.tokens);  // a help token never gets here
  if (s.has_driver_args) {
    std::optional<std::vector<std::string>>* args = s.job->driver_args();
    if (args == nullptr) throw UsageError(name + " takes no arguments after '--'");
    *args = std::move(s.driver_args);
  }
  s.job->validate();
}

Segment new_segment(const JobInfo& info) {
  Segment s;
  s.info = &info;
  s.job = info.make();
  s.app = job_app(info, *s.job);
  return s;
}

}  // namespace

void declare_runner_settings(CLI::App& app, RunnerSettings& settings) {
  add_number(app, "--repeat", settings.run.repeat, 1, 1000000, "N", "timed runs per job");
  add_number(app, "--warmup", settings.run.warmup, 0, 1000000, "N",
             "untimed runs per job before the timed ones");
  app.add_flag(
      "--no-observe", [&settings](std::int64_t) { settings.run.observe = false; },
      "skip the observed run: no calls, and no digest for jobs whose digest needs it");
  app.add_flag("--json", settings.json, "one JSON object per job on its own line");
  app.add_flag("--count", settings.run.count,
               "also count one run of each job's timed region under Valgrind: instructions, data "
               "reads and writes, simulated cache misses, branches and mispredicts "
               "(docs/counting.md)");
  app.add_flag("--counted-run", settings.run.counted_region)->group("");  // the counted child's
}

std::unique_ptr<CLI::App> run_app(RunnerSettings& settings) {
  auto app = new_app(
      "Runs each named kernel job (or 'all' of them): --warmup untimed runs, then --repeat timed "
      "runs, then one untimed observed run that counts the calls of the fixed-form operations. "
      "The run storage is reset between runs. For each job it prints a block with the median, "
      "mean ± σ, min … max of the timed runs, the storage one run took, the calls, a summary of "
      "the final state and its 64-bit FNV-1a digest (see docs/digests.md).",
      "kernels run", "kernels run NAME... [OPTIONS] [JOB OPTIONS] [-- ARGS...]");
  declare_runner_settings(*app, settings);
  app->add_flag("--interleave", settings.interleave,
                "with several jobs, run round r of every job before round r+1 (the warm-ups "
                "first), so that a drift in the machine's speed spreads over every job; the "
                "reports are the same");
  app->footer(
      "An option after a job's name that is not one of the above belongs to that job; 'kernels "
      "list' shows each job's options and 'kernels run NAME --help' one job's. What follows '--' "
      "goes to the last named job's driver as argv[1..]. Exit status: 0 on success, 2 for a "
      "usage error (nothing is run), 1 when a job fails.");
  return app;
}

std::unique_ptr<CLI::App> job_app(const JobInfo& info, Job& job) {
  const std::string name = std::string("kernels run ") + info.name;
  auto app = new_app(info.description, name,
                     name + " [OPTIONS]" + (info.driver_args ? " [-- ARGS...]" : ""));
  job.declare(*app);
  if (info.driver_args != nullptr) app->footer(std::string("-- ARGS...  ") + info.driver_args);
  return app;
}

RunPlan parse_run(const std::vector<std::string>& tokens, Load load) {
  RunPlan plan;
  auto runner = run_app(plan.settings);
  std::vector<std::string> runner_tokens;
  std::deque<Segment> segments;  // a deque: `current` stays valid as it grows
  Segment* current = nullptr;    // the job that options after it belong to

  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::string& t = tokens[i];
    if (is_help(t)) {
      plan.help = current != nullptr ? current->app->help() : runner->help();
      return plan;
    }
    if (t == "--") {
      if (current == nullptr) throw UsageError("'--' must follow a kernel name");
      current->has_driver_args = true;
      current->driver_args.assign(tokens.begin() + static_cast<long>(i) + 1, tokens.end());
      break;
    }
    if (is_option(t)) {
      const std::string name = t.substr(0, t.find('='));
      if (const CLI::Option* opt = runner->get_option_no_throw(name)) {
        take_option(*opt, tokens, i, runner_tokens);
      } else if (const CLI::Option* job_opt =
                     current ? current->app->get_option_no_throw(name) : nullptr;
                 job_opt != nullptr && !job_opt->get_positional()) {
        take_option(*job_opt, tokens, i, current->tokens);
      } else {
        throw UsageError("unknown option '" + t + "'" +
                         (current ? " for kernel " + std::string(current->info->name) : ""));
      }
      continue;
    }
    if (t == "all") {
      for (const JobInfo& j : jobs()) segments.push_back(new_segment(j));
      current = nullptr;  // options after 'all' would be ambiguous
      continue;
    }
    const JobInfo* info = find_job(t);
    if (info == nullptr) throw UsageError("unknown kernel '" + t + "' (see 'kernels list')");
    segments.push_back(new_segment(*info));
    current = &segments.back();
  }
  if (segments.empty()) throw UsageError("'run' needs a kernel name or 'all' (see 'kernels list')");
  parse_or_help(*runner, "run", runner_tokens);
  if (plan.settings.run.counted_region) {
    // The child of a counted run: one run, counted, its report on stdout for the parent's log.
    RunSettings& run = plan.settings.run;
    run.warmup = 0;
    run.repeat = 1;
    run.observe = false;
    run.count = false;
    run.peak_memory = false;
    plan.settings.json = true;
    plan.settings.interleave = false;
  }
  for (Segment& s : segments) {
    std::vector<std::string> job_tokens = s.tokens;  // before finish_segment takes them
    if (s.has_driver_args) {
      job_tokens.push_back("--");
      job_tokens.insert(job_tokens.end(), s.driver_args.begin(), s.driver_args.end());
    }
    finish_segment(s);
    plan.jobs.push_back({s.info->name, std::move(s.job), std::move(job_tokens)});
  }
  if (load == Load::kYes)
    for (PlannedJob& p : plan.jobs) guard_memory(p.name, [&] { p.job->load(); });
  return plan;
}

std::unique_ptr<Job> configure_job(std::string_view name, const std::vector<std::string>& tokens,
                                   Load load) {
  std::vector<std::string> all{std::string(name)};
  all.insert(all.end(), tokens.begin(), tokens.end());
  RunPlan plan = parse_run(all, load);
  if (!plan.help.empty() || plan.jobs.size() != 1)
    throw UsageError("configure_job: '" + std::string(name) + "' is not one job");
  return std::move(plan.jobs.front().job);
}

}  // namespace kernels::runner
