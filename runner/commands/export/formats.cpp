#include "commands/export/formats.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

#include "cli/text.h"
#include "count/counts.h"
#include "results/known_results.h"

namespace kernels::runner {
namespace {

constexpr double kNanosecondsPerSecond = 1e9;

// `seconds` in whole nanoseconds: the clocks behind the times tick in nanoseconds, so a median
// of an even count of runs (3403700.4999999995) carries no more.
Json nanoseconds(double seconds) {
  return std::llround(seconds * kNanosecondsPerSecond);
}

// The binary hash of a report's context, when it has one (16 hexadecimal digits).
std::optional<std::string> binary_hash(const Json& context) {
  const auto it = context.find("binary_hash");
  if (it == context.end() || !it->is_string()) return std::nullopt;
  const std::string h = it->get<std::string>();
  if (h.size() != 16 || !std::all_of(h.begin(), h.end(), [](char ch) {
        return std::isdigit(static_cast<unsigned char>(ch)) || (ch >= 'a' && ch <= 'f');
      }))
    return std::nullopt;
  return h;
}

// A context value as text: strings as they are, anything else as JSON.
std::string text_of(const Json& v) {
  return v.is_string() ? v.get<std::string>() : v.dump();
}

std::string context_string(const Json& context, const char* key, const std::string& otherwise) {
  return context.contains(key) && context[key].is_string() ? context[key].get<std::string>()
                                                           : otherwise;
}

// "YYYY-MM-DDTHH:MM:SS" from a context's date ("2026-12-09T13:04:05Z"), or none when it has no
// date of that shape.
std::optional<std::string> seconds_date(const Json& context) {
  const std::string d = context_string(context, "date", "");
  static const char kShape[] = "dddd-dd-ddTdd:dd:dd";
  if (d.size() < sizeof kShape - 1) return std::nullopt;
  for (std::size_t i = 0; i + 1 < sizeof kShape; ++i)
    if (kShape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(d[i])) : d[i] != kShape[i])
      return std::nullopt;
  return d.substr(0, sizeof kShape - 1);
}

std::string now_date() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
  return buf;
}

std::string digest_text(const SavedRun& r) {
  return r.digest.value_or("");
}

// Count `name` of a report as a number, or none when it carries no counts.
std::optional<double> count_of(const SavedRun& r, const char* name) {
  if (!r.counts.is_object() || !r.counts.contains(name)) return std::nullopt;
  return r.counts[name].get<double>();
}

// Branch mispredicts of both kinds, conditional and indirect.
std::optional<double> branch_misses(const SavedRun& r) {
  const std::optional<double> c = count_of(r, "mispredicts"),
                              i = count_of(r, "indirect_mispredicts");
  if (!c) return std::nullopt;
  return *c + i.value_or(0);
}

}  // namespace

