// This machine's ceilings kept between runs, in the user's cache folder, so that the probes run
// once per CPU model and runner version rather than in every command.
#ifndef KERNELS_RUNNER_MACHINE_MACHINE_CACHE_H_
#define KERNELS_RUNNER_MACHINE_MACHINE_CACHE_H_

#include <optional>
#include <string>

#include "machine/ceilings.h"

namespace kernels::runner {

// The revision of the probes, raised whenever a probe changes what it measures, so that figures
// an older probe left in the cache are probed again rather than read.
constexpr int kProbeRevision = 3;

// The file that holds the ceilings of `cpu` measured by runner `version`:
// $XDG_CACHE_HOME/kernels/machine-<cpu>-<version>-r<kProbeRevision>.json, or ~/.cache/kernels/...
// when XDG_CACHE_HOME is unset or empty, the CPU model made safe for a file name. Empty when
// neither XDG_CACHE_HOME nor HOME is set.
std::string ceilings_path(const std::string& cpu, const std::string& version);

// The cached ceilings for `cpu` and `version`, or nothing when there is no file, it cannot be
// read, or it does not hold ceilings of that CPU and version (a damaged file counts as none).
std::optional<Ceilings> load_ceilings(const std::string& cpu, const std::string& version);

// Writes `c` whole to ceilings_path(c.cpu, c.version), making its folder. Throws
// std::runtime_error "cannot write PATH: reason" when it cannot, and when there is no cache
// folder at all.
void save_ceilings(const Ceilings& c);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_MACHINE_MACHINE_CACHE_H_
