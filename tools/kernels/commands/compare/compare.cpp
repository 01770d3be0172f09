#include "commands/compare/compare.h"

#include <cmath>
#include <cstdio>

#include "commands/compare/ratio_interval.h"
#include "core/cli.h"
#include "core/files.h"
#include "core/text.h"

namespace kernels::runner {
namespace {

bool is_report(const Json& j) {
  return j.is_object() && j.contains("kernel") && j.contains("args") && j.contains("seconds");
}

std::vector<double> each_time(const Json& report) {
  std::vector<double> out;
  const Json& seconds = report["seconds"];
  if (!seconds.is_object() || !seconds.contains("each") || !seconds["each"].is_array()) return out;
  for (const Json& v : seconds["each"])
    if (v.is_number()) out.push_back(v.get<double>());
  return out;
}

Json optional_number(const std::optional<double>& v) {
  return v && std::isfinite(*v) ? Json(*v) : Json();
}

// The args of a report as typed; a report whose args are not a list of texts shows them as JSON.
std::string shown_args(const Json& args) {
  std::vector<std::string> texts;
  if (args.is_array())
    for (const Json& a : args) texts.push_back(a.is_string() ? a.get<std::string>() : a.dump());
  return args_text(texts);
}

std::string clip(std::string s, std::size_t width) {
  if (s.size() > width) s = s.substr(0, width - 3) + "...";
  return s;
}

std::string seconds_text(const Json& v) {
  return v.is_number() ? duration_text(v.get<double>()) : "-";
}

std::string number_text(const Json& v) {
  if (!v.is_number()) return "-";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", v.get<double>());
  return buf;
}

std::string shown(const Json& v) {
  return v.is_string() ? v.get<std::string>() : v.dump();
}

}  // namespace

std::vector<Json> parse_reports(std::string_view text, const std::string& source) {
  std::vector<Json> reports;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const Json j = Json::parse(line, nullptr, false);
    if (!j.is_discarded() && is_report(j)) reports.push_back(j);
  }
  if (reports.empty()) throw UsageError("compare: '" + source + "' holds no reports");
  return reports;
}

Json context_differences(const Json& a, const Json& b) {
  Json out = Json::object();
  if (!a.is_object() && !b.is_object()) return out;
  const Json empty = Json::object();
  const Json& ca = a.is_object() ? a : empty;
  const Json& cb = b.is_object() ? b : empty;
  for (const Json* side : {&ca, &cb})
    for (auto it = side->begin(); it != side->end(); ++it) {
      const Json va = ca.value(it.key(), Json()), vb = cb.value(it.key(), Json());
      if (va != vb) out[it.key()] = Json::array({va, vb});
    }
  return out;
}

Json compare_pair(const Json& a, const Json& b) {
  const RatioInterval r = median_ratio_interval(each_time(a), each_time(b));
  return Json{{"kernel", a["kernel"]},
              {"args", a["args"]},
              {"same_digest", a.value("digest", Json()) == b.value("digest", Json())},
              {"a_median", r.a_median},
              {"b_median", r.b_median},
              {"ratio", optional_number(r.ratio)},
              {"low", optional_number(r.low)},
              {"high", optional_number(r.high)},
              {"verdict", r.verdict}};
}

std::vector<Json> compare_reports(const std::vector<Json>& a, const std::vector<Json>& b) {
  std::vector<Json> out;
  const Json differences =
      context_differences(a.front().value("context", Json()), b.front().value("context", Json()));
  if (!differences.empty()) out.push_back(Json{{"context_differences", differences}});
  std::vector<bool> used(b.size(), false);
  std::vector<Json> only;
  for (const Json& ra : a) {
    std::size_t k = 0;
    while (k < b.size() &&
           (used[k] || b[k]["kernel"] != ra["kernel"] || b[k]["args"] != ra["args"]))
      ++k;
    if (k == b.size()) {
      only.push_back(Json{{"only_in", "A"}, {"kernel", ra["kernel"]}, {"args", ra["args"]}});
      continue;
    }
    used[k] = true;
    out.push_back(compare_pair(ra, b[k]));
  }
  for (std::size_t k = 0; k < b.size(); ++k)
    if (!used[k])
      only.push_back(Json{{"only_in", "B"}, {"kernel", b[k]["kernel"]}, {"args", b[k]["args"]}});
  out.insert(out.end(), only.begin(), only.end());
  return out;
}

