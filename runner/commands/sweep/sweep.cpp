#include "commands/sweep/sweep.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "cli/output.h"
#include "cli/progress.h"
#include "cli/text.h"
#include "commands/sweep/fit.h"
#include "commands/sweep/sweep_values.h"
#include "count/counted_run.h"
#include "job/digest.h"
#include "machine/regimes.h"
#include "report/bound.h"
#include "report/context.h"
#include "report/report.h"

namespace kernels::runner {
namespace {

const char* const kUsage =
    "kernels sweep NAME --over OPTION=VALUES [OPTIONS] [JOB OPTIONS] [-- ARGS...]";

std::unique_ptr<CLI::App> sweep_app(RunnerSettings& settings, std::string& over) {
  auto app = new_app(
      "Runs job NAME once for each value of one of its numeric options, as 'kernels run' runs "
      "it, and fits the medians to the best of O(1), O(log N), O(N), O(N log N), O(N log^2 N), "
      "O(N^2) and O(N^3) by least squares on their logarithms. N is the job's work (values, "
      "pixels, symbols, ...) where it tells it, else the value.",
      "kernels sweep", kUsage);
  app->add_option("--over", over,
                  "the option and its values: a list 'size=1000,3000,10000' (ascending) or a "
                  "range 'size=1000..64000x4' (1000, 4000, 16000, 64000: START times FACTOR "
                  "while at most END; FACTOR above 1, may be a decimal)")
      ->type_name("OPTION=VALUES");
  declare_runner_settings(*app, settings);
  app->footer(
      "Options not listed here are the job's own ('kernels list'); the swept one must be among "
      "them, numeric, and not given directly. --json prints one report per point, as 'kernels "
      "run --json' does, and then {\"kernel\", \"over\", \"fit\": {\"complexity\", "
      "\"coefficient\", \"rms\", \"curve\": [[N, seconds], ...]}}, the curve at 33 values of N "
      "across the points' range; with --count also \"instructions_fit\", the same fit of the "
      "counted instructions against N. Exit status: 0 on success, 2 for a usage error (nothing is "
      "run), 1 when a run fails.");
  return app;
}

std::string help_text(const std::vector<std::string>& tokens) {
  RunnerSettings settings;
  std::string over;
  std::string help = sweep_app(settings, over)->help();
  const JobInfo* info = tokens.empty() ? nullptr : find_job(tokens[0]);
  if (info == nullptr) return help;
  std::unique_ptr<Job> job = info->make();
  auto app = job_app(*info, *job);
  std::string lines;
  for (const CLI::Option* opt : app->get_options()) {
    if (opt == app->get_help_ptr() || is_flag(*opt)) continue;
    try {
      const_cast<CLI::Option*>(opt)->get_validator(kRangeCheck);
      lines += "  " + opt->get_name() + "\n";
    } catch (const CLI::OptionNotFound&) {
    }
  }
  return help + "\nOptions of " + info->name + " a sweep may vary:\n" +
         (lines.empty() ? "  (none)\n" : lines);
}

// Checks that `option` names a numeric option of the job; returns the name without dashes.
std::string checked_option(const JobInfo& info, std::string option) {
  if (option.rfind("--", 0) == 0) option.erase(0, 2);
  if (option.empty()) throw UsageError("sweep: --over needs OPTION=VALUES, as size=1000..64000x4");
  std::unique_ptr<Job> job = info.make();
  auto app = job_app(info, *job);
  CLI::Option* opt = app->get_option_no_throw("--" + option);
  if (opt == nullptr || opt == app->get_help_ptr())
    throw UsageError(std::string("sweep: ") + info.name + " has no option --" + option +
                     " (see 'kernels list')");
  bool numeric = !is_flag(*opt);
  if (numeric) {
    try {
      opt->get_validator(kRangeCheck);
    } catch (const CLI::OptionNotFound&) {
      numeric = false;
    }
  }
  if (!numeric)
    throw UsageError(std::string("sweep: --") + option + " of " + info.name +
                     " is not a numeric option");
  return option;
}

bool names_option(const std::string& token, const std::string& option) {
  const std::string flag = "--" + option;
  return token == flag || token.rfind(flag + "=", 0) == 0;
}

RunPlan configure(const SweepPlan& plan, long long value, Load load) {
  std::vector<std::string> tokens{plan.kernel, "--" + plan.option, std::to_string(value)};
  tokens.insert(tokens.end(), plan.job_tokens.begin(), plan.job_tokens.end());
  try {
    RunPlan run = parse_run(tokens, load);
    if (run.jobs.size() != 1) throw UsageError("a sweep runs one kernel");
    return run;
  } catch (const UsageError& e) {
    throw UsageError("sweep at " + plan.option + "=" + std::to_string(value) + ": " + e.what());
  }
}

// The numbers of one point of the table.
std::string row(const std::string& value, const Report& r) {
  const TimeStats& s = r.seconds;
  char n[32] = "-";
  std::string rate = "-";
  if (r.work) {
    std::snprintf(n, sizeof n, "%.0f", r.work->n);
    if (s.median > 0) rate = throughput(r.work->n / s.median, r.work->unit);
  }
  const std::string spread =
      "± " + duration_text(s.stddev) + "  " + duration_text(s.min) + " … " + duration_text(s.max);
  char line[512];
  std::snprintf(line, sizeof line, "  %12s %12s %11s  %-30s %22s  %s\n", value.c_str(), n,
                duration_text(s.median).c_str(), spread.c_str(), rate.c_str(),
                r.digest ? hex_digest(*r.digest).c_str() : "-");
  return line;
}

}  // namespace

std::vector<RegimeFit> fit_regimes(const std::vector<FitPoint>& points,
                                   const std::vector<std::string>& regimes) {
  std::vector<RegimeFit> fits;
  std::size_t start = 0;
  const auto close = [&](std::size_t end) {  // the run of points [start, end)
    if (end - start >= 3 && !regimes[start].empty()) {
      const std::span<const FitPoint> run(points.data() + start, end - start);
      if (const std::optional<Fit> f = fit_complexity(run))
        fits.push_back({regimes[start], static_cast<int>(start), static_cast<int>(end - 1), *f});
    }
    start = end;
  };
  for (std::size_t i = 1; i <= points.size() && i <= regimes.size(); ++i)
    if (i == points.size() || i == regimes.size() || regimes[i] != regimes[start]) close(i);
  if (fits.size() == 1 &&
      fits.front().last - fits.front().first + 1 == static_cast<int>(points.size()))
    fits.clear();  // one regime: the whole fit says it all
  return fits;
}

SweepPlan parse_sweep(const std::vector<std::string>& tokens) {
  SweepPlan plan;
  for (const std::string& t : tokens) {
    if (t == "--") break;
    if (t == "--help" || t == "-h") {
      plan.help = help_text(tokens);
      return plan;
    }
  }
  if (tokens.empty() || find_job(tokens[0]) == nullptr)
    throw UsageError("sweep needs a kernel name first (see 'kernels list')" +
                     (tokens.empty() ? std::string() : ", not '" + tokens[0] + "'"));
  const JobInfo& info = *find_job(tokens[0]);
  plan.kernel = info.name;

  std::string over;
  int overs = 0;
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    const std::string& t = tokens[i];
    if (t == "--") {
      plan.job_tokens.insert(plan.job_tokens.end(), tokens.begin() + static_cast<long>(i),
                             tokens.end());
      break;
    }
    if (t == "--over" || t.rfind("--over=", 0) == 0) {
      ++overs;
      if (t != "--over") {
        over = t.substr(7);
      } else if (i + 1 < tokens.size() && tokens[i + 1] != "--") {
        over = tokens[++i];
      } else {
        throw UsageError("sweep: --over needs OPTION=VALUES, as size=1000..64000x4");
      }
      continue;
    }
    plan.job_tokens.push_back(t);
  }
  if (overs == 0) throw UsageError("sweep needs --over OPTION=VALUES, as size=1000..64000x4");
  if (overs > 1) throw UsageError("sweep takes one --over");
  const std::size_t equals = over.find('=');
  if (equals == std::string::npos)
    throw UsageError("sweep: --over needs OPTION=VALUES, as size=1000..64000x4, not '" + over +
                     "'");
  plan.option = checked_option(info, over.substr(0, equals));
  for (const std::string& t : plan.job_tokens) {
    if (t == "--") break;
    if (names_option(t, plan.option))
      throw UsageError("sweep: --" + plan.option + " is swept; do not give it too");
  }
  try {
    plan.values = parse_sweep_values(over.substr(equals + 1));
  } catch (const UsageError& e) {
    throw UsageError("sweep: " + std::string(e.what()));
  }
  // Every value is checked here, so that a value the job refuses stops the sweep before anything
  // runs. Only the first point is loaded (its files read, its inputs made): a file that cannot
  // be read is reported before anything runs too, and the later points load when their turn
  // comes, so that one point's inputs are in memory at a time.
  for (long long v : plan.values) plan.settings = configure(plan, v, Load::kNo).settings;
  plan.first = std::move(configure(plan, plan.values.front(), Load::kYes).jobs.front().job);
  return plan;
}

