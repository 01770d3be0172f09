#include <unistd.h>
#include <cmath>
#include <cstdio>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "job/digest.h"
#include "job/job.h"
#include "kernels/shell/shell.h"
#include "run/run_plan.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

namespace fs = std::filesystem;

// A configured context-model job, as the runner builds it from the command line.
std::unique_ptr<Job> configure(const std::vector<std::string>& tokens) {
  return configure_job("context-model", tokens);
}

TEST(ContextModelJob, RejectsBadConfigurations) {
  for (const auto& tokens :
       std::vector<std::vector<std::string>>{{"--length", "0"},
                                             {"--length", "13000001"},
                                             {"--length", "x"},
                                             {"--decode", "-1"},
                                             {"--decode"},
                                             {"--input", ""},
                                             {"--length", "5", "--decode", "5"},
                                             {"--input", "/nonexistent/file", "--length", "3"},
                                             {"--input", "/nonexistent/file"},
                                             {"--input", fs::temp_directory_path().string()}}) {
    EXPECT_THROW(configure(tokens), UsageError) << tokens[0];
  }
  const ScratchDir dir;
  EXPECT_THROW(configure({"--input", dir.file("empty", "")}), UsageError);
  EXPECT_THROW(configure({"--input", dir.file("too_big", std::string(13000001, 'x'))}), UsageError);
  EXPECT_NO_THROW(configure({"--input", dir.file("just_fits", std::string(13000000, 'x'))}));
}

TEST(ContextModelJob, EncodesAFileAndReportsItsCode) {
  const ScratchDir dir;
  const std::string abab = dir.file("abab", "abab");
  auto job = configure({"--input", abab});
  EXPECT_EQ(job->args(), (std::vector<std::string>{"--input", abab}));
  job->run();
  const Json calls = job->run_observed();
  EXPECT_EQ(calls["arithmetic_encode"], 8);
  EXPECT_EQ(calls["printFree"], 0);
  EXPECT_EQ(job->digest(), abab_digest());
  const Json s = job->summary();
  EXPECT_EQ(s["symbols"], 5);
  EXPECT_EQ(s["trie_nodes"], 4);
  EXPECT_EQ(s["symbol_entries"], 8);
  EXPECT_EQ(s["input_pos"], 5);
  EXPECT_EQ(s["root_first_symbol"], 8);
  EXPECT_EQ(s["root_count"], 6);
  EXPECT_EQ(s["root_escape_count"], 3);
  EXPECT_EQ(s["root_last_symbol"], 256);
  EXPECT_EQ(s["coder_calls"], 8);
  // The coded intervals of the trace: [97,98) of 257, [0,1) of 2, [97,98) of 256, [3,4) of 4,
  // [1,2) of 2, [0,1) of 2, [0,2) of 3, [254,255) of 255.
  double bits = 0;
  for (double x : {257.0, 2.0, 256.0, 4.0, 2.0, 2.0, 1.5, 255.0}) bits += std::log2(x);
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", bits);
  EXPECT_EQ(s["code_bits"], text);
  std::snprintf(text, sizeof text, "%.6f", bits / 4);
  EXPECT_EQ(s["bits_per_byte"], text);
  EXPECT_EQ(s["ran_out"], "none");
}

TEST(ContextModelJob, RepeatedRunsLeaveTheSameState) {
  for (const auto& tokens :
       std::vector<std::vector<std::string>>{{}, {"--length", "5000"}, {"--decode", "3000"}}) {
    auto job = configure(tokens);
    job->run();
    const std::optional<std::uint64_t> first = job->digest();
    const Json first_summary = job->summary();
    job->run();
    job->run_observed();
    EXPECT_EQ(job->digest(), first);
    Json again = job->summary();
    for (const char* key : {"symbols", "trie_nodes", "symbol_entries", "context_length",
                            "context_free", "context_used", "input_pos"})
      EXPECT_EQ(again[key], first_summary[key]) << key;
  }
  auto ones = configure({"--length", "5"});
  EXPECT_EQ(ones->args(), (std::vector<std::string>{"--length", "5"}));
  ones->run_observed();
  EXPECT_EQ(ones->summary()["symbols"], 6);
  auto decode = configure({"--decode", "3"});
  decode->run_observed();
  const Json s = decode->summary();
  EXPECT_EQ(s["symbols"], 3);
  EXPECT_FALSE(s.contains("bits_per_byte"));
  EXPECT_EQ(s["context_length"], 1);  // the decoder's third symbol loses a context
}

}  // namespace
}  // namespace kernels::runner
