#include "commands/sweep/sweep.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/sweep/sweep_values.h"
#include "run/run_plan.h"

namespace kernels::runner {
namespace {

using Values = std::vector<long long>;

TEST(ParseSweep, ConfiguresTheJobAtEachValueWithTheRunnerSettings) {
  const SweepPlan plan =
      parse_sweep({"bisort", "--over", "size=1024..4096x2", "--repeat", "2", "--json"});
  EXPECT_EQ(plan.kernel, "bisort");
  EXPECT_EQ(plan.option, "size");
  EXPECT_EQ(plan.values, (Values{1024, 2048, 4096}));
  EXPECT_EQ(plan.settings.run.repeat, 2);
  EXPECT_TRUE(plan.settings.json);
  EXPECT_EQ(sweep_job(plan, 2048)->args(), (std::vector<std::string>{"--size", "2048"}));

  const SweepPlan dashed = parse_sweep({"transpose", "--rows", "64", "--over=--cols=8,16"});
  EXPECT_EQ(dashed.option, "cols");
  EXPECT_EQ(sweep_job(dashed, 16)->args(),
            (std::vector<std::string>{"--rows", "64", "--cols", "16"}));
  EXPECT_FALSE(parse_sweep({"bisort", "--help"}).help.empty());
}

TEST(ParseSweep, RefusesWhatCannotBeSweptBeforeRunningAnything) {
  const std::vector<std::vector<std::string>> bad{
      {},
      {"bisort"},                                                   // no --over
      {"nosuch", "--over", "size=1,2"},                             // no such job
      {"all", "--over", "size=1,2"},                                // not one job
      {"bisort", "--over", "size"},                                 // no values
      {"bisort", "--over"},                                         //
      {"bisort", "--over", "foo=1,2"},                              // no such option
      {"context-model", "--over", "generate=1,2"},                  // not numeric
      {"context-model", "--over", "input=1,2"},                     // not numeric
      {"matrix", "--over", "no-multiply=1,2"},                      // a flag
      {"bisort", "--over", "repeat=1,2"},                           // the runner's, not the job's
      {"bisort", "--over", "size=0,8"},                             // the job refuses 0
      {"bisort", "--over", "size=8,67108865"},                      // and one above its limit
      {"transpose", "--rows", "65536", "--over", "cols=512,2048"},  // too many values in all
      {"bisort", "--over", "size=64..8x2"},                         // descending
      {"bisort", "--over", "size=8,16", "--size", "4"},             // swept and given
      {"bisort", "--over", "size=8,16", "--size=4"},
      {"bisort", "--over", "size=8", "--over", "size=16"},  // two sweeps
      {"bisort", "--over", "size=8,16", "--bogus"},         // the job has no such option
      {"bisort", "--over", "size=8,16", "--", "x"},         // the job refuses both
  };
  for (const auto& tokens : bad) {
    std::string line;
    for (const auto& t : tokens) line += t + " ";
    EXPECT_THROW(parse_sweep(tokens), UsageError) << line;
  }
}

// Each job's steps in the report are command lines the runner takes: tools/report runs them as
// they are, so one the runner refuses would be a hole in the page found only by `make report`.
TEST(ReportSteps, EveryJobsStepsAreSweepsOrRunsTheRunnerTakes) {
  for (const JobInfo& info : jobs()) {
    bool full = false;
    for (const ReportStep& step : info.report_steps) {
      std::vector<std::string> tokens = step.tokens();
      tokens.insert(tokens.begin(), info.name);
      SCOPED_TRACE(std::string(info.name) + " " + step.args);
      if (step.sweeps()) {
        const SweepPlan plan = parse_sweep(tokens);
        EXPECT_GE(plan.values.size(), step.quick ? 2u : 4u);
      } else {
        EXPECT_NO_THROW(parse_run(tokens, Load::kNo));
      }
      full = full || !step.quick;
      for (const JobInfo& other : jobs())
        for (const ReportStep& s : other.report_steps)
          if (&s != &step && s.quick == step.quick) {
            EXPECT_NE(std::string(s.file), step.file) << "two steps save to one file";
          }
    }
    EXPECT_TRUE(full) << info.name << " has no step in the full report";
  }
}

// Points in two regimes are fitted apart, each over its own points; too few points in one regime
// give no fit there, and a single regime gives none (the whole fit covers it).
TEST(SweepRegimes, FitEachSideOfACrossing) {
  std::vector<FitPoint> points;
  std::vector<std::string> regimes;
  for (double n : {1e3, 2e3, 4e3, 8e3}) {
    points.push_back({n, n * 1e-9});  // N in L2
    regimes.push_back("L2");
  }
  for (double n : {16e3, 32e3, 64e3}) {
    points.push_back({n, n * n * 1e-12});  // N^2 beyond it
    regimes.push_back("memory");
  }
  std::vector<RegimeFit> fits = fit_regimes(points, regimes);
  ASSERT_EQ(fits.size(), 2u);
  EXPECT_EQ(fits[0].regime, "L2");
  EXPECT_EQ(fits[0].first, 0);
  EXPECT_EQ(fits[0].last, 3);
  EXPECT_EQ(fits[0].fit.complexity, Complexity::kN);
  EXPECT_EQ(fits[1].regime, "memory");
  EXPECT_EQ(fits[1].first, 4);
  EXPECT_EQ(fits[1].fit.complexity, Complexity::kN2);

  regimes.assign(points.size(), "L1");
  EXPECT_TRUE(fit_regimes(points, regimes).empty());
  regimes.back() = "L2";  // one point beyond: no fit of its own
  ASSERT_EQ(fit_regimes(points, regimes).size(), 1u);
  EXPECT_EQ(fit_regimes(points, regimes)[0].last, 5);
}

}  // namespace
}  // namespace kernels::runner
