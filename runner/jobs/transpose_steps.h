// The steps of the in-place transpose, counted by replaying its leader tests untimed.
#ifndef KERNELS_RUNNER_JOBS_TRANSPOSE_STEPS_H_
#define KERNELS_RUNNER_JOBS_TRANSPOSE_STEPS_H_

#include <cstdint>

namespace kernels::runner {

struct TransposeSteps {
  std::uint64_t chain_steps = 0;  // j -> j * C mod (R x C - 1) steps of all the leader tests
  std::uint64_t exchanges = 0;    // indices whose cycle leader is not themselves
};

// What the in-place transpose of an R x C matrix does: for each index i from 1 below
// n = R x C - 1 it follows j -> j * C mod n from i until j <= i, and exchanges the elements at i
// and j when j != i. Nothing for fewer than 3 elements. Takes time in proportion to the steps.
// REQUIRES: rows, cols >= 1 and rows x cols < 2^31.
TransposeSteps transpose_steps(int rows, int cols);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_JOBS_TRANSPOSE_STEPS_H_
