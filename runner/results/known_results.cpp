#include "results/known_results.h"

#include "cli/text.h"

namespace kernels::runner {
namespace {

bool is_digest(const std::string& s) {
  return s.size() == 16 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// A text from the table as a JSON string, so that a message stays on one line whatever it holds.
std::string json_text(const std::string& s) {
  return Json(s).dump(-1, ' ', false, Json::error_handler_t::replace);
}

KnownCase parse_case(const std::string& line, const std::string& where) {
  Json j;
  try {
    j = Json::parse(line);
  } catch (const Json::exception&) {
    throw UsageError(where + ": not a line of JSON");
  }
  if (!j.is_object()) throw UsageError(where + ": not a JSON object");
  for (const char* key : {"kernel", "args", "digest"})
    if (!j.contains(key)) throw UsageError(where + ": no \"" + key + "\"");
  KnownCase c;
  try {
    c.kernel = j.at("kernel").get<std::string>();
    c.args = j.at("args").get<std::vector<std::string>>();
    c.digest = j.at("digest").get<std::string>();
    c.quick = j.value("quick", false);
  } catch (const Json::exception&) {
    throw UsageError(where +
                     ": \"kernel\" and \"digest\" must be texts, \"args\" a list of "
                     "texts and \"quick\" true or false");
  }
  if (find_job(c.kernel) == nullptr) throw UsageError(where + ": no job " + json_text(c.kernel));
  if (!is_digest(c.digest))
    throw UsageError(where + ": digest " + json_text(c.digest) + " is not 16 hexadecimal digits");
  if (j.contains("summary")) {
    if (!j["summary"].is_object()) throw UsageError(where + ": \"summary\" must be an object");
    c.summary = j["summary"];
  }
  if (j.contains("input")) c.input = j["input"];
  return c;
}

}  // namespace

std::vector<KnownCase> parse_known_results(std::string_view text, const std::string& source) {
  std::vector<KnownCase> cases;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string line(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    cases.push_back(parse_case(line, source + ":" + std::to_string(number)));
  }
  return cases;
}

Json known_case_json(const KnownCase& c) {
  Json j;
  j["kernel"] = c.kernel;
  j["args"] = c.args;
  if (!c.input.is_null()) j["input"] = c.input;
  j["digest"] = c.digest;
  j["quick"] = c.quick;
  j["summary"] = c.summary;
  return j;
}

std::optional<std::string> known_digest(const std::string& kernel,
                                        const std::vector<std::string>& args) {
  static const std::vector<KnownCase> table =
      parse_known_results(builtin_known_results(), "known_results.jsonl");
  for (const KnownCase& c : table)
    if (c.kernel == kernel && c.args == args && c.input.is_null()) return c.digest;
  return std::nullopt;
}

std::string case_title(const KnownCase& c) {
  return c.args.empty() ? c.kernel : c.kernel + " " + args_text(c.args);
}

}  // namespace kernels::runner
