// A directory of one's own for files that live only as long as one task.
#ifndef KERNELS_RUNNER_FILES_SCRATCH_DIR_H_
#define KERNELS_RUNNER_FILES_SCRATCH_DIR_H_

#include <filesystem>
#include <string>

namespace kernels::runner {

// A fresh directory under the system's temporary directory ($TMPDIR, else /tmp), named
// PREFIX-XXXXXX, removed with everything in it when the object goes (also while an exception or a
// failed test unwinds), and on SIGINT, SIGTERM, SIGHUP or SIGPIPE with the files in it before the
// process ends as the signal would end it (a subdirectory made in it is then left behind).
class ScratchDir {
 public:
  // Throws std::runtime_error when the directory cannot be made.
  explicit ScratchDir(const std::string& prefix = "kernels");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The path of `name` inside the directory; the file need not exist.
  std::string path(const std::string& name) const { return (root_ / name).string(); }
  // Writes `bytes` to file `name` inside the directory and returns its path. Throws
  // std::runtime_error when it cannot be written.
  std::string file(const std::string& name, const std::string& bytes) const;
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
  int slot_ = -1;  // its entry in the list of paths the signal handler removes
};

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_FILES_SCRATCH_DIR_H_
