// What the runner needs of a kernel job, and the helpers jobs share.
//
// A job wraps one kernel's driver (or its entry operations) so that the runner can configure it
// from the command line, run it repeatedly, time its own work, observe its fixed-form calls and
// report a summary and a digest of the final state. Each job is one file that defines a Job
// subclass and one JobInfo; jobs.cpp lists them.
#ifndef KERNELS_TOOLS_JOB_H_
#define KERNELS_TOOLS_JOB_H_

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace kernels::runner {

using Json = nlohmann::ordered_json;

// A mistake on the command line: the runner prints "kernels: <what>" and exits with status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Walks a job's options. flag() is the current token without any "=value" part; value() returns
// the inline value or consumes the next token, and throws UsageError when there is none.
class OptionCursor {
 public:
  OptionCursor(std::span<const std::string> tokens, std::size_t& index)
      : tokens_(tokens), index_(index) {}
  std::string_view flag() const;
  std::string value();
  // True when the current token carries "=value" (a flag that takes none must reject it).
  bool has_inline_value() const;

 private:
  std::span<const std::string> tokens_;
  std::size_t& index_;
};

// Parses a whole decimal integer in [min, max]; throws UsageError naming `what` otherwise.
long long parse_integer(std::string_view text, std::string_view what, long long min, long long max);

// Reads the whole of the file that option `option` names (for messages: "--input 'x': ...").
// Throws UsageError when it does not exist, is a directory, cannot be read, or holds more than
// `max_bytes` bytes. An empty file gives an empty vector.
std::vector<std::uint8_t> read_input_file(std::string_view option, const std::string& path,
                                          std::size_t max_bytes);

// An argument vector for a driver: argv[0] is the job's name, then the given arguments, then a
// terminating null. The pointers stay valid as long as the object lives and is not changed.
class DriverArgs {
 public:
  DriverArgs() = default;
  DriverArgs(std::string name, std::vector<std::string> args);
  // Copies point into their own texts.
  DriverArgs(const DriverArgs& other);
  DriverArgs& operator=(const DriverArgs& other);
  // A vector of `count` entries (count >= 1): argv[0] the name, all others the same empty text.
  static DriverArgs of_count(std::string name, std::size_t count);
  int argc() const { return static_cast<int>(pointers_.size() - 1); }
  char** argv() { return pointers_.data(); }
  // argv[1..] as texts, for the report.
  std::vector<std::string> rest() const;

 private:
  void point();
  std::vector<std::string> texts_;
  std::size_t repeat_empty_ = 0;  // extra entries that all point to one static empty text
  std::vector<char*> pointers_{nullptr};
};

// FNV-1a, 64 bits (offset basis 0xcbf29ce484222325, prime 0x100000001b3), over bytes fed in order.
class Fnv1a {
 public:
  void bytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash_ = (hash_ ^ p[i]) * 0x100000001b3ull;
  }
  void u8(std::uint8_t v) { bytes(&v, 1); }
  // Little-endian, whatever the host's byte order.
  void u16(std::uint16_t v) {
    unsigned char b[2] = {std::uint8_t(v), std::uint8_t(v >> 8)};
    bytes(b, 2);
  }
  void u32(std::uint32_t v) {
    unsigned char b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
    bytes(b, 4);
  }
  void u64(std::uint64_t v) {
    unsigned char b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
    bytes(b, 8);
  }
  void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  void f64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u64(bits);
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

// One configured kernel job.
class Job {
 public:
  virtual ~Job() = default;
  // Takes the option under the cursor (and its value) if it is this job's; false otherwise.
  virtual bool take_option(OptionCursor& cursor);
  // The arguments after "--", as the driver's argv[1..]. By default a job takes none.
  virtual void take_driver_args(std::vector<std::string> args);
  // After all options: checks the configuration and loads inputs (files are read here, before
  // anything runs). Throws UsageError for a bad configuration, std::runtime_error otherwise.
  virtual void validate() {}
  // The configuration as it runs, for the report.
  virtual std::vector<std::string> args() const = 0;
  // Untimed, before every run: resets the kernel's state (the run arena has just been reset) and
  // builds the run's inputs.
  virtual void prepare() {}
  // Timed: the kernel's own work and nothing else.
  virtual void run() = 0;
  // Untimed: one more run with the kernel's observers installed; returns the number of calls
  // of each fixed-form operation, by name.
  virtual Json run_observed() {
    run();
    return Json::object();
  }
  // Figures about the final state of the last run.
  virtual Json summary() const = 0;
  // FNV-1a 64 of the final state of the last run, as docs/digests.md defines it for the job.
  virtual std::uint64_t digest() const = 0;
};

struct JobInfo {
  const char* name;
  const char* description;  // one line
  const char* options;      // one line per option, "--flag VALUE  meaning (default)"
  std::unique_ptr<Job> (*make)();
};

// Every job, in the order `kernels run all` runs them.
std::span<const JobInfo> jobs();
const JobInfo* find_job(std::string_view name);

// A new job NAME configured from its own tokens, as `kernels run NAME TOKENS` configures it: its
// options, then the driver's arguments after "--", then validate(). The runner's own options
// (--repeat, --json) are not among them. Throws UsageError for an unknown name or option.
std::unique_ptr<Job> configure_job(std::string_view name, const std::vector<std::string>& tokens);

}  // namespace kernels::runner

#endif  // KERNELS_TOOLS_JOB_H_
