// The byte input of a job that codes bytes: a file (--input FILE) or a generated input
// (--generate KIND --length N), declared and checked the same way by every such job.
#ifndef KERNELS_RUNNER_JOBS_BYTE_INPUT_H_
#define KERNELS_RUNNER_JOBS_BYTE_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace kernels::runner {

class ByteInput {
 public:
  // The help of each option, and the job's defaults: the generated kind and its length.
  struct Declaration {
    const char* input_help;
    const char* generate_help;
    const char* length_help;
    std::string kind;
    long long length;
    long long max_length;  // the largest --length, >= 1
  };

  // Declares --input FILE, --generate KIND and --length N (1 to max_length) on `app`.
  void declare(CLI::App& app, const Declaration& d);

  // After parsing, while the app still lives: notes which options were given (the app's options
  // are not read again after this), then throws UsageError for an empty --input, and for --input
  // with --generate or --length ("JOB: --input excludes --generate and --length").
  void validate(const std::string& job);

  // Whether the command line named a file; gave --generate or --length; gave any of the three.
  // Known from validate() on.
  bool from_file() const { return !path_.empty(); }
  bool generate_given() const { return generate_given_; }
  bool any_given() const { return input_given_ || generate_given_; }

  // The file's bytes, at most `max_bytes` of them. Throws UsageError as read_input_file does,
  // and for an empty file ("--input 'F' is empty"): every byte job needs a byte to code.
  std::vector<std::uint8_t> read(std::size_t max_bytes) const;
  // The first length() bytes of the generated kind.
  std::vector<std::uint8_t> generate() const;

  const std::string& path() const { return path_; }
  const std::string& kind() const { return kind_; }
  long long length() const { return length_; }
  // --input FILE, or --generate KIND --length N, as a report shows them.
  std::vector<std::string> file_args() const { return {"--input", path_}; }
  std::vector<std::string> generated_args() const {
    return {"--generate", kind_, "--length", std::to_string(length_)};
  }

 private:
  std::string path_;
  std::string kind_;
  long long length_ = 0;
  CLI::Option* input_ = nullptr;
  CLI::Option* generate_ = nullptr;
  CLI::Option* length_option_ = nullptr;
  bool input_given_ = false;
  bool generate_given_ = false;
};

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_JOBS_BYTE_INPUT_H_
