// Reading a file whole, and writing one whole: under a temporary name beside the target, renamed
// into place only once every byte is written, so that a failure or an interrupt leaves the old
// file or none, never a part of the new one.
#ifndef KERNELS_RUNNER_FILES_FILES_H_
#define KERNELS_RUNNER_FILES_FILES_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace kernels::runner {

inline constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

// Reads the whole file at `path`. `what` names it in messages ("--input 'x': no such file").
// Throws UsageError when it does not exist, is a directory, cannot be read, or holds more than
// `max_bytes` bytes (reading stops there, whatever the file's size; a regular file over the
// limit is refused unread). An empty file gives an empty result.
std::string read_file(std::string_view what, const std::string& path,
                      std::size_t max_bytes = kNoLimit);
// The same as bytes, for a job's --input: `option` is the option that named the file.
std::vector<std::uint8_t> read_input_file(std::string_view option, const std::string& path,
                                          std::size_t max_bytes);

// A file being written whole. The bytes go to a temporary file in the target's directory;
// commit() renames it to the target. Until then the target is untouched. Destroyed without a
// commit (an error, an exception), the temporary file is removed; on SIGINT, SIGTERM, SIGHUP or
// SIGPIPE it is removed too before the process ends as the signal would end it
// (files/interrupt_cleanup.h).
class WholeFile {
 public:
  // Creates the temporary file. Throws std::runtime_error "cannot write PATH: reason" when it
  // cannot be made (no such directory, no permission, ...).
  explicit WholeFile(std::string path);
  ~WholeFile();
  WholeFile(const WholeFile&) = delete;
  WholeFile& operator=(const WholeFile&) = delete;

  // Appends `bytes`. Throws std::runtime_error "cannot write PATH: reason" when they cannot be
  // written (a full disk), and the file is then abandoned.
  void write(std::string_view bytes);
  // Flushes, syncs and closes the temporary file and renames it to the target. Throws
  // std::runtime_error "cannot write PATH: reason" on any failure, leaving the target as it was.
  void commit();
  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void fail(int error);
  void abandon();

  std::string path_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  int slot_ = -1;  // its entry in the list of files the signal handler removes
};

// Writes `bytes` to `path` whole, as WholeFile does. Throws std::runtime_error "cannot write
// PATH: reason" when it cannot, leaving the old file, if any, in place.
void write_file_whole(const std::string& path, std::string_view bytes);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_FILES_FILES_H_
