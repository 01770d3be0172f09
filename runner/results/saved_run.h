// Reading saved run reports (the JSON lines of `kernels run --json` and sweep points) strictly,
// for every command that reads them back: compare, score and export.
#ifndef KERNELS_RUNNER_RESULTS_SAVED_RUN_H_
#define KERNELS_RUNNER_RESULTS_SAVED_RUN_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "job/job.h"
#include "run/stats.h"

namespace kernels::runner {

// One saved report, checked.
struct SavedRun {
  std::string kernel;             // not empty
  std::vector<std::string> args;  // as typed
  TimeStats seconds;              // from the report's "each": at least one run, all finite, >= 0
  std::optional<std::string> digest;  // 16 lower-case hex digits; none when the report has null
  std::optional<double> work_n;       // "work": {"n", "unit"} when the report has it (n > 0)
  std::string work_unit;
  // "counts" (count/counts.h) when the report has them: an object whose counts are integers >= 0,
  // "instructions" among them; null when the report has none.
  Json counts;
  std::optional<double> peak_rss;  // "memory"."peak_rss" in bytes, when the report has one
  // "code_size": the bytes of the job's kernel by ELF section class, and "compile_seconds": the
  // time its subsystem took to compile, when the report has them (tools/compilers adds them).
  struct CodeSize {
    std::int64_t text = 0, rodata = 0, data = 0, bss = 0;
  };
  std::optional<CodeSize> code_size;
  std::optional<double> compile_seconds;
  Json counters = Json::object();       // "work"."counters": name -> count (>= 0); empty when none
  std::optional<double> bound_seconds;  // "bound"."seconds" when the report has a bound
  std::optional<double> efficiency;     // "bound"."efficiency" when it has one
  std::string bound_limit;              // "bound"."limit", or empty
  Json context = Json::object();  // the report's run context; an empty object when it has none
  std::string source;             // the file it came from, as named
  int line = 0;                   // its line in the file, from 1

  // The job's name: the kernel and its args as typed, joined by single spaces
  // ("bisort --size 1048576"; "matrix" with no args). Reports pair by it.
  std::string name() const;
};

// The reports in `text`, in order. A line is a run report when it is a JSON object with "kernel",
// "args" and an object "seconds"; other lines (blank, text, a sweep's fit, `kernels verify --json`
// lines, whose "seconds" is a number) are skipped, but a line that is not JSON and yet starts with
// "{" and names "kernel" and "seconds" (a report cut off, or with Infinity or NaN for a time) is
// malformed. A run report must hold: "kernel" a non-empty
// string, "args" a list of strings, "seconds"."each" a non-empty list of times, numbers from 0 to
// 1e9 seconds (and min, median, mean, stddev, max, when present, the same), "runs", when present,
// the count of "each", "digest" null or 16 lower-case hex digits, "work", when present, {"n" > 0,
// "unit" string, and "counters", when present, an object of numbers >= 0}, "bound", when present,
// null or {"seconds" > 0, "limit" string, "efficiency" null or > 0}, "counts", when present, an
// object whose "instructions" and other counts (those of kCountNames it has) are integers >= 0,
// "memory", when present, an object whose "peak_rss" is null or an integer >= 0, "code_size",
// when present, {"text", "rodata", "data", "bss"} integers, "compile_seconds", when present, a
// time, and "context", when present, an object. Throws UsageError "COMMAND: SOURCE:LINE: what"
// for the first report that does not, and "COMMAND: 'SOURCE' holds no run reports" when there is
// none.
std::vector<SavedRun> parse_saved_runs(std::string_view text, const std::string& source,
                                       const std::string& command);

// parse_saved_runs of the file at `path`, read whole (at most 256 MiB). Throws UsageError as
// read_file does, and as parse_saved_runs does.
std::vector<SavedRun> read_saved_runs(const std::string& path, const std::string& command);

// Pairs the reports of `a` with those of `b` by name: each report of `a`, in order, takes the
// first report of `b` of the same name not yet taken. `b_of[i]` is the index in `b` of the
// report paired with a[i], or -1; `a_of[j]` the same for b[j].
struct Pairing {
  std::vector<int> b_of, a_of;
};
Pairing pair_reports(const std::vector<SavedRun>& a, const std::vector<SavedRun>& b);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_RESULTS_SAVED_RUN_H_
