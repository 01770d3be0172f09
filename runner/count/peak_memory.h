// The resident-memory high-water mark of this process, reset before a job so that it is that
// job's own.
#ifndef KERNELS_RUNNER_COUNT_PEAK_MEMORY_H_
#define KERNELS_RUNNER_COUNT_PEAK_MEMORY_H_

#include <cstdint>
#include <optional>
#include <string>

#include "job/job.h"

namespace kernels::runner {

// A job's peak resident memory, as its report gives it.
struct PeakMemory {
  std::optional<std::uint64_t> peak_rss;  // bytes; none when it was not measured
  bool reset = false;                     // the mark was reset before the job's first run
  std::string note;                       // why there is no peak, when there is none
};

// Resets this process's resident high-water mark (VmHWM) to what it holds now, by writing "5" to
// /proc/self/clear_refs (Linux). False where that cannot be done: the mark then keeps the
// process's peak so far.
bool reset_peak_rss();

// The high-water mark now, in bytes (VmHWM of /proc/self/status); none where the system does not
// tell it.
std::optional<std::uint64_t> peak_rss_now();

// The peak of a job whose mark was reset (`reset` true) or could not be: without a reset the
// peak would be another job's or the process's, so it is none, with a note saying why.
PeakMemory job_peak(bool reset);

// The report's "memory" object: {"peak_rss": bytes or null, "reset": bool}, and "note" when the
// peak is null.
Json memory_json(const PeakMemory& m);

// The report's text after "memory": "peak 12.4 MiB resident" or "- (note)".
std::string memory_text(const PeakMemory& m);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COUNT_PEAK_MEMORY_H_
