#include "commands/score/score.h"
#include "results/reference_run.h"

#include <cmath>
#include <cstdio>

#include "cli/cli.h"
#include "cli/text.h"
#include "report/context.h"
#include "results/known_results.h"

namespace kernels::runner {

GeometricSummary geometric_summary(const std::vector<double>& ratios) {
  double log_sum = 0;
  for (const double r : ratios) log_sum += std::log(r);
  const double n = static_cast<double>(ratios.size());
  const double log_mean = log_sum / n;
  double squares = 0;
  for (const double r : ratios) squares += (std::log(r) - log_mean) * (std::log(r) - log_mean);
  return {std::exp(log_mean), std::exp(std::sqrt(squares / n))};
}

std::vector<ScoredJob> score_jobs(const std::vector<SavedRun>& runs,
                                  const std::vector<SavedRun>& reference, ScoreBy by) {
  const Pairing pairing = pair_reports(runs, reference);
  std::vector<ScoredJob> jobs;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    ScoredJob j;
    j.run = &runs[i];
    if (const int k = pairing.b_of[i]; k >= 0) {
      j.reference = &reference[static_cast<std::size_t>(k)];
      double median = j.run->seconds.median, reference_median = j.reference->seconds.median;
      if (by == ScoreBy::kInstructions) {
        const bool counted = j.run->counts.is_object() && j.reference->counts.is_object();
        median = counted ? j.run->counts["instructions"].get<double>() : 0;
        reference_median = counted ? j.reference->counts["instructions"].get<double>() : 0;
      }
      if (median > 0 && reference_median > 0 && std::isfinite(reference_median / median)) {
        j.ratio = reference_median / median;
        const std::optional<std::string> known = known_digest(j.run->kernel, j.run->args);
        j.valid = j.run->digest.has_value() && j.run->digest == j.reference->digest &&
                  (!known || known == j.run->digest);
      }
    }
    jobs.push_back(j);
  }
  for (std::size_t k = 0; k < reference.size(); ++k)
    if (pairing.a_of[k] < 0) jobs.push_back(ScoredJob{nullptr, &reference[k], {}, {}});
  return jobs;
}

namespace {

Json optional_json(const std::optional<double>& v) {
  return v ? Json(*v) : Json();
}

std::string three_digits(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%#.3g", v);
  return buf;
}

// What the table shows of one side: its median time, or its instructions.
std::string measure_text(const SavedRun* r, ScoreBy by) {
  if (r == nullptr) return "-";
  if (by == ScoreBy::kTime) return duration_text(r->seconds.median);
  if (!r->counts.is_object()) return "-";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", r->counts["instructions"].get<double>());
  return buf;
}

Json measure_json(const SavedRun* r, ScoreBy by) {
  if (r == nullptr) return Json();
  if (by == ScoreBy::kTime) return Json(r->seconds.median);
  return r->counts.is_object() ? r->counts["instructions"] : Json();
}

std::string clip(std::string s, std::size_t width) {
  if (s.size() > width) s = s.substr(0, width - 3) + "...";
  return s;
}

}  // namespace

