// The run context: what build made a report and where and when it ran, so that any two saved
// reports can be compared knowing what differs between them.
#ifndef KERNELS_RUNNER_REPORT_CONTEXT_H_
#define KERNELS_RUNNER_REPORT_CONTEXT_H_

#include <string>

#include "job/job.h"

namespace kernels::runner {

// The context of this process, as every JSON report carries it: "version", "compiler" (name and
// version), "build_type", "flags", "binary_hash" (binary_hash.h: 16 hexadecimal digits, or
// "unknown (WHY)"), "cpu" (the model name from /proc/cpuinfo, "unknown" where
// there is none), "cpus" (logical processors, 0 when unknown), "host" (the host name, "unknown"
// when it cannot be read), "date" (UTC, ISO 8601 to the second, e.g. "2026-12-09T13:04:05Z") and
// "caches" (cpu0's caches from sysfs, [{"level", "type", "size", "line"}], empty when unknown).
// The first call fixes it; later calls return the same object, date included.
const Json& run_context();

// The context as one line for people, without a newline:
// "kernels 0.1.0, gcc 12.2.0, RelWithDebInfo (-O2 ...), <cpu> × 2, <host>, <date>".
// Missing or non-string fields of `context` are shown as "?".
std::string context_text(const Json& context);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_REPORT_CONTEXT_H_
