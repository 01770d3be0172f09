// Which level of the memory hierarchy a working set fits in, for sweeps that mark where their
// points cross a cache's size.
#ifndef KERNELS_RUNNER_MACHINE_REGIMES_H_
#define KERNELS_RUNNER_MACHINE_REGIMES_H_

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "machine/ceilings.h"

namespace kernels::runner {

// "L1", "L2", ... for the smallest data or unified cache that holds `bytes`, "memory" when none
// does, "" when `caches` lists no data or unified cache or `bytes` is not > 0.
std::string regime_of(double bytes, const std::vector<Cache>& caches);

// The caches of a report's context ("caches": [{"level", "type", "size", "line"}]); entries that
// are not of that shape are skipped, and a context without them gives none.
std::vector<Cache> caches_of_context(const nlohmann::ordered_json& context);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_MACHINE_REGIMES_H_
