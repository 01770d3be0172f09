// Declaring options on a CLI11 app so that parsing, limits and help come from one declaration.
#ifndef KERNELS_RUNNER_CLI_CLI_H_
#define KERNELS_RUNNER_CLI_CLI_H_

#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace kernels::runner {

// The name of the validator that marks an option as a whole number with a range; a sweep may
// vary only such options.
inline constexpr const char* kRangeCheck = "range";

// Declares `name METAVAR`, a whole decimal number from `min` to `max` (a sign is allowed, hex
// and octal are not) bound to `value`, whose current value is the default. The help shows
// "HELP, MIN to MAX" and the default. A value out of range or not a number is a parse error.
CLI::Option* add_number(CLI::App& app, const std::string& name, long long& value, long long min,
                        long long max, const std::string& metavar, const std::string& help);
CLI::Option* add_number(CLI::App& app, const std::string& name, int& value, int min, int max,
                        const std::string& metavar, const std::string& help);

// True for an option that takes no value (a flag).
bool is_flag(const CLI::Option& opt);

// A new app for `name`, with the runner's help layout and `usage` as its usage line (empty: the
// one CLI11 makes); every option declared on it later keeps the last of repeated values.
std::unique_ptr<CLI::App> new_app(const std::string& description, const std::string& name,
                                  const std::string& usage = "");

// "  --size N          help (default 1048576)", one line per option of `app` but its help flag,
// each starting with `indent`.
std::string option_lines(const CLI::App& app, const std::string& indent);

// Parses `tokens`, given in order, with `app`. Returns the app's help text when they ask for help
// (-h, --help), else an empty text. A parse error throws UsageError "NAME: what" (just "what"
// when `name` is empty).
std::string parse_or_help(CLI::App& app, const std::string& name, std::vector<std::string> tokens);

// Makes `error` one line: "NAME: what" with newlines folded to spaces.
std::string one_line(const std::string& name, const CLI::Error& error);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_CLI_CLI_H_
