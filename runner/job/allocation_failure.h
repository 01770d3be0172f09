// Memory that a job could not have.
#ifndef KERNELS_RUNNER_JOB_ALLOCATION_FAILURE_H_
#define KERNELS_RUNNER_JOB_ALLOCATION_FAILURE_H_

#include <cstddef>
#include <new>

namespace kernels::runner {

// A request of `bytes` bytes that failed (0: size not known). The run arena throws it in the
// runner (run/out_of_memory.h), and a job throws it where it knows the size of an allocation that
// failed; any other std::bad_alloc means the same with the size unknown.
struct AllocationFailure : std::bad_alloc {
  explicit AllocationFailure(std::size_t bytes) : bytes(bytes) {}
  const char* what() const noexcept override { return "cannot allocate memory"; }
  std::size_t bytes;
};

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_JOB_ALLOCATION_FAILURE_H_
