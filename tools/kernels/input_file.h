// Reading the files that jobs take as input.
#ifndef KERNELS_TOOLS_INPUT_FILE_H_
#define KERNELS_TOOLS_INPUT_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kernels::runner {

// Reads the whole of the file that option `option` names (for messages: "--input 'x': ...").
// Throws UsageError when it does not exist, is a directory, cannot be read, or holds more than
// `max_bytes` bytes (it stops reading there, whatever the file's size). An empty file gives an
// empty vector.
std::vector<std::uint8_t> read_input_file(std::string_view option, const std::string& path,
                                          std::size_t max_bytes);

}  // namespace kernels::runner

#endif  // KERNELS_TOOLS_INPUT_FILE_H_
