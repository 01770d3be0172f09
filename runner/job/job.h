// What the runner needs of a kernel job, and the registry of jobs.
//
// A job wraps one kernel's driver (or its entry operations) so that the runner can configure it
// from the command line, run it repeatedly, time its own work, observe its fixed-form calls and
// report a summary and a digest of the final state. Each job is one file that defines a Job
// subclass and registers it in one line:
//
//   const JobRegistration kBisort{{40, "bisort", "sort ...", "the driver's ...",
//   &make_job<Bisort>, {{"bisort", "bisort: --size 2^10 to 2^22", "--over size=...", false}}}};
#ifndef KERNELS_RUNNER_JOB_JOB_H_
#define KERNELS_RUNNER_JOB_JOB_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "machine/ceilings.h"

namespace kernels::runner {

using Json = nlohmann::ordered_json;

// A mistake on the command line or in a job's configuration: the runner prints
// "kernels: <what>" and exits with status 2, having run nothing.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One named count of what a run did, counted from the run itself (or from an untimed replay of
// exactly its steps): the multiply-adds of a matrix product, the node loads of a sort, ...
struct Counter {
  std::string name;  // a JSON key: lower case, words joined by '_' ("multiply_adds")
  double value = 0;  // >= 0
};

// How much work one run of a job does: N for a sweep's fit and for the throughput, and the
// counters from which the job's bound is modelled.
struct Work {
  double n = 0;                     // the work size, > 0
  const char* unit;                 // what N counts, plural: "values", "pixels", "symbols", ...
  std::vector<Counter> counters{};  // in the order the report shows them

  // The counter called `name`, 0 when there is none.
  double count(std::string_view name) const {
    for (const Counter& c : counters)
      if (c.name == name) return c.value;
    return 0;
  }
  // The bytes the run touches, from a counter ending in "bytes" (the first), 0 when none does.
  double bytes() const {
    for (const Counter& c : counters)
      if (c.name.size() >= 5 && c.name.compare(c.name.size() - 5, 5, "bytes") == 0) return c.value;
    return 0;
  }
};

// The least time a run could take on this machine by its limiting resource alone.
struct Bound {
  double seconds = 0;  // > 0
  std::string limit;   // the resource: "memory latency", "multiply-add throughput", ...
  std::string detail;  // what it is charged for: "1.2 M dependent node loads"
};

// One configured kernel job. The runner calls declare() once, parses the command line into the
// declared fields, calls validate(), then load(), then for every run: prepare() and run() (or
// run_observed()), then summary() and digest() after the last run, and finish() once at the end.
// A job that is only configured (parse_run with Load::kNo) stops after validate().
class Job {
 public:
  virtual ~Job() = default;
  // Declares the job's options on `app`, bound to the job's own fields, whose values before the
  // call are the defaults. By default a job has no options.
  virtual void declare(CLI::App& /*app*/) {}
  // Where the arguments after "--" go, for a job whose driver takes arguments; they are set
  // (possibly to none) only when the command line has "--". Null: the job takes none.
  virtual std::optional<std::vector<std::string>>* driver_args() { return nullptr; }
  // After parsing: checks the configuration (ranges, options that exclude each other, sizes) and
  // nothing else. It reads no file and allocates nothing in proportion to a configured size or
  // count, so that any command line is checked quickly and in little memory. Throws UsageError
  // for a bad configuration.
  virtual void validate() {}
  // After validate(), before the first run: loads the inputs. Files are read, inputs generated and
  // argument vectors built here, before anything runs. Called again, it loads them afresh (a file
  // is read again as it is then). Throws UsageError for a missing or bad file,
  // std::runtime_error otherwise.
  virtual void load() {}
  // The configuration as it runs, for the report.
  virtual std::vector<std::string> args() const = 0;
  // Untimed, before every run: resets the kernel's state (the run arena has just been reset) and
  // builds the run's inputs.
  virtual void prepare() {}
  // Timed: the kernel's own work and nothing else.
  virtual void run() = 0;
  // Untimed: one run with the kernel's observers installed; returns the number of calls of each
  // fixed-form operation, by name.
  virtual Json run_observed() {
    run();
    return Json::object();
  }
  // Figures about the final state of the last run. A figure that only an observed run can tell is
  // null when the last run was not observed.
  virtual Json summary() const = 0;
  // FNV-1a 64 of the final state of the last run, as docs/digests.md defines it for the job;
  // empty when the job's digest needs an observed run and the last run was not one.
  virtual std::optional<std::uint64_t> digest() const = 0;
  // Untimed, once after the last run: writes the job's output files, if it has any.
  virtual void finish() {}
  // The work of one run of the configured job, read after the runs (so it may come from the last
  // one). Empty when the job cannot tell: a sweep then takes the swept value as N, and the
  // report has no throughput.
  virtual std::optional<Work> work() const { return std::nullopt; }
  // The job's bound: the time its limiting resource alone would take for `work` (what work()
  // returned) on a machine with ceilings `c`, as docs/performance.md derives it for the kernel.
  // Empty when the job has no model or the work cannot tell it.
  virtual std::optional<Bound> bound(const Work& /*work*/, const Ceilings& /*c*/) const {
    return std::nullopt;
  }
};

// One step of the job's part in the report page (tools/report, which reads them from `kernels
// list --json`): a sweep over one numeric option, or a plain run for a job without one.
struct ReportStep {
  const char* file;   // names the step's saved data: unique among the steps of every job with
                      // the same `quick`
  const char* label;  // what the step shows, one line
  // The tokens after the job's name, separated by spaces: the job's options and "--over
  // OPTION=VALUES" for a sweep (`kernels sweep NAME ARGS`); without --over, a plain run
  // (`kernels run NAME ARGS`). --repeat and --warmup here replace the report's own.
  const char* args;
  bool quick;  // a step of `tools/report --quick` (a few small points), else of the full report

  // `args` split at the spaces.
  std::vector<std::string> tokens() const;
  // True when the step is a sweep: its args hold --over.
  bool sweeps() const;
};

// A job's entry in the registry.
struct JobInfo {
  int rank;                 // place in `kernels run all` and `kernels list`, ascending
  const char* name;         // as typed on the command line
  const char* description;  // one line
  const char* driver_args;  // what "-- ARGS" does, one line; null when the job takes none
  std::unique_ptr<Job> (*make)();
  std::vector<ReportStep> report_steps;  // its steps in the report page, in the page's order
};

template <class T>
std::unique_ptr<Job> make_job() {
  return std::make_unique<T>();
}

// Adds a job to the registry when the program starts: one namespace-scope object per job.
struct JobRegistration {
  explicit JobRegistration(JobInfo info);
};

// Every registered job, by rank.
std::span<const JobInfo> jobs();
// The job called `name`, or null.
const JobInfo* find_job(std::string_view name);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_JOB_JOB_H_