std::string gbench_json(const std::vector<SavedRun>& reports) {
  const Json& c = reports.front().context;
  Json context = Json::object();
  context["date"] = seconds_date(c).value_or(now_date()) + "+00:00";
  context["host_name"] = context_string(c, "host", "unknown");
  context["executable"] = "kernels";
  context["num_cpus"] = c.contains("cpus") && c["cpus"].is_number_integer() ? c["cpus"] : Json(0);
  context["mhz_per_cpu"] = 0;
  context["cpu_scaling_enabled"] = false;
  context["caches"] = Json::array();
  if (c.contains("caches") && c["caches"].is_array())
    for (const Json& k : c["caches"])
      if (k.is_object() && k.contains("level") && k.contains("size") && k.contains("type"))
        context["caches"].push_back(
            {{"type", k["type"]}, {"level", k["level"]}, {"size", k["size"]}, {"num_sharing", 1}});
  context["load_avg"] = Json::array();
  context["library_build_type"] =
      context_string(c, "build_type", "") == "Debug" ? "debug" : "release";
  context["json_schema_version"] = 1;
  for (auto it = c.begin(); it != c.end(); ++it)
    if (!context.contains(it.key())) context[it.key()] = text_of(it.value());

  for (const SavedRun& r : reports) {
    if (r.code_size) context["text_bytes." + r.name()] = std::to_string(r.code_size->text);
    if (r.compile_seconds) context["compile_seconds." + r.name()] = Json(*r.compile_seconds).dump();
  }

  Json benchmarks = Json::array();
  std::map<std::string, int> family;     // kernel -> family_index
  std::map<std::string, int> instances;  // kernel -> instances so far
  for (const SavedRun& r : reports) {
    const int family_index =
        family.emplace(r.kernel, static_cast<int>(family.size())).first->second;
    const int instance = instances[r.kernel]++;
    const std::string name = r.name();
    const std::size_t n = r.seconds.each.size();
    const auto entry = [&](const std::string& entry_name, const char* run_type) {
      Json e = Json::object();
      e["name"] = entry_name;
      e["family_index"] = family_index;
      e["per_family_instance_index"] = instance;
      e["run_name"] = name;
      e["run_type"] = run_type;
      e["repetitions"] = n;
      return e;
    };
    // The counts and the peak as user counters: each run's value is the same, so the mean and
    // median aggregates carry it too and the stddev and cv aggregates 0.
    const auto counters = [&](Json& e, bool spread) {
      for (const char* c : kCountNames)
        if (const std::optional<double> v = count_of(r, c)) e[c] = spread ? 0.0 : *v;
      if (r.peak_rss) e["peak_rss"] = spread ? 0.0 : *r.peak_rss;
    };
    const auto times = [&](Json& e, const Json& value, const char* unit) {
      e["real_time"] = value;
      e["cpu_time"] = value;  // the runner times the wall clock only
      e["time_unit"] = unit;
      if (r.digest) e["label"] = *r.digest;
    };
    // The work counters as user counters: each count, and its rate over the entry's time.
    const auto work_counters = [&](Json& e, double seconds) {
      for (auto it = r.counters.begin(); it != r.counters.end(); ++it) {
        const double count = it.value().get<double>();
        e[it.key()] = count;
        if (seconds > 0) e[it.key() + "_per_second"] = count / seconds;
      }
      if (r.bound_seconds) e["bound_seconds"] = *r.bound_seconds;
      if (r.bound_seconds && seconds > 0) e["efficiency"] = *r.bound_seconds / seconds;
    };
    for (std::size_t i = 0; i < n; ++i) {
      Json e = entry(name, "iteration");
      e["repetition_index"] = i;
      e["threads"] = 1;
      e["iterations"] = 1;
      times(e, nanoseconds(r.seconds.each[i]), "ns");
      counters(e, false);
      work_counters(e, r.seconds.each[i]);
      benchmarks.push_back(std::move(e));
    }
    const double cv = r.seconds.mean > 0 ? r.seconds.stddev / r.seconds.mean : 0.0;
    const struct {
      const char* name;
      double value;
      bool fraction;
    } aggregates[] = {{"mean", r.seconds.mean, false},
                      {"median", r.seconds.median, false},
                      {"stddev", r.seconds.stddev, false},
                      {"cv", cv, true}};
    for (const auto& a : aggregates) {
      Json e = entry(name + "_" + a.name, "aggregate");
      e["threads"] = 1;
      e["aggregate_name"] = a.name;
      e["aggregate_unit"] = a.fraction ? "percentage" : "time";
      e["iterations"] = n;
      times(e, a.fraction ? Json(a.value) : nanoseconds(a.value), "ns");
      counters(e, a.fraction || std::string(a.name) == "stddev");
      if (std::string(a.name) == "median") work_counters(e, r.seconds.median);
      benchmarks.push_back(std::move(e));
    }
  }
  return Json{{"context", context}, {"benchmarks", benchmarks}}.dump(2) + "\n";
}

