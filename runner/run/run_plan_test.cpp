#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run/run_plan.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

TEST(ParseRun, JobsTakeTheirOwnOptionsAndTheRunnerItsAnywhere) {
  RunPlan plan = parse_run({"--json", "bisort", "--size", "8", "--repeat=2", "bisort", "--size=16",
                            "--warmup", "0", "matrix", "--no-observe", "--", "x", "--size"});
  ASSERT_EQ(plan.jobs.size(), 3u);
  EXPECT_EQ(plan.jobs[0].job->args(), (std::vector<std::string>{"--size", "8"}));
  EXPECT_EQ(plan.jobs[1].job->args(), (std::vector<std::string>{"--size", "16"}));
  EXPECT_EQ(plan.jobs[2].job->args(), (std::vector<std::string>{"x", "--size"}));
  EXPECT_TRUE(plan.settings.json);
  EXPECT_EQ(plan.settings.run.repeat, 2);
  EXPECT_EQ(plan.settings.run.warmup, 0);
  EXPECT_FALSE(plan.settings.run.observe);
  EXPECT_EQ(parse_run({"all"}).jobs.size(), jobs().size());
  EXPECT_FALSE(parse_run({"bisort", "--help"}).help.empty());
}

TEST(ParseRun, NumbersAreDecimalAndInRange) {
  EXPECT_EQ(configure_job("bisort", {"--size", "010"})->args()[1], "10");  // not octal
  EXPECT_EQ(configure_job("bisort", {"--size", "+8"})->args()[1], "8");
  for (const char* bad : {"0x10", "1e3", "", " 8", "0", "67108865", "99999999999999999999"})
    EXPECT_THROW(configure_job("bisort", {"--size", bad}), UsageError) << bad;
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"bisort", "--repeat", "0"},
                                             {"bisort", "--warmup", "-1"},
                                             {"bisort", "--json=1"},
                                             {"bisort", "--size"},
                                             {"all", "--size", "8"},
                                             {"--", "x"},
                                             {},
                                             {"matrix", "--no-multiply=yes"},
                                             {"bisort", "--size", "8", "--", "x"}})
    EXPECT_THROW(parse_run(bad), UsageError) << (bad.empty() ? "" : bad[0]);
}

TEST(ParseRun, FilesAreReadWhenLoadingNotWhenConfiguring) {
  const std::string missing = "/nonexistent/kernels-input";
  for (const char* name : {"arith-coder", "context-model", "pyramid"}) {
    EXPECT_NO_THROW(configure_job(name, {"--input", missing}, Load::kNo)) << name;
    EXPECT_THROW(configure_job(name, {"--input", missing}), UsageError) << name;
  }
  // A bad file of a later job is still reported before anything runs, and the checks of the
  // configuration are made without loading too.
  EXPECT_THROW(parse_run({"bisort", "--size", "8", "pyramid", "--input", missing}), UsageError);
  EXPECT_THROW(configure_job("arith-coder", {"--input", missing, "--length", "5"}, Load::kNo),
               UsageError);
}

TEST(ParseRun, ConfiguringWithoutLoadingAllocatesNothingBySize) {
  // Loaded, these take gigabytes: bisort's argument vector, the generated inputs, the pyramid.
  const std::vector<std::string> largest{
      "bisort",   "--size",    "67108864",      "arith-coder", "--generate", "random",
      "--length", "268435456", "context-model", "--generate",  "random",     "--length",
      "13000000", "pyramid",   "--width",       "8192",        "--height",   "8192"};
  if (!reset_peak_memory()) GTEST_SKIP() << "cannot reset the peak memory";
  const long before = peak_memory_kib();
  ASSERT_GT(before, 0);
  EXPECT_EQ(parse_run(largest, Load::kNo).jobs.size(), 4u);
  EXPECT_LT(peak_memory_kib() - before, 32 * 1024);
}

}  // namespace
}  // namespace kernels::runner
