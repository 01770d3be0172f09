// The two formats of a job's report: a JSON line for programs, a block of text for people.
#ifndef KERNELS_RUNNER_REPORT_REPORT_H_
#define KERNELS_RUNNER_REPORT_REPORT_H_

#include <string>

#include "run/run_job.h"

namespace kernels::runner {

// The report as one line of JSON (no newline): kernel, args, runs, seconds (min, median, mean,
// stddev, max, each), storage (records, bytes), calls (null without an observed run), summary
// and digest (16 hexadecimal digits, or null when the job's digest needs the observed run); then
// "work": {"n", "unit", "counters": {name: count}} when the job tells its work; "bound" (null
// without one, report/bound.h); "memory": the peak resident memory (peak_memory.h, memory_json);
// "counts" with --count (counts.h, counts_json); last "context": the run context of this process
// (context.h).
Json report_object(const Report& r);
std::string report_json(const Report& r);

// The report as a human-readable block, ending with a newline: the job and its args, then the
// lines time, storage, calls, summary and digest, "work" (N and the throughput, then each counter
// and its rate) when the job tells its work, "bound" (the bound and the efficiency, or why there
// is none), "memory", and "counts" with --count. The run context is not in it: a command shows
// that once, above its blocks.
std::string report_text(const Report& r);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_REPORT_REPORT_H_
