// The probe loops of `kernels machine`: each measures one ceiling of this machine as the best of
// a few repetitions. Together they take 1 to 2 seconds on an idle machine.
#ifndef KERNELS_RUNNER_MACHINE_PROBES_H_
#define KERNELS_RUNNER_MACHINE_PROBES_H_

#include <functional>
#include <string>

#include "machine/ceilings.h"

namespace kernels::runner {

// What the probes measure and how much. The defaults are those of `kernels machine`; a test
// shrinks them to probe quickly.
struct ProbeSizes {
  double min_array_bytes = 64.0 * 1024 * 1024;        // the bandwidth arrays: each at least this,
  double max_array_bytes = 1024.0 * 1024 * 1024 / 3;  // at most this, else 4x the last level
  double min_latency_bytes = 4096;                    // the chase's working sets, doubling
  double max_latency_bytes = 256.0 * 1024 * 1024;
  long loads = 1 << 18;  // dependent loads per chase
  long steps = 1 << 22;  // dependent multiplies or adds per timing
  int repetitions = 5;   // each figure is the best of these
};

// Measures every ceiling, `scan` giving the caches (which set the bandwidth arrays' size).
// `progress`, when set, is told the name of each probe as it starts. `cpu` and `version` are
// stored with the figures.
Ceilings probe_machine(const CacheScan& scan, const std::string& cpu, const std::string& version,
                       const ProbeSizes& sizes = {},
                       const std::function<void(const char*)>& progress = {});

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_MACHINE_PROBES_H_
