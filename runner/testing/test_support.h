// What the runner's tests share: peak-memory readings and a run as the runner does it.
#ifndef KERNELS_RUNNER_TESTING_TEST_SUPPORT_H_
#define KERNELS_RUNNER_TESTING_TEST_SUPPORT_H_

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/scratch_dir.h"
#include "job/digest.h"
#include "kernels/context_model/hand_trace.h"
#include "run/run_job.h"

namespace kernels::runner {

// Resets the peak resident memory of this process to what it holds now; false where the system
// cannot.
inline bool reset_peak_memory() {
  std::ofstream clear_refs("/proc/self/clear_refs");
  return static_cast<bool>(clear_refs << "5" << std::flush);
}

// The peak resident memory of this process since it started or was last reset, in KiB; -1 when
// the system does not tell.
inline long peak_memory_kib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// Runs `command` (verify_command, compare_command, ...) on `tokens` as main does: returns its
// exit status and leaves what it printed in `out`. Its exceptions pass through.
template <class Command>
int call_command(Command command, const std::vector<std::string>& tokens, std::string& out) {
  std::ostringstream stream;
  const int status = command(tokens, stream);
  out = stream.str();
  return status;
}

// The context-model job's digest after the hand-traced "abab" and the end of input: its trie
// nodes, then its symbol entries, each field as an int32.
inline std::uint64_t abab_digest() {
  namespace trace = context_model::hand_trace;
  Fnv1a h;
  for (const auto& node : trace::kAbabNodes)
    for (int v : node) h.i32(v);
  for (const auto& entry : trace::kAbabEntries)
    for (int v : entry) h.i32(v);
  return h.value();
}

// A report as `kernels run --repeat N` makes it: one warm-up, N timed runs, one observed run.
inline Report run_job(const std::string& name, Job& job, int repeat) {
  return run_job(name, job, RunSettings{1, repeat, true});
}

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_TESTING_TEST_SUPPORT_H_
