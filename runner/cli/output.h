// Making sure that what a command printed reached its destination.
#ifndef KERNELS_RUNNER_CLI_OUTPUT_H_
#define KERNELS_RUNNER_CLI_OUTPUT_H_

#include <ostream>
#include <stdexcept>
#include <string>

namespace kernels::runner {

// Output that did not reach its destination: "cannot write standard output: reason".
struct OutputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Flushes `out` and throws OutputError "cannot write standard output: reason" when it or
// an earlier write to it failed, so that a long command stops at the first lost line rather
// than run on with nowhere to report.
void check_output(std::ostream& out);

// Flushes and closes the process's standard output (std::cout and stdout). Returns an empty
// text when every byte was written, else "cannot write standard output: reason" (a full disk,
// a closed pipe). Call it once, last.
std::string close_standard_output();

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_CLI_OUTPUT_H_
