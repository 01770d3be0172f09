#include "commands/compare/compare.h"

#include <cmath>
#include <cstdio>

#include "cli/cli.h"
#include "cli/text.h"
#include "commands/compare/mann_whitney.h"
#include "commands/compare/ratio_interval.h"
#include "count/counts.h"

namespace kernels::runner {
namespace {

// Fewer runs a side than this give a p-value and an interval too coarse to trust.
constexpr std::size_t kFewRuns = 9;

Json optional_number(const std::optional<double>& v) {
  return v && std::isfinite(*v) ? Json(*v) : Json();
}

std::string shown_args(const Json& args) {
  std::vector<std::string> texts;
  if (args.is_array())
    for (const Json& a : args) texts.push_back(a.is_string() ? a.get<std::string>() : a.dump());
  return args_text(texts);
}

std::string pair_name(const Json& o) {
  const std::string args = shown_args(o["args"]);
  return o["kernel"].get<std::string>() + (args.empty() ? "" : " " + args);
}

std::string clip(std::string s, std::size_t width) {
  if (s.size() > width) s = s.substr(0, width - 3) + "...";
  return s;
}

std::string seconds_text(const Json& v) {
  return v.is_number() ? duration_text(v.get<double>()) : "-";
}

std::string number_text(const Json& v, const char* format = "%.3f") {
  if (!v.is_number()) return "-";
  char buf[32];
  std::snprintf(buf, sizeof buf, format, v.get<double>());
  return buf;
}

std::string shown(const Json& v) {
  return v.is_string() ? v.get<std::string>() : v.dump();
}

}  // namespace

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

namespace {

Json count_ratio(double a, double b) {
  return Json{{"a", a}, {"b", b}, {"ratio", a > 0 ? Json(b / a) : Json()}};
}

}  // namespace

Json compare_pair(const SavedRun& a, const SavedRun& b) {
  const RatioInterval r = median_ratio_interval(a.seconds.each, b.seconds.each);
  Json pair{{"kernel", a.kernel},
            {"args", a.args},
            {"same_digest", a.digest == b.digest},
            {"a_median", r.a_median},
            {"b_median", r.b_median},
            {"ratio", optional_number(r.ratio)},
            {"low", optional_number(r.low)},
            {"high", optional_number(r.high)},
            {"p_value", optional_number(u_test_p_value(a.seconds.each, b.seconds.each))},
            {"verdict", r.verdict}};
  if (a.counts.is_object() && b.counts.is_object()) {
    Json counts = Json::object();
    for (const char* name : kCountNames)
      if (a.counts.contains(name) && b.counts.contains(name)) {
        Json c = count_ratio(a.counts[name].get<double>(), b.counts[name].get<double>());
        c["a"] = a.counts[name];  // exact integers, not doubles
        c["b"] = b.counts[name];
        counts[name] = std::move(c);
      }
    pair["counts"] = std::move(counts);
  }
  if (a.peak_rss && b.peak_rss) pair["peak_rss"] = count_ratio(*a.peak_rss, *b.peak_rss);
  return pair;
}

std::vector<Json> compare_reports(const std::vector<SavedRun>& a, const std::vector<SavedRun>& b) {
  std::vector<Json> out;
  const Json differences = context_differences(a.front().context, b.front().context);
  if (!differences.empty()) out.push_back(Json{{"context_differences", differences}});
  const Pairing pairing = pair_reports(a, b);
  std::vector<Json> only;
  double log_sum = 0;
  int agreeing = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int k = pairing.b_of[i];
    if (k < 0) {
      only.push_back(Json{{"only_in", "A"}, {"kernel", a[i].kernel}, {"args", a[i].args}});
      continue;
    }
    Json pair = compare_pair(a[i], b[static_cast<std::size_t>(k)]);
    if (pair["same_digest"].get<bool>() && pair["ratio"].is_number() &&
        pair["ratio"].get<double>() > 0) {
      log_sum += std::log(pair["ratio"].get<double>());
      ++agreeing;
    }
    out.push_back(std::move(pair));
  }
  for (std::size_t k = 0; k < b.size(); ++k)
    if (pairing.a_of[k] < 0)
      only.push_back(Json{{"only_in", "B"}, {"kernel", b[k].kernel}, {"args", b[k].args}});
  out.insert(out.end(), only.begin(), only.end());
  out.push_back(Json{{"geomean", agreeing > 0 ? Json(std::exp(log_sum / agreeing)) : Json()},
                     {"pairs", agreeing}});
  return out;
}

std::vector<std::string> slower_pairs(const std::vector<Json>& objects, double percent) {
  const double limit = 1.0 + percent / 100.0;
  std::vector<std::string> names;
  for (const Json& o : objects)
    if (o.contains("verdict") && o["ratio"].is_number() && o["low"].is_number() &&
        o["ratio"].get<double>() > limit && o["low"].get<double>() > limit)
      names.push_back(pair_name(o));
  return names;
}

