#include "jobs/byte_input.h"

#include "cli/cli.h"
#include "files/files.h"
#include "job/job.h"
#include "jobs/generated_input.h"

namespace kernels::runner {

void ByteInput::declare(CLI::App& app, const Declaration& d) {
  kind_ = d.kind;
  length_ = d.length;
  input_ = app.add_option("--input", path_, d.input_help)->type_name("FILE");
  generate_ = add_generate_option(app, kind_, d.generate_help);
  length_option_ = add_number(app, "--length", length_, 1, d.max_length, "N", d.length_help);
}

void ByteInput::validate(const std::string& job) {
  // The options belong to the app, which goes once the command line is parsed: read them once.
  if (input_ != nullptr) {
    input_given_ = input_->count() > 0;
    generate_given_ = generate_->count() > 0 || length_option_->count() > 0;
    input_ = generate_ = length_option_ = nullptr;
  }
  if (input_given_ && path_.empty()) throw UsageError("--input needs a file name");
  if (input_given_ && generate_given_)
    throw UsageError(job + ": --input excludes --generate and --length");
}

std::vector<std::uint8_t> ByteInput::read(std::size_t max_bytes) const {
  std::vector<std::uint8_t> bytes = read_input_file("--input", path_, max_bytes);
  if (bytes.empty()) throw UsageError("--input '" + path_ + "' is empty");
  return bytes;
}

std::vector<std::uint8_t> ByteInput::generate() const {
  return generate_input(generated_kinds().at(kind_), static_cast<std::size_t>(length_));
}

}  // namespace kernels::runner
