#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command_line.h"
#include "generated_input.h"
#include "test_support.h"

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

TEST(ListText, ShowsEveryJobWithItsDeclaredLimitsAndDefaults) {
  const std::string text = list_text();
  for (const JobInfo& j : jobs()) EXPECT_NE(text.find(j.name), std::string::npos) << j.name;
  EXPECT_NE(text.find("--size N        the driver's argument count"), std::string::npos);
  EXPECT_NE(text.find("1 to 67108864 (default 1048576)"), std::string::npos) << text;
  EXPECT_NE(text.find("-- ARGS..."), std::string::npos);
}

TEST(GeneratedInput, ShorterIsAPrefixOfLongerAndTextIsText) {
  for (const auto& [name, kind] : generated_kinds()) {
    const auto longer = generate_input(kind, 5000);
    const auto shorter = generate_input(kind, 1234);
    ASSERT_EQ(longer.size(), 5000u);
    EXPECT_TRUE(std::equal(shorter.begin(), shorter.end(), longer.begin())) << name;
  }
  for (std::uint8_t b : generate_input(Generated::kText, 20000))
    EXPECT_TRUE((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == ' ' || b == '.' ||
                b == '\n')
        << int(b);
  // Uniform bytes: every value turns up in 64 KiB, none more than twice its share.
  std::vector<int> seen(256);
  for (std::uint8_t b : generate_input(Generated::kRandom, 65536)) ++seen[b];
  for (int count : seen) EXPECT_TRUE(count > 0 && count < 512) << count;
}

}  // namespace
}  // namespace kernels::runner