std::vector<std::string> risen_pairs(const std::vector<Json>& objects, const std::string& event,
                                     double percent, int& counted) {
  const double limit = 1.0 + percent / 100.0;
  std::vector<std::string> names;
  counted = 0;
  for (const Json& o : objects) {
    if (!o.contains("counts") || !o["counts"].contains(event)) continue;
    ++counted;
    const Json& c = o["counts"][event];
    const double a = c["a"].get<double>(), b = c["b"].get<double>();
    if ((a == 0 && b > 0) || (a > 0 && b / a > limit)) names.push_back(pair_name(o));
  }
  return names;
}

namespace {

// The table of count ratios of the pairs that carry counts; empty when none does.
std::string counts_table(const std::vector<Json>& objects) {
  static const char* const kShown[][2] = {
      {"instructions", "instructions"}, {"data_reads", "reads"},    {"data_writes", "writes"},
      {"l1d_misses", "L1d misses"},     {"ll_misses", "LL misses"}, {"mispredicts", "mispredicts"},
      {"peak_rss", "peak RSS"}};
  std::string out;
  char line[512];
  for (const Json& o : objects) {
    if (!o.contains("counts") && !o.contains("peak_rss")) continue;
    if (out.empty()) {
      std::snprintf(line, sizeof line, "%-14s %-28s", "counts B/A", "args");
      out += line;
      for (const auto& s : kShown) {
        std::snprintf(line, sizeof line, " %12s", s[1]);
        out += line;
      }
      out += "\n";
    }
    std::snprintf(line, sizeof line, "%-14s %-28s", shown(o["kernel"]).c_str(),
                  clip(shown_args(o["args"]), 28).c_str());
    out += line;
    for (const auto& s : kShown) {
      const std::string key = s[0];
      const Json* c = nullptr;
      if (key == "peak_rss") {
        if (o.contains("peak_rss")) c = &o["peak_rss"];
      } else if (o.contains("counts") && o["counts"].contains(key)) {
        c = &o["counts"][key];
      }
      std::snprintf(line, sizeof line, " %12s",
                    c == nullptr ? "-" : number_text((*c)["ratio"], "%.4f").c_str());
      out += line;
    }
    out += "\n";
  }
  if (!out.empty())
    out +=
        "(counts: exact ratios B/A of one counted run a side, no interval needed; '-' where "
        "a side has none or A is 0)\n";
  return out;
}

}  // namespace

std::string compare_text(const std::vector<Json>& objects) {
  std::string out;
  char line[512];
  int pairs = 0, faster = 0, slower = 0, same = 0, differ = 0;
  bool header = false;
  std::string geomean;
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
    } else if (o.contains("geomean")) {
      std::snprintf(
          line, sizeof line, "%-14s %-28s %-7s %11s %11s %7s  (%d %s)\n", "geomean", "", "", "", "",
          number_text(o["geomean"]).c_str(), o["pairs"].get<int>(),
          o["pairs"].get<int>() == 1 ? "pair whose digests agree" : "pairs whose digests agree");
      geomean = line;
    } else {
      if (!header) {
        std::snprintf(line, sizeof line, "%-14s %-28s %-7s %11s %11s %7s  %-15s %-8s %s\n",
                      "kernel", "args", "digest", "A median", "B median", "B/A", "95% interval",
                      "p", "verdict");
        out += line;
        header = true;
      }
      const std::string interval =
          o["low"].is_number() ? number_text(o["low"]) + " – " + number_text(o["high"]) : "-";
      std::snprintf(
          line, sizeof line, "%-14s %-28s %-7s %11s %11s %7s  %-15s %-8s %s\n",
          shown(o["kernel"]).c_str(), clip(shown_args(o["args"]), 28).c_str(),
          o["same_digest"].get<bool>() ? "same" : "DIFFERS", seconds_text(o["a_median"]).c_str(),
          seconds_text(o["b_median"]).c_str(), number_text(o["ratio"]).c_str(), interval.c_str(),
          number_text(o["p_value"], "%.4f").c_str(), o["verdict"].get<std::string>().c_str());
      out += line;
      ++pairs;
      const std::string v = o["verdict"];
      (v == "faster" ? faster : v == "slower" ? slower : same)++;
      if (!o["same_digest"].get<bool>()) ++differ;
    }
  }
  out += geomean;
  out += "\n" + std::to_string(pairs) + (pairs == 1 ? " pair: " : " pairs: ") +
         std::to_string(faster) + " faster, " + std::to_string(slower) + " slower, " +
         std::to_string(same) + " same; " + std::to_string(differ) +
         (differ == 1 ? " digest differs" : " digests differ") +
         " (B/A: ratio of median times, 95% bootstrap interval; p: two-sided Mann-Whitney U "
         "test)\n";
  if (const std::string counts = counts_table(objects); !counts.empty()) out += "\n" + counts;
  return out;
}

