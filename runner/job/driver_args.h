// Argument vectors for the kernels' drivers.
#ifndef KERNELS_RUNNER_JOB_DRIVER_ARGS_H_
#define KERNELS_RUNNER_JOB_DRIVER_ARGS_H_

#include <cstddef>
#include <string>
#include <vector>

namespace kernels::runner {

// An argument vector for a driver: argv[0] is the job's name, then the given arguments, then a
// terminating null. The pointers stay valid as long as the object lives and is not changed;
// a copy points into its own texts.
class DriverArgs {
 public:
  DriverArgs() = default;
  DriverArgs(std::string name, std::vector<std::string> args);
  DriverArgs(const DriverArgs& other);
  DriverArgs& operator=(const DriverArgs& other);
  // A vector of `count` entries: argv[0] the name, all others one shared empty text, so that a
  // count of millions costs one pointer each. A count of 0 gives the name alone, as 1 does.
  static DriverArgs of_count(std::string name, std::size_t count);
  int argc() const { return static_cast<int>(pointers_.size() - 1); }
  char** argv() { return pointers_.data(); }

 private:
  void point();
  std::vector<std::string> texts_;
  std::size_t repeat_empty_ = 0;  // extra entries that all point to one static empty text
  std::vector<char*> pointers_{nullptr};
};

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_JOB_DRIVER_ARGS_H_