int score_command(const std::vector<std::string>& tokens, std::ostream& out) {
  std::string runs_file, reference_file;
  bool json = false;
  std::string by_name = "time";
  auto app = new_app(
      "Scores a saved run ('kernels run all --json' output) against a reference run: for each "
      "job in both, the speed ratio is the reference's median time divided by this run's, and "
      "the score is the geometric mean of the ratios, with their geometric standard deviation "
      "(GSD) and the range score/GSD to score·GSD. Every result must validate: a digest that "
      "differs from the reference's, or from the known result for the same args, makes the "
      "run invalid and gives no score. A job in one run only is listed, not scored. Without "
      "--reference the run is scored against the reference machine's run built into the "
      "runner, so a score of 2 is twice that machine's speed. With --by instructions the ratios "
      "are of the counted instructions ('kernels run --count') instead of the times: the same "
      "on every run, whatever the load; it scores the build and the code, not the machine.",
      "kernels score",
      "kernels score RUNS.jsonl [--reference REF.jsonl] [--by time|instructions] [--json]");
  app->add_option("RUNS", runs_file, "the saved run to score")->required();
  app->add_option("--reference", reference_file, "the reference run (default: the built-in one)")
      ->type_name("REF");
  app->add_option("--by", by_name,
                  "what the ratios compare: 'time' (median times, the default) or "
                  "'instructions' (counted instructions; both runs need --count)")
      ->check(CLI::IsMember({"time", "instructions"}));
  app->add_flag("--json", json,
                "one JSON object per job, then {\"score\", \"gsd\", \"low\", \"high\", \"valid\"}");
  app->footer(
      "Exit status: 0 with a score, 1 when a result is invalid, 2 for a usage error, a file "
      "that cannot be read, holds a malformed report or none, or shares no job with the "
      "reference.");
  if (const std::string help = parse_or_help(*app, "score", tokens); !help.empty()) {
    out << help;
    return 0;
  }
  const std::vector<SavedRun> runs = read_saved_runs(runs_file, "score");
  const std::vector<SavedRun> reference =
      reference_file.empty()
          ? parse_saved_runs(builtin_reference_run(), "reference_run.jsonl", "score")
          : read_saved_runs(reference_file, "score");
  const ScoreBy by = by_name == "instructions" ? ScoreBy::kInstructions : ScoreBy::kTime;
  const std::vector<ScoredJob> jobs = score_jobs(runs, reference, by);
  std::vector<double> ratios;
  int invalid = 0;
  for (const ScoredJob& j : jobs) {
    if (j.valid && !*j.valid) ++invalid;
    if (j.ratio) ratios.push_back(*j.ratio);
  }
  if (ratios.empty())
    throw UsageError("score: no job of '" + runs_file + "' is in the reference " +
                     (reference_file.empty() ? "run" : "'" + reference_file + "'") +
                     (by == ScoreBy::kInstructions
                          ? " with counts on both sides ('kernels run all --count --json')"
                          : ""));
  const bool valid = invalid == 0;
  const GeometricSummary g = geometric_summary(ratios);

  if (json) {
    for (const ScoredJob& j : jobs) {
      const SavedRun& any = j.run != nullptr ? *j.run : *j.reference;
      out << Json{{"kernel", any.kernel},
                  {"args", any.args},
                  {"reference_median", j.reference ? Json(j.reference->seconds.median) : Json()},
                  {"median", j.run ? Json(j.run->seconds.median) : Json()},
                  {"by", by_name},
                  {"reference_value", measure_json(j.reference, by)},
                  {"value", measure_json(j.run, by)},
                  {"ratio", optional_json(j.ratio)},
                  {"valid", j.valid ? Json(*j.valid) : Json()}}
                 .dump()
          << "\n";
    }
    out << Json{{"score", valid ? Json(g.mean) : Json()},
                {"gsd", valid ? Json(g.gsd) : Json()},
                {"low", valid ? Json(g.mean / g.gsd) : Json()},
                {"high", valid ? Json(g.mean * g.gsd) : Json()},
                {"valid", valid}}
               .dump()
        << "\n";
    return valid ? 0 : 1;
  }

  out << "reference  " << context_text(reference.front().context) << "\n";
  out << "this run   " << context_text(runs.front().context) << "\n\n";
  char line[512];
  std::snprintf(line, sizeof line, "%-40s %11s %11s %7s  %s\n", "job", "reference",
                by == ScoreBy::kTime ? "median" : "instr.", "ratio", "valid");
  out << line;
  for (const ScoredJob& j : jobs) {
    const SavedRun& any = j.run != nullptr ? *j.run : *j.reference;
    const char* verdict =
        !j.run         ? "only in the reference"
        : !j.reference ? "not in the reference"
        : !j.valid     ? (by == ScoreBy::kTime ? "not scored (no time)" : "not scored (no counts)")
        : *j.valid     ? "yes"
                       : "INVALID (digest differs)";
    std::snprintf(line, sizeof line, "%-40s %11s %11s %7s  %s\n", clip(any.name(), 40).c_str(),
                  measure_text(j.reference, by).c_str(), measure_text(j.run, by).c_str(),
                  j.ratio ? three_digits(*j.ratio).c_str() : "-", verdict);
    out << line;
  }
  out << "\n";
  if (!valid) {
    out << "no score: " << invalid << (invalid == 1 ? " result is" : " results are")
        << " invalid (a digest differs from the reference's or the known result)\n";
    return 1;
  }
  out << "score " << three_digits(g.mean) << " (geometric mean of " << ratios.size()
      << (by == ScoreBy::kTime ? " speed ratios" : " instruction ratios") << "; GSD "
      << three_digits(g.gsd) << ", range " << three_digits(g.mean / g.gsd) << " – "
      << three_digits(g.mean * g.gsd) << ")\n";
  return 0;
}

}  // namespace kernels::runner
