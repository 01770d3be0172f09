// The input file of a known-results case: written by the runner itself from a short description
// in the case, so that the table needs no file beside it and the same bytes come out everywhere.
//
//   {"name": "abab.txt", "text": "abab"}                  the bytes of the text
//   {"name": "p.bin", "int32": [8, 0, 0, 0]}              little-endian int32 values
//   {"name": "p.bin", "sample_pyramid": [W, H, L]}        the sample pyramid of that shape, as
//                                                         little-endian int32 values
//   {"name": "t.txt", "generate": "text", "length": N}    N bytes of a generated input
//                                                         (generated_input.h: ones, sample, ...)
#ifndef KERNELS_RUNNER_COMMANDS_VERIFY_CASE_INPUT_H_
#define KERNELS_RUNNER_COMMANDS_VERIFY_CASE_INPUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "job/job.h"

namespace kernels::runner {

// The bytes that `input` describes. Throws UsageError when it has no text "name", not exactly
// one of "text", "int32", "sample_pyramid", "generate", or a malformed value (an int32 out of
// range, a pyramid shape that the pyramid refuses or of more than 2^22 values, an unknown
// generated kind, a length outside 1 to 2^26).
std::vector<std::uint8_t> case_input_bytes(const Json& input);

// Writes the bytes of `input` into directory `dir` under the input's name; returns the path.
// Throws UsageError as case_input_bytes does, and for a name that is not a plain file name;
// std::runtime_error when the file cannot be written.
std::string write_case_input(const Json& input, const std::string& dir);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_VERIFY_CASE_INPUT_H_
