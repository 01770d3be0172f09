// The bound in reports: this machine's cached ceilings, and the bound's JSON and text.
#ifndef KERNELS_RUNNER_REPORT_BOUND_H_
#define KERNELS_RUNNER_REPORT_BOUND_H_

#include <string>
#include <vector>

#include "machine/ceilings.h"
#include "run/run_job.h"

namespace kernels::runner {

// This machine's ceilings as `kernels machine` cached them for this CPU model and runner
// version, or null when none are cached. Never probes, so that a run stays quick and the same
// from machine to machine; the first call reads the cache, later calls return the same.
const Ceilings* cached_machine_ceilings();

// "bound": {"seconds", "limit", "detail", "efficiency"} (efficiency: the bound over the median
// time, null when the job was not timed), or null when the report has no bound.
Json bound_json(const Report& r);

// "12.3 ms (memory latency: 1.2 M dependent node loads), efficiency 0.64", or "- (why not)".
std::string bound_text(const Report& r);

// The bounds of several reports as a table for people, ending with a newline: a header, then one
// line per report: the job, the limit, the bound, the median and the efficiency.
// REQUIRES: every report has a bound and was timed.
std::string bound_table(const std::vector<Report>& reports);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_REPORT_BOUND_H_
