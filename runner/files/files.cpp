#include "files/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "files/interrupt_cleanup.h"
#include "job/job.h"

namespace kernels::runner {
namespace {

template <class Bytes>
Bytes read_whole(std::string_view what_name, const std::string& path, std::size_t max_bytes) {
  namespace fs = std::filesystem;
  const std::string what = std::string(what_name) + " '" + path + "'";
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) throw UsageError(what + ": no such file");
  if (fs::is_directory(status)) throw UsageError(what + " is a directory, not a file");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw UsageError(what + ": cannot open: " + std::strerror(errno));
  const std::string too_large = what + " is larger than " + std::to_string(max_bytes) + " bytes";
  // A regular file over the limit is refused unread; the limit on reading still holds for the
  // others (a pipe, a device), and for a file that grows.
  if (fs::is_regular_file(status)) {
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > max_bytes) {
      std::fclose(file);
      throw UsageError(too_large);
    }
  }
  Bytes bytes;
  char buffer[1 << 16];
  std::size_t got = 0;
  while (bytes.size() <= max_bytes && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + got);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) throw UsageError(what + ": cannot read: " + std::strerror(error));
  if (bytes.size() > max_bytes) throw UsageError(too_large);
  return bytes;
}

}  // namespace

std::string read_file(std::string_view what, const std::string& path, std::size_t max_bytes) {
  return read_whole<std::string>(what, path, max_bytes);
}

std::vector<std::uint8_t> read_input_file(std::string_view option, const std::string& path,
                                          std::size_t max_bytes) {
  return read_whole<std::vector<std::uint8_t>>(option, path, max_bytes);
}

WholeFile::WholeFile(std::string path) : path_(std::move(path)) {
  temporary_ = path_ + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temporary_.data());
  if (fd < 0) {
    const int error = errno;
    temporary_.clear();
    fail(error);
  }
  slot_ = register_path(temporary_, PathKind::kFile);
  // mkstemp makes the file private; the finished file gets the usual mode.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    const int error = errno;
    ::close(fd);
    fail(error);
  }
}

WholeFile::~WholeFile() {
  abandon();
}

void WholeFile::write(std::string_view bytes) {
  if (file_ == nullptr) throw std::logic_error("WholeFile::write after commit or failure");
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail(errno);
}

void WholeFile::commit() {
  if (file_ == nullptr) throw std::logic_error("WholeFile::commit after commit or failure");
  if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) fail(errno);
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) fail(errno);
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) fail(errno);
  temporary_.clear();
  abandon();
}

void WholeFile::fail(int error) {
  abandon();
  throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(error));
}

void WholeFile::abandon() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
  unregister_path(slot_);
  slot_ = -1;
}

void write_file_whole(const std::string& path, std::string_view bytes) {
  WholeFile file(path);
  file.write(bytes);
  file.commit();
}

}  // namespace kernels::runner
