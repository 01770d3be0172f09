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
// digest is the label. The work counters are user counters on the iteration entries and on
// _median: each count under its name and its rate as NAME_per_second, with "bound_seconds" and
// "efficiency" for a report with a bound. The context's caches are listed as Google Benchmark
// lists them (type, level, size, num_sharing 1).
std::string gbench_json(const std::vector<SavedRun>& reports);

// Bencher Metric Format: {NAME: {"latency": {"value", "lower_value", "upper_value"}}} with the
// median, min and max in nanoseconds, and for a job that tells its work, "throughput" in work
// units per second (at the median; at the max and min times for lower and upper), each work
// counter's rate as NAME_per_second likewise, and "efficiency" (bound over time) for a report
// with a bound.
std::string bmf_json(const std::vector<SavedRun>& reports);

// github-action-benchmark's customSmallerIsBetter input: [{"name", "unit": "ns", "value": the
// median, "range": "± stddev", "extra": "runs N\ndigest D\ncompiler C"}].
std::string github_json(const std::vector<SavedRun>& reports);

// An LNT report, format version 2: "machine" (name "HOST-COMPILER", and the context's hardware
// and build fields), "run" (start_time and end_time, the earliest and latest context date, as
// %Y-%m-%dT%H:%M:%S, and llvm_project_revision = `order`, the test suite's order field; the
// earliest date when `order` is empty), and "tests": {"name": "kernels.NAME", "execution_time":
// the runs in seconds, "hash": the digest, "execution_status": 0, or 1 when the digest differs
// from the known result for those args}.
std::string lnt_json(const std::vector<SavedRun>& reports, const std::string& order);

// RFC 4180 CSV, lines ending in CRLF: a header row, then per job kernel, args (as typed), runs,
// median, mean, stddev, min, max (seconds), work_n, work_unit, digest, then every context key
// that any report has, in order of first appearance. Fields holding a comma, a quote, CR or LF
// are quoted, quotes doubled.
std::string csv_text(const std::vector<SavedRun>& reports);

// A Markdown table for a pull-request comment: | Job | Median [unit] | Mean ± σ | Min … Max |
// Digest |, each row in the unit (s, ms, µs, ns) of its own median, named in its Median cell.
std::string markdown_table(const std::vector<SavedRun>& reports);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_EXPORT_FORMATS_H_