int compare_command(const std::vector<std::string>& tokens, std::ostream& out) {
  std::vector<std::string> files;
  bool json = false;
  double fail_slower = -1;
  double fail_more = -1;
  std::string fail_more_on = "instructions";
  auto app = new_app(
      "Pairs the reports of two saved runs (such as 'kernels run ... --json' output) by job and "
      "args, and for each pair says whether the digests are the same and the ratio B/A of the "
      "median times, with a 95% bootstrap interval over the runs' times in seconds.each and the "
      "two-sided Mann-Whitney U test's p-value: 'faster' or 'slower' when the interval excludes "
      "1, else 'same'. Shows how the run contexts differ, lists a job present in one file only, "
      "and ends with the geometric mean of the ratios of the pairs whose digests agree.",
      "kernels compare",
      "kernels compare A.json B.json [--json] [--fail-slower PCT] [--fail-more PCT "
      "[--fail-more-on EVENT]]");
  app->add_option("FILE", files, "the two files, A then B")->expected(2);
  app->add_flag("--json", json,
                "one JSON object per line: differences, pairs, unpaired reports, geomean");
  app->add_option("--fail-slower", fail_slower,
                  "exit 1 when a pair is slower by more than PCT percent, its whole interval "
                  "above 1 + PCT/100")
      ->type_name("PCT")
      ->check(CLI::Range(0.0, 1e6));
  app->add_option("--fail-more", fail_more,
                  "exit 1 when a pair's counted instructions (or --fail-more-on's count) rise by "
                  "more than PCT percent; both sides need counts ('kernels run --count')")
      ->type_name("PCT")
      ->check(CLI::Range(0.0, 1e6));
  std::vector<std::string> events(std::begin(kCountNames), std::end(kCountNames));
  app->add_option(
         "--fail-more-on", fail_more_on,
         "the count --fail-more watches (default instructions): " +
             [&] {
               std::string all;
               for (const std::string& e : events) all += (all.empty() ? "" : ", ") + e;
               return all;
             }())
      ->type_name("EVENT")
      ->check(CLI::IsMember(events));
  app->footer(
      "When both sides of a pair carry counts ('kernels run --count'), a second table gives "
      "each count's exact ratio B/A. Exit status: 0 when every pair's digests agree (and, with "
      "--fail-slower, none is slower; with --fail-more, no count rose), 1 when one differs (or "
      "is slower, or rose), 2 for a usage error or a file that cannot be "
      "read, holds a malformed report or none.");
  if (const std::string help = parse_or_help(*app, "compare", tokens); !help.empty()) {
    out << help;
    return 0;
  }
  if (files.size() != 2) throw UsageError("compare: needs two files, A and B");
  const std::vector<SavedRun> a = read_saved_runs(files[0], "compare");
  const std::vector<SavedRun> b = read_saved_runs(files[1], "compare");
  const std::vector<Json> objects = compare_reports(a, b);
  bool differ = false, few = false;
  const Pairing pairing = pair_reports(a, b);
  for (std::size_t i = 0; i < a.size(); ++i)
    if (const int k = pairing.b_of[i]; k >= 0)
      few = few || a[i].seconds.each.size() < kFewRuns ||
            b[static_cast<std::size_t>(k)].seconds.each.size() < kFewRuns;
  int counted = 0;
  std::vector<std::string> risen;
  if (fail_more >= 0) {
    risen = risen_pairs(objects, fail_more_on, fail_more, counted);
    if (counted == 0)
      throw UsageError("compare: --fail-more needs pairs with counts on both sides (" +
                       fail_more_on + "; 'kernels run --count')");
  }
  if (few && !(fail_more >= 0 && fail_slower < 0))
    std::fprintf(stderr,
                 "kernels: compare: warning: fewer than %zu runs a side; the p-values and "
                 "intervals are unreliable (use --repeat %zu or more)\n",
                 kFewRuns, kFewRuns);
  for (const Json& o : objects)
    if (o.contains("same_digest") && !o["same_digest"].get<bool>()) differ = true;
  if (json)
    for (const Json& o : objects) out << o.dump() << "\n";
  else
    out << compare_text(objects);
  bool slower = false;
  if (fail_slower >= 0) {
    const std::vector<std::string> names = slower_pairs(objects, fail_slower);
    if (!names.empty()) {
      std::string list;
      for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
      std::fprintf(stderr, "kernels: compare: slower by more than %g%%: %s\n", fail_slower,
                   list.c_str());
      slower = true;
    }
  }
  if (!risen.empty()) {
    std::string list;
    for (const std::string& n : risen) list += (list.empty() ? "" : ", ") + n;
    std::fprintf(stderr, "kernels: compare: %s rose by more than %g%%: %s\n", fail_more_on.c_str(),
                 fail_more, list.c_str());
  }
  return differ || slower || !risen.empty() ? 1 : 0;
}

}  // namespace kernels::runner
