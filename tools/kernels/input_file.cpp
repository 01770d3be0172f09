#include "input_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "job.h"

namespace kernels::runner {

std::vector<std::uint8_t> read_input_file(std::string_view option, const std::string& path,
                                          std::size_t max_bytes) {
  namespace fs = std::filesystem;
  const std::string what = std::string(option) + " '" + path + "'";
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) throw UsageError(what + ": no such file");
  if (fs::is_directory(status)) throw UsageError(what + " is a directory, not a file");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw UsageError(what + ": cannot open: " + std::strerror(errno));
  const std::string too_large = what + " is larger than " + std::to_string(max_bytes) + " bytes";
  // A regular file over the limit is refused unread; the limit on reading still holds for the
  // others, and for a file that grows.
  if (fs::is_regular_file(status)) {
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > max_bytes) {
      std::fclose(file);
      throw UsageError(too_large);
    }
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[1 << 16];
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

}  // namespace kernels::runner
