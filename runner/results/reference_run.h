// The reference machine's run that `kernels score` measures against by default.
#ifndef KERNELS_RUNNER_RESULTS_REFERENCE_RUN_H_
#define KERNELS_RUNNER_RESULTS_REFERENCE_RUN_H_

#include <string_view>

namespace kernels::runner {

// The text of the reference run compiled into the runner (generated from reference_run.jsonl, one
// saved report per line; reference_run.md says where and how it was recorded).
std::string_view builtin_reference_run();

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_RESULTS_REFERENCE_RUN_H_
