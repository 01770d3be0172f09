// Running out of memory in a job: one line that names the job, the bytes asked for and the
// limit, instead of an abort. The run arena's failures become exceptions (AllocationFailure),
// which unwind through the kernel to the run loop; the run loop and the loading of jobs turn any
// std::bad_alloc into OutOfMemory, which the program reports as "kernels: WHAT" with status 1.
#ifndef KERNELS_RUNNER_RUN_OUT_OF_MEMORY_H_
#define KERNELS_RUNNER_RUN_OUT_OF_MEMORY_H_

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kernels::runner {

// A job ran out of memory. what(): out_of_memory_message's line.
struct OutOfMemory : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Makes the run arena throw AllocationFailure with the size of a request it cannot meet, for
// the rest of the process.
void throw_on_arena_failure();

// "JOB: out of memory: N bytes asked for, the address space is limited to M bytes": the size
// when `failure` is an AllocationFailure that knows it, the limit when the process has one
// (ulimit -v, else ulimit -d). Without a job (empty), the line starts at "out of memory".
std::string out_of_memory_message(std::string_view job, const std::bad_alloc& failure);

// Calls `step`, part of job `job`'s loading or running; a std::bad_alloc from it is thrown on as
// OutOfMemory naming the job.
template <class Step>
void guard_memory(std::string_view job, Step&& step) {
  try {
    step();
  } catch (const std::bad_alloc& failure) {
    throw OutOfMemory(out_of_memory_message(job, failure));
  }
}

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_RUN_OUT_OF_MEMORY_H_