std::string bmf_json(const std::vector<SavedRun>& reports) {
  Json out = Json::object();
  for (const SavedRun& r : reports) {
    const TimeStats& s = r.seconds;
    Json measures{{"latency",
                   {{"value", nanoseconds(s.median)},
                    {"lower_value", nanoseconds(s.min)},
                    {"upper_value", nanoseconds(s.max)}}}};
    if (r.work_n && s.min > 0)
      measures["throughput"] = {{"value", *r.work_n / s.median},
                                {"lower_value", *r.work_n / s.max},
                                {"upper_value", *r.work_n / s.min}};
    // Counts are exact: a value without bounds.
    const std::pair<const char*, std::optional<double>> exact[] = {
        {"instructions", count_of(r, "instructions")},
        {"l1d-misses", count_of(r, "l1d_misses")},
        {"ll-misses", count_of(r, "ll_misses")},
        {"branch-misses", branch_misses(r)},
        {"peak-rss", r.peak_rss}};
    for (const auto& [measure, value] : exact)
      if (value) measures[measure] = {{"value", *value}};
    if (r.code_size) measures["text-bytes"] = {{"value", r.code_size->text}};
    if (r.compile_seconds) measures["compile-seconds"] = {{"value", *r.compile_seconds}};
    // Each work counter's rate, and the fraction of the bound reached.
    if (s.min > 0)
      for (auto it = r.counters.begin(); it != r.counters.end(); ++it) {
        const double count = it.value().get<double>();
        measures[it.key() + "_per_second"] = {{"value", count / s.median},
                                              {"lower_value", count / s.max},
                                              {"upper_value", count / s.min}};
      }
    if (r.bound_seconds && s.min > 0)
      measures["efficiency"] = {{"value", *r.bound_seconds / s.median},
                                {"lower_value", *r.bound_seconds / s.max},
                                {"upper_value", *r.bound_seconds / s.min}};
    out[r.name()] = measures;
  }
  return out.dump(2) + "\n";
}

std::string github_json(const std::vector<SavedRun>& reports) {
  Json out = Json::array();
  for (const SavedRun& r : reports) {
    char range[64];
    std::snprintf(range, sizeof range, "± %.0f", r.seconds.stddev * kNanosecondsPerSecond);
    const std::string extra = "runs " + std::to_string(r.seconds.each.size()) + "\ndigest " +
                              (r.digest ? *r.digest : std::string("-")) + "\ncompiler " +
                              context_string(r.context, "compiler", "unknown");
    out.push_back(Json{{"name", r.name()},
                       {"unit", "ns"},
                       {"value", nanoseconds(r.seconds.median)},
                       {"range", range},
                       {"extra", extra}});
    // The counts and the peak as entries of their own, each in its own unit.
    const char* const counted = "exact: one counted run, simulated caches (docs/counting.md)";
    const std::tuple<const char*, const char*, std::optional<double>, const char*> more[] = {
        {"instructions", "instructions", count_of(r, "instructions"), counted},
        {"L1d misses", "misses", count_of(r, "l1d_misses"), counted},
        {"LL misses", "misses", count_of(r, "ll_misses"), counted},
        {"branch misses", "mispredicts", branch_misses(r), counted},
        {"peak RSS", "bytes", r.peak_rss, "resident high-water mark of the job's runs"}};
    for (const auto& [what, unit, value, note] : more)
      if (value)
        out.push_back(Json{{"name", r.name() + " (" + what + ")"},
                           {"unit", unit},
                           {"value", *value},
                           {"extra", note}});
  }
  return out.dump(2) + "\n";
}

void check_lnt_order(const std::string& order) {
  const auto has = [&order](auto test) {
    return std::any_of(order.begin(), order.end(),
                       [&test](char ch) { return test(static_cast<unsigned char>(ch)); });
  };
  const bool digits = has([](unsigned char ch) { return std::isdigit(ch) != 0; });
  const bool hex_letters =
      has([](unsigned char ch) { return std::isxdigit(ch) && !std::isdigit(ch); });
  const bool only_hex = !has([](unsigned char ch) { return std::isxdigit(ch) == 0; });
  const std::string quoted = Json(order).dump(-1, ' ', false, Json::error_handler_t::replace);
  const std::string forms =
      "give an order that sorts: a commit count (git rev-list --count HEAD), a date "
      "(2026-12-10) or a version (1.2.3)";
  if (!digits)
    throw UsageError("export: --order " + quoted +
                     " has no digits, and LNT orders runs by the digit groups in it; " + forms);
  if (only_hex && hex_letters)
    throw UsageError("export: --order " + quoted +
                     " looks like a commit hash, which LNT would sort by its digit groups, not "
                     "by history; " +
                     forms);
}

