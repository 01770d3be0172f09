// Inputs the runner makes itself, so that a job can be run, swept and checked on data of any
// length without a file: the same kind and length give the same bytes on every machine.
#ifndef KERNELS_RUNNER_JOBS_GENERATED_INPUT_H_
#define KERNELS_RUNNER_JOBS_GENERATED_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace kernels::runner {

enum class Generated {
  kOnes,    // every byte 1
  kSample,  // the arithmetic coder's sample bytes: skewed towards small values
  kText,    // English-like words, spaces, sentences and lines, from a fixed vocabulary
  kRandom,  // uniform bytes from xorshift32: input that does not compress
};

// The kinds by their names on the command line: "ones", "sample", "text", "random".
const std::map<std::string, Generated>& generated_kinds();

// Declares --generate KIND on `app`, bound to `kind` (one of the names above), whose current
// value is the default.
CLI::Option* add_generate_option(CLI::App& app, std::string& kind, const std::string& help);

// The first `length` bytes of the kind's sequence; a shorter length gives a prefix of a longer.
std::vector<std::uint8_t> generate_input(Generated kind, std::size_t length);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_JOBS_GENERATED_INPUT_H_
