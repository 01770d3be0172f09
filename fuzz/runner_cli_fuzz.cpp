// Configures the runner from arbitrary command lines, as `kernels run` does, without loading the
// jobs' inputs: the only outcomes are a plan of configured jobs (or the help asked for) and a
// UsageError. Anything else (another exception, a crash, a sanitizer's report, a slow or huge
// configuration) is a fault.
//
// Input: tokens separated by '\0' or '\n'; a first token "run" is the command and is dropped.
// Files are read only by Job::load(), which nothing here calls, so no option reads a file.
//
// On a plan: the runner's settings are within their limits, every job is a registered one, its
// args() can be asked for, and for a job that takes no driver arguments, configuring it again from
// its args() gives the same args() (the configuration in a report reproduces the job).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "job/job.h"
#include "run/run_plan.h"

namespace {

namespace kr = kernels::runner;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "runner_cli_fuzz: %s\n", what.c_str());
  std::abort();
}

std::vector<std::string> split(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> tokens;
  std::string token;
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\0' || c == '\n') {
      tokens.push_back(std::move(token));
      token.clear();
    } else {
      token.push_back(c);
    }
  }
  if (size > 0 && data[size - 1] != '\0' && data[size - 1] != '\n') tokens.push_back(token);
  return tokens;
}

std::string joined(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& a : args) out += (out.empty() ? "'" : " '") + a + "'";
  return out;
}

void check_plan(const kr::RunPlan& plan) {
  if (!plan.help.empty()) return;  // help asked for: nothing else was checked
  if (plan.jobs.empty()) fail("a plan without jobs");
  const kr::RunSettings& run = plan.settings.run;
  if (run.repeat < 1 || run.repeat > 1000000 || run.warmup < 0 || run.warmup > 1000000)
    fail("settings out of range: repeat " + std::to_string(run.repeat) + ", warmup " +
         std::to_string(run.warmup));
  for (const kr::PlannedJob& p : plan.jobs) {
    if (p.job == nullptr || kr::find_job(p.name) == nullptr) fail("unregistered job " + p.name);
    const std::vector<std::string> args = p.job->args();
    if (p.job->driver_args() != nullptr) continue;
    // Such a job's args() are option and value pairs, given again as "--option=value" so that a
    // value that looks like an option stays a value.
    if (args.size() % 2 != 0) fail(p.name + " " + joined(args) + " is not option-value pairs");
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < args.size(); i += 2) tokens.push_back(args[i] + "=" + args[i + 1]);
    std::unique_ptr<kr::Job> again;
    try {
      again = kr::configure_job(p.name, tokens, kr::Load::kNo);
    } catch (const kr::UsageError& e) {
      fail(p.name + " " + joined(args) + " does not configure again: " + e.what());
    }
    if (again->args() != args)
      fail(p.name + " " + joined(args) + " configures again as " + joined(again->args()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> tokens = split(data, size);
  if (!tokens.empty() && tokens.front() == "run") tokens.erase(tokens.begin());
  try {
    check_plan(kr::parse_run(tokens, kr::Load::kNo));
  } catch (const kr::UsageError&) {
    // A usage error: the runner prints it and exits with status 2.
  } catch (const std::exception& e) {
    fail(std::string("not a usage error: ") + e.what());
  }
  return 0;
}