std::unique_ptr<Job> sweep_job(const SweepPlan& plan, long long value) {
  return std::move(configure(plan, value, Load::kYes).jobs.front().job);
}

int sweep_command(const std::vector<std::string>& tokens, std::ostream& out) {
  SweepPlan plan = parse_sweep(tokens);
  if (!plan.help.empty()) {
    out << plan.help;
    return 0;
  }
  plan.settings.run.ceilings = cached_machine_ceilings();
  const bool json = plan.settings.json;
  if (plan.settings.run.count) check_counting_available();  // before anything runs
  if (!json) {
    char head[512];
    std::snprintf(head, sizeof head, "%s: sweep over --%s, %d timed run%s per point\n",
                  plan.kernel.c_str(), plan.option.c_str(), plan.settings.run.repeat,
                  plan.settings.run.repeat == 1 ? "" : "s");
    std::snprintf(head + std::strlen(head), sizeof head - std::strlen(head),
                  "  %12s %12s %11s  %-30s %22s  %s\n", plan.option.c_str(), "N", "median",
                  "± σ  min … max", "throughput", "digest");
    out << head;
    check_output(out);
  }
  Progress progress(static_cast<int>(plan.values.size()));
  std::vector<FitPoint> points;
  std::vector<FitPoint> count_points;  // with --count: the instructions in place of the time
  std::vector<std::string> regimes;    // each point's, "" when its working set is unknown
  const std::vector<Cache> caches = caches_of_context(run_context());
  std::string unit;
  int index = 0;
  for (long long v : plan.values) {
    const std::string value = std::to_string(v);
    // The first point's job was loaded when the plan was checked; the others load here, one
    // point's inputs in memory at a time.
    std::unique_ptr<Job> job = index == 0 ? std::move(plan.first) : sweep_job(plan, v);
    progress.job(++index, plan.kernel + " " + plan.option + "=" + value);
    Report r = run_job(plan.kernel, *job, plan.settings.run, &progress);
    progress.end_job();
    if (plan.settings.run.count) {
      std::vector<std::string> tokens{"--" + plan.option, value};
      tokens.insert(tokens.end(), plan.job_tokens.begin(), plan.job_tokens.end());
      r.counts = count_job(plan.kernel, tokens);
      count_points.push_back({r.work ? r.work->n : static_cast<double>(v),
                              static_cast<double>(r.counts->instructions)});
    }
    points.push_back({r.work ? r.work->n : static_cast<double>(v), r.seconds.median});
    if (r.work) unit = r.work->unit;
    regimes.push_back(r.work ? regime_of(r.work->bytes(), caches) : std::string());
    if (!json && regimes.size() > 1 && regimes.back() != regimes[regimes.size() - 2] &&
        !regimes.back().empty() && !regimes[regimes.size() - 2].empty())
      out << "  --- the working set leaves " << regimes[regimes.size() - 2] << " for "
          << regimes.back() << " ---\n";
    out << (json ? report_json(r) + "\n" : row(value, r));
    if (!json && r.counts)
      out << "  " << std::string(12, ' ') << "   counts    " << counts_text(*r.counts, r.work)
          << "\n";
    check_output(out);
  }
  const std::vector<RegimeFit> regime_fits = fit_regimes(points, regimes);

  const std::optional<Fit> fit = fit_complexity(points);
  const std::optional<Fit> count_fit =
      plan.settings.run.count ? fit_complexity(count_points) : std::nullopt;
  if (json) {
    // The curve over the points' range, so that a plot draws it without knowing the classes.
    double low = 0, high = 0;
    for (const FitPoint& p : points)
      if (p.n >= 1) {
        low = low == 0 ? p.n : std::min(low, p.n);
        high = std::max(high, p.n);
      }
    const auto fit_json = [&](const std::optional<Fit>& f, bool with_curve) {
      if (!f) return Json();
      Json j{{"complexity", complexity_name(f->complexity)},
             {"coefficient", f->coefficient},
             {"rms", f->rms}};
      if (with_curve) {
        Json curve = Json::array();
        for (const FitPoint& p : fit_curve(*f, low, high, 33)) curve.push_back({p.n, p.seconds});
        j["curve"] = curve;
      }
      return j;
    };
    Json last{{"kernel", plan.kernel}, {"over", plan.option}, {"fit", fit_json(fit, true)}};
    Json by_regime = Json::array();
    for (const RegimeFit& f : regime_fits)
      by_regime.push_back({{"regime", f.regime},
                           {"first", f.first},
                           {"last", f.last},
                           {"complexity", complexity_name(f.fit.complexity)},
                           {"coefficient", f.fit.coefficient},
                           {"rms", f.fit.rms}});
    last["regimes"] = by_regime;
    if (plan.settings.run.count) last["instructions_fit"] = fit_json(count_fit, false);
    out << last.dump() << "\n";
    return 0;
  }
  const std::string n_is = unit.empty() ? "the value of --" + plan.option : unit;
  const auto fit_line = [&](const char* label, const std::optional<Fit>& f, const char* per,
                            int digits) {
    if (!f)
      return std::string("  ") + label + "none: it needs two points or more with different N\n";
    char line[256];
    std::snprintf(
        line, sizeof line, "  %sO(%s), coefficient %.4g %s, RMS error %.*f %%   (N: %s)\n", label,
        complexity_name(f->complexity), f->coefficient, per, digits, 100 * f->rms, n_is.c_str());
    return std::string(line);
  };
  out << fit_line("fit       ", fit, "s", 1);
  for (const RegimeFit& f : regime_fits) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "  fit %-6s O(%s), coefficient %.4g s, RMS error %.1f %%   (points %d to %d, "
                  "working set %s)\n",
                  f.regime.c_str(), complexity_name(f.fit.complexity), f.fit.coefficient,
                  100 * f.fit.rms, f.first + 1, f.last + 1,
                  f.regime == "memory" ? "beyond the last cache" : ("within " + f.regime).c_str());
    out << line;
  }
  if (plan.settings.run.count) out << fit_line("count fit ", count_fit, "instructions", 3);
  return 0;
}

}  // namespace kernels::runner
