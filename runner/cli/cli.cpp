#include "cli/cli.h"

#include <algorithm>

#include "job/job.h"

namespace kernels::runner {
namespace {

// The runner's help layout: "--size N" and "help (default X)", and a usage line of our own.
class Formatter : public CLI::Formatter {
 public:
  explicit Formatter(std::string usage = "") : usage_(std::move(usage)) {}
  std::string make_usage(const CLI::App* app, std::string name) const override {
    return usage_.empty() ? CLI::Formatter::make_usage(app, std::move(name))
                          : "Usage: " + usage_ + "\n";
  }
  std::string make_option_opts(const CLI::Option* opt) const override {
    return is_flag(*opt) ? std::string() : " " + opt->get_type_name();
  }
  std::string make_option_desc(const CLI::Option* opt) const override {
    const std::string d = opt->get_default_str();
    return opt->get_description() + (d.empty() ? "" : " (default " + d + ")");
  }

 private:
  std::string usage_;
};

}  // namespace

bool is_flag(const CLI::Option& opt) {
  return opt.get_items_expected_max() == 0;
}

namespace {

template <class T>
CLI::Option* number(CLI::App& app, const std::string& name, T& value, T min, T max,
                    const std::string& metavar, const std::string& help) {
  // Only decimal digits, and no leading zeros by the time CLI11 converts the text, which it would
  // otherwise read as octal ("010") or hexadecimal ("0x10").
  const CLI::Validator decimal(
      [](std::string& text) -> std::string {
        const std::size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
        const bool digits =
            text.size() > start && std::all_of(text.begin() + static_cast<long>(start), text.end(),
                                               [](char c) { return c >= '0' && c <= '9'; });
        if (!digits) return "'" + text + "' is not a whole decimal number";
        std::size_t first = text.find_first_not_of('0', start);
        if (first == std::string::npos) first = text.size() - 1;
        text.erase(start, first - start);
        return std::string();
      },
      "");
  CLI::Validator range = CLI::Range(min, max);
  range.description("").name(kRangeCheck);
  return app
      .add_option(name, value, help + ", " + std::to_string(min) + " to " + std::to_string(max))
      ->type_name(metavar)
      ->transform(decimal)
      ->check(range)
      ->capture_default_str();
}

}  // namespace

CLI::Option* add_number(CLI::App& app, const std::string& name, long long& value, long long min,
                        long long max, const std::string& metavar, const std::string& help) {
  return number(app, name, value, min, max, metavar, help);
}

CLI::Option* add_number(CLI::App& app, const std::string& name, int& value, int min, int max,
                        const std::string& metavar, const std::string& help) {
  return number(app, name, value, min, max, metavar, help);
}

std::unique_ptr<CLI::App> new_app(const std::string& description, const std::string& name,
                                  const std::string& usage) {
  auto app = std::make_unique<CLI::App>(description, name);
  app->formatter(std::make_shared<Formatter>(usage));
  app->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  return app;
}

std::string option_lines(const CLI::App& app, const std::string& indent) {
  const Formatter format;
  std::string out;
  for (const CLI::Option* opt : app.get_options()) {
    if (opt == app.get_help_ptr()) continue;
    std::string left = opt->get_name() + format.make_option_opts(opt);
    left.resize(std::max<std::size_t>(left.size() + 2, 16), ' ');
    out += indent + left + format.make_option_desc(opt) + "\n";
  }
  return out;
}

std::string parse_or_help(CLI::App& app, const std::string& name, std::vector<std::string> tokens) {
  std::reverse(tokens.begin(), tokens.end());  // CLI11 takes the last first
  try {
    app.parse(tokens);
  } catch (const CLI::CallForHelp&) {
    return app.help();
  } catch (const CLI::ParseError& e) {
    throw UsageError(one_line(name, e));
  }
  return "";
}

std::string one_line(const std::string& name, const CLI::Error& error) {
  std::string what = error.what();
  std::replace(what.begin(), what.end(), '\n', ' ');
  while (!what.empty() && what.back() == ' ') what.pop_back();
  return name.empty() ? what : name + ": " + what;
}

}  // namespace kernels::runner
