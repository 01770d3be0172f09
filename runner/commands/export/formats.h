// The documents `kernels export` writes: saved run reports in the formats that other tools read
// unchanged. Every function takes the reports in order, each job once (see export.h), and
// returns the whole document, ending with a newline.
#ifndef KERNELS_RUNNER_COMMANDS_EXPORT_FORMATS_H_
#define KERNELS_RUNNER_COMMANDS_EXPORT_FORMATS_H_

#include <string>
#include <vector>

#include "results/saved_run.h"

namespace kernels::runner {

// Google Benchmark's JSON output, as its compare.py reads it: "context" (date, host_name,
// executable, num_cpus, mhz_per_cpu, cpu_scaling_enabled, caches, load_avg, library_build_type,
// json_schema_version, then the first report's own context keys as strings) and "benchmarks":
// for each job one "iteration" entry per timed run (iterations 1, real_time = cpu_time, in ns,
// repetitions and repetition_index), then its "aggregate" entries _mean, _median, _stddev and _cv
// (the last as a fraction, aggregate_unit "percentage"). A kernel is a family (family_index in
// order of first appearance), each of its arg lists an instance (per_family_instance_index). The
// digest is the label. Times are whole nanoseconds. A report's counts (the names of kCountNames)
// and "peak_rss" are user counters on each of its entries: the value on the iteration, mean and
// median entries, 0 on the stddev and cv ones. The work counters are user counters on the
// iteration entries and on _median: each count under its name and its rate as NAME_per_second,
// with "bound_seconds" and "efficiency" for a report with a bound. Reports with a code size or
// compile time add "text_bytes.NAME" and "compile_seconds.NAME" to the context, and the context's
// caches are listed as Google Benchmark lists them (type, level, size, num_sharing 1).
std::string gbench_json(const std::vector<SavedRun>& reports);

// Bencher Metric Format: {NAME: {"latency": {"value", "lower_value", "upper_value"}}} with the
// median, min and max in whole nanoseconds, and for a job that tells its work, "throughput" in
// work units per second (at the median; at the max and min times for lower and upper), each work
// counter's rate as NAME_per_second likewise, and "efficiency" (bound over time) for a report
// with a bound; from a report with counts "instructions", "l1d-misses", "ll-misses" and
// "branch-misses" (conditional and indirect), with a peak "peak-rss" in bytes, and with the
// report's code size and compile time "text-bytes" and "compile-seconds", each {"value"} alone:
// they are exact.
std::string bmf_json(const std::vector<SavedRun>& reports);

// github-action-benchmark's customSmallerIsBetter input: [{"name", "unit": "ns", "value": the
// median in whole nanoseconds, "range": "± stddev", "extra": "runs N\ndigest D\ncompiler C"}], and
// after a job's entry one more per measure it has: "NAME (instructions)" (unit "instructions"),
// "(L1d misses)" and "(LL misses)" ("misses"), "(branch misses)" ("mispredicts"), "(peak RSS)"
// ("bytes").
std::string github_json(const std::vector<SavedRun>& reports);

// An LNT report, format version 2, loadable by LNT's default test suite:
// "machine": what identifies the machine alone: name (the host), hardware (the CPU), cpus and
//   any cache fields of the context;
// "run": start_time and end_time (the earliest and latest context date, %Y-%m-%dT%H:%M:%S),
//   llvm_project_revision = `order` (the suite's order field; the earliest date when `order` is
//   empty), the build (version, compiler, build_type, flags, binary_hash) and, per job with a
//   digest, "digest.kernels.NAME": the digest;
// "tests": {"name": "kernels.NAME", "execution_time": the runs in seconds, "hash": the binary
//   hash (when the context has one of 16 hex digits), "execution_status": 1 when the report's
//   digest differs from the known result for those args, else 0 (no digest is not a failure),
//   "compile_time" (seconds) and "code_size" (text bytes) when the report has them, "mem_bytes"
//   (the peak resident memory) and the custom metrics "instructions", "l1d_misses", "ll_misses",
//   "branch_misses" when the report has them (docs/counting.md gives the test-suite schema that
//   keeps them)}.
// Throws UsageError when `order` is not empty and check_lnt_order refuses it.
std::string lnt_json(const std::vector<SavedRun>& reports, const std::string& order);

// Throws UsageError, naming the forms to use, when LNT would not sort `order` as intended: it
// orders runs by the groups of digits in the text, so an order with no digits, or a commit hash
// (hexadecimal digits with a letter among them, like 9fceb02), is refused.
void check_lnt_order(const std::string& order);

// RFC 4180 CSV, lines ending in CRLF: a header row, then per job kernel, args (as typed), runs,
// median, mean, stddev, min, max (seconds), work_n, work_unit, digest, then every context key
// that any report has, in order of first appearance, then "peak_rss" and the counts of
// kCountNames, each only when some report has them (empty fields for those that lack). Fields
// holding a comma, a quote, CR or LF are quoted, quotes doubled.
std::string csv_text(const std::vector<SavedRun>& reports);

// A Markdown table for a pull-request comment: | Job | Median [unit] | Mean ± σ | Min … Max |
// Digest |, each row in the unit (s, ms, µs, ns) of its own median, named in its Median cell; then
// | Peak RSS [MiB] | when some report has a peak, and | Instructions | L1d misses | LL misses |
// when some report has counts ("-" where a report lacks them).
std::string markdown_table(const std::vector<SavedRun>& reports);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_EXPORT_FORMATS_H_
