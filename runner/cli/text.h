// Numbers and argument lists as people read them, shared by every command's text output.
#ifndef KERNELS_RUNNER_CLI_TEXT_H_
#define KERNELS_RUNNER_CLI_TEXT_H_

#include <string>
#include <vector>

namespace kernels::runner {

// A duration in s, ms, µs or ns with four significant digits: "4.612 ms". Below a microsecond
// (0 included) it is in ns; a negative duration keeps its sign.
std::string duration_text(double seconds);

// A rate with a metric prefix (k, M, G, T) and three significant digits: "12.3 M values/s".
std::string throughput(double per_second, const std::string& unit);

// A count with a metric prefix and three significant digits: "1.2 M", "27 k", "512".
std::string count_text(double value);

// Arguments as typed, joined by single spaces, an empty one shown as '' so that it stays
// visible: {"--terms", ""} gives "--terms ''". No arguments give "".
std::string args_text(const std::vector<std::string>& args);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_CLI_TEXT_H_