std::string compare_text(const std::vector<Json>& objects) {
  std::string out;
  char line[512];
  int pairs = 0, faster = 0, slower = 0, same = 0, differ = 0;
  bool header = false;
  for (const Json& o : objects) {
    if (o.contains("context_differences")) {
      out += "contexts differ:\n";
      for (auto it = o["context_differences"].begin(); it != o["context_differences"].end(); ++it) {
        std::snprintf(line, sizeof line, "  %-11s A %s\n  %-11s B %s\n", it.key().c_str(),
                      shown(it.value()[0]).c_str(), "", shown(it.value()[1]).c_str());
        out += line;
      }
      out += "\n";
    } else if (o.contains("only_in")) {
      out += "only in " + o["only_in"].get<std::string>() + ": " + shown(o["kernel"]) + " " +
             shown_args(o["args"]) + "\n";
    } else {
      if (!header) {
        std::snprintf(line, sizeof line, "%-14s %-28s %-7s %11s %11s %7s  %-15s %s\n", "kernel",
                      "args", "digest", "A median", "B median", "B/A", "95% interval", "verdict");
        out += line;
        header = true;
      }
      const std::string interval =
          o["low"].is_number() ? number_text(o["low"]) + " – " + number_text(o["high"]) : "-";
      std::snprintf(line, sizeof line, "%-14s %-28s %-7s %11s %11s %7s  %-15s %s\n",
                    shown(o["kernel"]).c_str(), clip(shown_args(o["args"]), 28).c_str(),
                    o["same_digest"].get<bool>() ? "same" : "DIFFERS",
                    seconds_text(o["a_median"]).c_str(), seconds_text(o["b_median"]).c_str(),
                    number_text(o["ratio"]).c_str(), interval.c_str(),
                    o["verdict"].get<std::string>().c_str());
      out += line;
      ++pairs;
      const std::string v = o["verdict"];
      (v == "faster" ? faster : v == "slower" ? slower : same)++;
      if (!o["same_digest"].get<bool>()) ++differ;
    }
  }
  out += "\n" + std::to_string(pairs) + (pairs == 1 ? " pair: " : " pairs: ") +
         std::to_string(faster) + " faster, " + std::to_string(slower) + " slower, " +
         std::to_string(same) + " same; " + std::to_string(differ) +
         (differ == 1 ? " digest differs" : " digests differ") +
         " (B/A: ratio of median times, 95% bootstrap interval)\n";
  return out;
}

int compare_command(const std::vector<std::string>& tokens, std::ostream& out) {
  std::vector<std::string> files;
  bool json = false;
  auto app = new_app(
      "Pairs the reports of two saved runs (such as 'kernels run ... --json' output) by job and "
      "args, and for each pair says whether the digests are the same and the ratio B/A of the "
      "median times, with a 95% bootstrap interval over the runs' times in seconds.each: "
      "'faster' or 'slower' when the interval excludes 1, else 'same'. Shows how the run "
      "contexts differ, and lists a job present in one file only.",
      "kernels compare", "kernels compare A.json B.json [--json]");
  app->add_option("FILE", files, "the two files, A then B")->expected(2);
  app->add_flag("--json", json, "one JSON object per line: differences, pairs, unpaired reports");
  app->footer(
      "Exit status: 0 when every pair's digests agree, 1 when one differs, 2 for a usage "
      "error or a file that cannot be read or holds no reports.");
  if (const std::string help = parse_or_help(*app, "compare", tokens); !help.empty()) {
    out << help;
    return 0;
  }
  if (files.size() != 2) throw UsageError("compare: needs two files, A and B");
  const std::vector<Json> a = parse_reports(read_file("compare:", files[0]), files[0]);
  const std::vector<Json> b = parse_reports(read_file("compare:", files[1]), files[1]);
  const std::vector<Json> objects = compare_reports(a, b);
  bool differ = false;
  for (const Json& o : objects)
    if (o.contains("same_digest") && !o["same_digest"].get<bool>()) differ = true;
  if (json)
    for (const Json& o : objects) out << o.dump() << "\n";
  else
    out << compare_text(objects);
  return differ ? 1 : 0;
}

}  // namespace kernels::runner
