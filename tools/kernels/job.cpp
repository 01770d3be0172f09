// Shared helpers of the jobs: option walking, integer parsing, driver argument vectors.
#include "job.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>

namespace kernels::runner {

std::string_view OptionCursor::flag() const {
  std::string_view t = tokens_[index_];
  return t.substr(0, t.find('='));
}

bool OptionCursor::has_inline_value() const {
  return tokens_[index_].find('=') != std::string::npos;
}

std::string OptionCursor::value() {
  const std::string& t = tokens_[index_];
  if (auto eq = t.find('='); eq != std::string::npos) return t.substr(eq + 1);
  if (index_ + 1 >= tokens_.size() || tokens_[index_ + 1] == "--")
    throw UsageError("option " + std::string(flag()) + " needs a value");
  return tokens_[++index_];
}

long long parse_integer(std::string_view text, std::string_view what, long long min,
                        long long max) {
  long long v = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (!text.empty() && text.front() == '+') ++first;
  auto [end, ec] = std::from_chars(first, last, v);
  std::string range = "from " + std::to_string(min) + " to " + std::to_string(max);
  if (text.empty() || ec == std::errc::invalid_argument || end != last)
    throw UsageError(std::string(what) + " must be a whole number " + range + ", not '" +
                     std::string(text) + "'");
  if (ec == std::errc::result_out_of_range || v < min || v > max)
    throw UsageError(std::string(what) + " must be " + range + ", not " + std::string(text));
  return v;
}

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
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[1 << 16];
  std::size_t got = 0;
  while (bytes.size() <= max_bytes && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + got);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) throw UsageError(what + ": cannot read: " + std::strerror(error));
  if (bytes.size() > max_bytes)
    throw UsageError(what + " is larger than " + std::to_string(max_bytes) + " bytes");
  return bytes;
}

DriverArgs::DriverArgs(std::string name, std::vector<std::string> args) {
  texts_.push_back(std::move(name));
  for (auto& a : args) texts_.push_back(std::move(a));
  point();
}

DriverArgs DriverArgs::of_count(std::string name, std::size_t count) {
  DriverArgs d;
  d.texts_.push_back(std::move(name));
  d.repeat_empty_ = count > 0 ? count - 1 : 0;
  d.point();
  return d;
}

DriverArgs::DriverArgs(const DriverArgs& other)
    : texts_(other.texts_), repeat_empty_(other.repeat_empty_) {
  point();
}

DriverArgs& DriverArgs::operator=(const DriverArgs& other) {
  if (this != &other) {
    texts_ = other.texts_;
    repeat_empty_ = other.repeat_empty_;
    point();
  }
  return *this;
}

void DriverArgs::point() {
  static char empty[1] = {'\0'};
  pointers_.clear();
  pointers_.reserve(texts_.size() + repeat_empty_ + 1);
  for (auto& t : texts_) pointers_.push_back(t.data());
  for (std::size_t i = 0; i < repeat_empty_; ++i) pointers_.push_back(empty);
  pointers_.push_back(nullptr);
}

std::vector<std::string> DriverArgs::rest() const {
  std::vector<std::string> r(texts_.begin() + (texts_.empty() ? 0 : 1), texts_.end());
  r.insert(r.end(), repeat_empty_, std::string());
  return r;
}

bool Job::take_option(OptionCursor& /*cursor*/) {
  return false;
}

void Job::take_driver_args(std::vector<std::string> args) {
  if (!args.empty()) throw UsageError("this kernel takes no arguments after '--'");
}

}  // namespace kernels::runner