std::string lnt_json(const std::vector<SavedRun>& reports, const std::string& order) {
  if (!order.empty()) check_lnt_order(order);
  const Json& c = reports.front().context;
  std::string first, last;
  for (const SavedRun& r : reports)
    if (const std::optional<std::string> d = seconds_date(r.context)) {
      if (first.empty() || *d < first) first = *d;
      if (last.empty() || *d > last) last = *d;
    }
  if (first.empty()) first = last = now_date();
  // The machine is the host alone: LNT matches a submission's machine by all its fields, so a
  // build field here would make each new build a changed machine, which it refuses.
  Json machine{{"name", context_string(c, "host", "unknown")}};
  for (const char* key : {"cpu", "cpus"})
    if (c.contains(key)) machine[std::string(key) == "cpu" ? "hardware" : key] = text_of(c[key]);
  for (auto it = c.begin(); it != c.end(); ++it)
    if (it.key().rfind("cache", 0) == 0) machine[it.key()] = text_of(it.value());
  Json run{{"start_time", first},
           {"end_time", last},
           {"llvm_project_revision", order.empty() ? first : order}};
  for (const char* key : {"version", "compiler", "build_type", "flags", "binary_hash"})
    if (c.contains(key)) run[key] = text_of(c[key]);
  Json tests = Json::array();
  for (const SavedRun& r : reports) {
    const std::string name = "kernels." + r.name();
    if (r.digest) run["digest." + name] = *r.digest;
    const std::optional<std::string> known = known_digest(r.kernel, r.args);
    Json t{{"name", name}, {"execution_time", r.seconds.each}};
    if (const std::optional<std::string> h = binary_hash(r.context)) t["hash"] = *h;
    // Only a digest that differs from the known one fails; a run without one (--no-observe)
    // is a good run whose time counts.
    t["execution_status"] = r.digest && known && known != r.digest ? 1 : 0;
    if (r.compile_seconds) t["compile_time"] = *r.compile_seconds;
    if (r.code_size) t["code_size"] = r.code_size->text;
    // The peak in the default schema's mem_bytes; the counts in the custom metrics of
    // docs/counting.md, which a server's test suite must declare to keep them.
    if (r.peak_rss) t["mem_bytes"] = *r.peak_rss;
    for (const char* c : {"instructions", "l1d_misses", "ll_misses"})
      if (const std::optional<double> v = count_of(r, c)) t[c] = *v;
    if (const std::optional<double> v = branch_misses(r)) t["branch_misses"] = *v;
    tests.push_back(std::move(t));
  }
  return Json{{"format_version", "2"}, {"machine", machine}, {"run", run}, {"tests", tests}}.dump(
             2) +
         "\n";
}

namespace {

std::string csv_field(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (const char ch : s) out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return out + "\"";
}

std::string number(double v) {
  return Json(v).dump();
}

}  // namespace

