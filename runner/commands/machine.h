// `kernels machine`: this machine's ceilings (memory bandwidth, load latency by working set,
// integer latencies, multiply-add throughput, call cost, caches), probed once and kept.
#ifndef KERNELS_RUNNER_COMMANDS_MACHINE_H_
#define KERNELS_RUNNER_COMMANDS_MACHINE_H_

#include <ostream>
#include <string>
#include <vector>

#include "machine/ceilings.h"

namespace kernels::runner {

// The ceilings as a table for people, one figure or one working set per line, ending with a
// newline. A missing cache folder is a line saying so.
std::string ceilings_text(const Ceilings& c);

// `kernels machine [--json] [--refresh]`, given the tokens after "machine", printing on `out`:
// the cached ceilings of this CPU and runner version, or (with none cached, or --refresh) the
// probes' figures, which it then caches. Returns 0, or 1 when the figures cannot be kept (no
// cache folder, or one that cannot be written): they are printed all the same, and standard error
// says why. Throws UsageError for a bad command line.
int machine_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_MACHINE_H_
