#include "results/saved_run.h"

#include <cmath>
#include <map>

#include "cli/text.h"
#include "count/counts.h"
#include "files/files.h"

namespace kernels::runner {
namespace {

// Saved runs are lines of a few hundred bytes a job; this bounds what a stray file costs.
constexpr std::size_t kMaxReportFileBytes = std::size_t{256} << 20;

bool is_run_report(const Json& j) {
  return j.is_object() && j.contains("kernel") && j.contains("args") && j.contains("seconds") &&
         j["seconds"].is_object();
}

// A run that took longer than this (about 30 years) is not a measurement; the bound keeps every
// sum and ratio of times finite.
constexpr double kMaxSeconds = 1e9;

// A line that is not JSON but starts as a run report does: an object with "kernel" and
// "seconds" keys.
bool looks_like_report(std::string_view line) {
  const std::size_t start = line.find_first_not_of(" \t\r");
  return start != std::string_view::npos && line[start] == '{' &&
         line.find("\"kernel\"") != std::string_view::npos &&
         line.find("\"seconds\"") != std::string_view::npos;
}

bool is_time(const Json& v) {
  return v.is_number() && std::isfinite(v.get<double>()) && v.get<double>() >= 0 &&
         v.get<double>() <= kMaxSeconds;
}

bool is_count(const Json& v) {
  return v.is_number_unsigned() || (v.is_number_integer() && v.get<std::int64_t>() >= 0);
}

bool is_digest(const std::string& s) {
  if (s.size() != 16) return false;
  for (const char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// The report in `j`, or the reason it is malformed in `why`.
std::optional<SavedRun> checked(const Json& j, std::string& why) {
  SavedRun r;
  if (!j["kernel"].is_string() || j["kernel"].get<std::string>().empty()) {
    why = "\"kernel\" is not a non-empty string";
    return std::nullopt;
  }
  r.kernel = j["kernel"].get<std::string>();
  if (!j["args"].is_array()) {
    why = "\"args\" is not a list of strings";
    return std::nullopt;
  }
  for (const Json& a : j["args"]) {
    if (!a.is_string()) {
      why = "\"args\" is not a list of strings";
      return std::nullopt;
    }
    r.args.push_back(a.get<std::string>());
  }
  const Json& seconds = j["seconds"];
  if (!seconds.contains("each") || !seconds["each"].is_array() || seconds["each"].empty()) {
    why = "\"seconds\".\"each\" is not a non-empty list of times";
    return std::nullopt;
  }
  std::vector<double> each;
  for (const Json& v : seconds["each"]) {
    if (!is_time(v)) {
      why = "\"seconds\".\"each\" holds a value that is not a time from 0 to 1e9 s";
      return std::nullopt;
    }
    each.push_back(v.get<double>());
  }
  for (const char* key : {"min", "median", "mean", "stddev", "max"})
    if (seconds.contains(key) && !is_time(seconds[key])) {
      why = std::string("\"seconds\".\"") + key + "\" is not a time from 0 to 1e9 s";
      return std::nullopt;
    }
  if (j.contains("runs") && !(j["runs"].is_number_integer() && j["runs"].get<double>() >= 0 &&
                              j["runs"].get<std::size_t>() == each.size())) {
    why = "\"runs\" is not the count of \"seconds\".\"each\"";
    return std::nullopt;
  }
  r.seconds = time_stats(std::move(each));
  if (!j.contains("digest")) {
    why = "no \"digest\"";
    return std::nullopt;
  }
  if (!j["digest"].is_null()) {
    if (!j["digest"].is_string() || !is_digest(j["digest"].get<std::string>())) {
      why = "\"digest\" is neither null nor 16 lower-case hexadecimal digits";
      return std::nullopt;
    }
    r.digest = j["digest"].get<std::string>();
  }
  if (j.contains("work")) {
    const Json& w = j["work"];
    if (!w.is_object() || !w.contains("n") || !w["n"].is_number() ||
        !std::isfinite(w["n"].get<double>()) || w["n"].get<double>() <= 0 || !w.contains("unit") ||
        !w["unit"].is_string()) {
      why = "\"work\" is not {\"n\": a number > 0, \"unit\": a string}";
      return std::nullopt;
    }
    r.work_n = w["n"].get<double>();
    r.work_unit = w["unit"].get<std::string>();
    if (w.contains("counters")) {
      const Json& c = w["counters"];
      bool good = c.is_object();
      for (auto it = c.begin(); good && it != c.end(); ++it)
        good = it.value().is_number() && std::isfinite(it.value().get<double>()) &&
               it.value().get<double>() >= 0;
      if (!good) {
        why = "\"work\".\"counters\" is not an object of counts >= 0";
        return std::nullopt;
      }
      r.counters = c;
    }
  }
  if (j.contains("bound") && !j["bound"].is_null()) {
    const Json& b = j["bound"];
    const auto positive = [&b](const char* key) {
      return b[key].is_number() && std::isfinite(b[key].get<double>()) && b[key].get<double>() > 0;
    };
    if (!b.is_object() || !b.contains("seconds") || !positive("seconds") || !b.contains("limit") ||
        !b["limit"].is_string() ||
        (b.contains("efficiency") && !b["efficiency"].is_null() && !positive("efficiency"))) {
      why = "\"bound\" is not {\"seconds\" > 0, \"limit\": a string, \"efficiency\"}";
      return std::nullopt;
    }
    r.bound_seconds = b["seconds"].get<double>();
    r.bound_limit = b["limit"].get<std::string>();
    if (b.contains("efficiency") && !b["efficiency"].is_null())
      r.efficiency = b["efficiency"].get<double>();
  }
  if (j.contains("counts") && !j["counts"].is_null()) {
    const Json& c = j["counts"];
    if (!c.is_object() || !c.contains("instructions")) {
      why = "\"counts\" is not an object with \"instructions\"";
      return std::nullopt;
    }
    for (const char* name : kCountNames)
      if (c.contains(name) && !is_count(c[name])) {
        why = std::string("\"counts\".\"") + name + "\" is not an integer >= 0";
        return std::nullopt;
      }
    r.counts = c;
  }
  if (j.contains("memory")) {
    const Json& m = j["memory"];
    if (!m.is_object() ||
        (m.contains("peak_rss") && !m["peak_rss"].is_null() && !is_count(m["peak_rss"]))) {
      why = "\"memory\" is not an object whose \"peak_rss\" is null or an integer >= 0";
      return std::nullopt;
    }
    if (m.contains("peak_rss") && !m["peak_rss"].is_null())
      r.peak_rss = m["peak_rss"].get<double>();
  }
  if (j.contains("code_size")) {
    const Json& c = j["code_size"];
    SavedRun::CodeSize size;
    std::int64_t* fields[] = {&size.text, &size.rodata, &size.data, &size.bss};
    const char* names[] = {"text", "rodata", "data", "bss"};
    for (int i = 0; i < 4; ++i) {
      if (!c.is_object() || !c.contains(names[i]) || !c[names[i]].is_number_integer()) {
        why = "\"code_size\" is not {\"text\", \"rodata\", \"data\", \"bss\"} of whole bytes";
        return std::nullopt;
      }
      *fields[i] = c[names[i]].get<std::int64_t>();
    }
    r.code_size = size;
  }
  if (j.contains("compile_seconds")) {
    if (!is_time(j["compile_seconds"])) {
      why = "\"compile_seconds\" is not a time from 0 to 1e9 s";
      return std::nullopt;
    }
    r.compile_seconds = j["compile_seconds"].get<double>();
  }
  if (j.contains("context")) {
    if (!j["context"].is_object()) {
      why = "\"context\" is not an object";
      return std::nullopt;
    }
    r.context = j["context"];
  }
  return r;
}

}  // namespace

std::string SavedRun::name() const {
  return args.empty() ? kernel : kernel + " " + args_text(args);
}

std::vector<SavedRun> parse_saved_runs(std::string_view text, const std::string& source,
                                       const std::string& command) {
  std::vector<SavedRun> reports;
  int line_number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++line_number;
    const Json j = Json::parse(line, nullptr, false);
    std::string why;
    if (j.is_discarded() && looks_like_report(line)) {
      // A cut-off line, or times written as Infinity or NaN, which JSON has no words for.
      why = "not valid JSON";
    } else if (j.is_discarded() || !is_run_report(j)) {
      continue;
    }
    std::optional<SavedRun> r;
    if (why.empty()) r = checked(j, why);
    if (!r)
      throw UsageError(command + ": " + source + ":" + std::to_string(line_number) +
                       ": malformed run report: " + why);
    r->source = source;
    r->line = line_number;
    reports.push_back(std::move(*r));
  }
  if (reports.empty()) throw UsageError(command + ": '" + source + "' holds no run reports");
  return reports;
}

std::vector<SavedRun> read_saved_runs(const std::string& path, const std::string& command) {
  return parse_saved_runs(read_file(command + ":", path, kMaxReportFileBytes), path, command);
}

Pairing pair_reports(const std::vector<SavedRun>& a, const std::vector<SavedRun>& b) {
  Pairing p;
  p.b_of.assign(a.size(), -1);
  p.a_of.assign(b.size(), -1);
  // The unpaired reports of b by name, in order, so that pairing stays linear.
  std::map<std::string, std::vector<int>> waiting;
  for (std::size_t j = b.size(); j-- > 0;) waiting[b[j].name()].push_back(static_cast<int>(j));
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto it = waiting.find(a[i].name());
    if (it == waiting.end() || it->second.empty()) continue;
    const int j = it->second.back();
    it->second.pop_back();
    p.b_of[i] = j;
    p.a_of[static_cast<std::size_t>(j)] = static_cast<int>(i);
  }
  return p;
}

}  // namespace kernels::runner