std::string csv_text(const std::vector<SavedRun>& reports) {
  std::vector<std::string> keys;
  for (const SavedRun& r : reports)
    for (auto it = r.context.begin(); it != r.context.end(); ++it)
      if (std::find(keys.begin(), keys.end(), it.key()) == keys.end()) keys.push_back(it.key());
  std::vector<std::string> header = {"kernel", "args", "runs",   "median",    "mean",  "stddev",
                                     "min",    "max",  "work_n", "work_unit", "digest"};
  header.insert(header.end(), keys.begin(), keys.end());
  // The peak and the counts last, as columns only when some report has them.
  const bool any_peak = std::any_of(reports.begin(), reports.end(),
                                    [](const SavedRun& r) { return r.peak_rss.has_value(); });
  const bool any_counts = std::any_of(reports.begin(), reports.end(),
                                      [](const SavedRun& r) { return r.counts.is_object(); });
  if (any_peak) header.push_back("peak_rss");
  if (any_counts) header.insert(header.end(), std::begin(kCountNames), std::end(kCountNames));
  std::string out;
  const auto row = [&out](const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) out += (i ? "," : "") + csv_field(fields[i]);
    out += "\r\n";
  };
  row(header);
  for (const SavedRun& r : reports) {
    const TimeStats& s = r.seconds;
    std::vector<std::string> fields = {
        r.kernel,         args_text(r.args), std::to_string(s.each.size()),
        number(s.median), number(s.mean),    number(s.stddev),
        number(s.min),    number(s.max),     r.work_n ? number(*r.work_n) : "",
        r.work_unit,      digest_text(r)};
    for (const std::string& k : keys)
      fields.push_back(r.context.contains(k) ? text_of(r.context[k]) : "");
    if (any_peak)
      fields.push_back(r.peak_rss ? std::to_string(static_cast<std::uint64_t>(*r.peak_rss)) : "");
    if (any_counts)
      for (const char* c : kCountNames)
        fields.push_back(r.counts.is_object() && r.counts.contains(c) ? r.counts[c].dump() : "");
    row(fields);
  }
  return out;
}

namespace {

// The unit of a row, chosen by its median: the largest in which the median is at least 1.
struct Unit {
  const char* name;
  double per_second;
};
Unit unit_for(double seconds) {
  if (seconds >= 1) return {"s", 1};
  if (seconds >= 1e-3) return {"ms", 1e3};
  if (seconds >= 1e-6) return {"µs", 1e6};
  return {"ns", 1e9};
}

std::string fixed(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  return buf;
}

// A table cell: '|' would end it, and a newline the row.
std::string cell(const std::string& s) {
  std::string out;
  for (const char ch : s) {
    if (ch == '|' || ch == '\\' || ch == '`' || ch == '*' || ch == '_') out += '\\';
    out += ch == '\n' || ch == '\r' ? ' ' : ch;
  }
  return out;
}

}  // namespace

std::string markdown_table(const std::vector<SavedRun>& reports) {
  const bool any_peak = std::any_of(reports.begin(), reports.end(),
                                    [](const SavedRun& r) { return r.peak_rss.has_value(); });
  const bool any_counts = std::any_of(reports.begin(), reports.end(),
                                      [](const SavedRun& r) { return r.counts.is_object(); });
  std::string out = "| Job | Median [unit] | Mean ± σ | Min … Max | Digest |";
  if (any_peak) out += " Peak RSS [MiB] |";
  if (any_counts) out += " Instructions | L1d misses | LL misses |";
  out += "\n|:---|---:|---:|---:|:---|";
  if (any_peak) out += "---:|";
  if (any_counts) out += "---:|---:|---:|";
  out += "\n";
  for (const SavedRun& r : reports) {
    const TimeStats& s = r.seconds;
    const Unit u = unit_for(s.median);
    out += "| " + cell(r.name()) + " | " + fixed(s.median * u.per_second) + " [" + u.name + "] | " +
           fixed(s.mean * u.per_second) + " ± " + fixed(s.stddev * u.per_second) + " | " +
           fixed(s.min * u.per_second) + " … " + fixed(s.max * u.per_second) + " | " +
           (r.digest ? "`" + *r.digest + "`" : std::string("-")) + " |";
    if (any_peak) out += " " + (r.peak_rss ? fixed(*r.peak_rss / (1024.0 * 1024.0)) : "-") + " |";
    if (any_counts)
      for (const char* c : {"instructions", "l1d_misses", "ll_misses"})
        out += " " + (count_of(r, c) ? r.counts[c].dump() : std::string("-")) + " |";
    out += "\n";
  }
  return out;
}

}  // namespace kernels::runner
