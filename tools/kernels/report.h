// Running a configured job and reporting what it did.
#ifndef KERNELS_TOOLS_REPORT_H_
#define KERNELS_TOOLS_REPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "job.h"

namespace kernels::runner {

// Statistics over the timed runs, in seconds.
struct TimeStats {
  double min = 0, median = 0, mean = 0, stddev = 0, max = 0;
  std::vector<double> each;
};
// REQUIRES: !seconds.empty(). stddev is the sample standard deviation (0 for one run).
TimeStats time_stats(std::vector<double> seconds);

// What one job did: the configuration, the timings and the final state.
struct Report {
  std::string kernel;
  std::vector<std::string> args;
  TimeStats seconds;
  std::uint64_t records = 0;  // run arena records handed out by one run
  std::uint64_t bytes = 0;    // and their bytes
  Json calls;
  Json summary;
  std::uint64_t digest = 0;
};

// One untimed warm-up run, `repeat` timed runs and one observed run, the run arena reset
// before each. REQUIRES: repeat >= 1.
Report run_job(const std::string& name, Job& job, int repeat);

// "0123456789abcdef": 16 lower-case hexadecimal digits.
std::string hex_digest(std::uint64_t digest);

// The report as one line of JSON.
std::string report_json(const Report& r);
// The report as a human-readable block (ends with a newline).
std::string report_text(const Report& r);

}  // namespace kernels::runner

#endif  // KERNELS_TOOLS_REPORT_H_
