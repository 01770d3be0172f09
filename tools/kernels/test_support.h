// What the runner's tests share: a scratch directory per test and a run as the runner does it.
#ifndef KERNELS_TOOLS_TEST_SUPPORT_H_
#define KERNELS_TOOLS_TEST_SUPPORT_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "run.h"

namespace kernels::runner {

// A fresh directory of its own under the system's temporary directory, removed with everything
// in it when the object goes, also when an assertion has failed.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kernels-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The path of `name` inside the directory.
  std::string path(const std::string& name) const { return (path_ / name).string(); }
  // Writes `bytes` to file `name` inside the directory; returns its path.
  std::string file(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
    return path(name);
  }
  const std::filesystem::path& root() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Resets the peak resident memory of this process to what it holds now; false where the system
// cannot.
inline bool reset_peak_memory() {
  std::ofstream clear_refs("/proc/self/clear_refs");
  return static_cast<bool>(clear_refs << "5" << std::flush);
}

// The peak resident memory of this process since it started or was last reset, in KiB; -1 when
// the system does not tell.
inline long peak_memory_kib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// A report as `kernels run --repeat N` makes it: one warm-up, N timed runs, one observed run.
inline Report run_job(const std::string& name, Job& job, int repeat) {
  return run_job(name, job, RunSettings{1, repeat, true});
}

}  // namespace kernels::runner

#endif  // KERNELS_TOOLS_TEST_SUPPORT_H_
