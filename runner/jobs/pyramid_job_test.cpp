#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/files.h"
#include "job/digest.h"
#include "job/int32_le.h"
#include "job/job.h"
#include "kernels/shell/shell.h"
#include "run/run_plan.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

std::unique_ptr<Job> configure(const char* name, const std::vector<std::string>& tokens) {
  return configure_job(name, tokens);
}

// One run as the runner does it (untimed here).
void run_once(Job& job) {
  shell::arena_reset();
  job.prepare();
  job.run_observed();
  job.finish();
}

std::string bytes_text(const std::vector<std::uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

TEST(PyramidJob, RejectsBadSizesAndFiles) {
  const ScratchDir dir;
  const std::string missing = dir.path("missing");
  const std::string short_file =
      dir.file("short", bytes_text(int32_le_bytes(std::vector<int>(15, 0))));
  const std::vector<std::vector<std::string>> bad = {
      {"--width", "0"},
      {"--width", "x"},
      {"--levels", "0"},
      {"--width", "1000", "--height", "1000", "--levels", "4"},    // not multiples of 16
      {"--width", "16", "--height", "16", "--levels", "4"},        // coarsest band 1 x 1
      {"--width", "16384", "--height", "16384", "--levels", "1"},  // too many values
      {"--width", "4", "--height", "4", "--levels", "1", "--input", missing},
      {"--width", "4", "--height", "4", "--levels", "1", "--input", short_file},
  };
  for (const auto& tokens : bad)
    EXPECT_THROW(configure("pyramid", tokens), UsageError) << tokens[1];
  EXPECT_THROW(configure("transpose", {"--rows", "0"}), UsageError);
  EXPECT_THROW(configure("transpose", {"--rows", "65536", "--cols", "65536"}), UsageError);
}

TEST(PyramidJob, CollapsesAPyramidFromAFileAndWritesTheImage) {
  // The 4 x 4 example: band 0 holds 8 at (0, 0), every other value is 0.
  std::vector<int> pyramid(16, 0);
  pyramid[0] = 8;
  const ScratchDir dir;
  const std::string input = dir.file("input", bytes_text(int32_le_bytes(pyramid)));
  const std::string output = dir.path("output");
  auto job = configure("pyramid", {"--width", "4", "--height", "4", "--levels", "1", "--input",
                                   input, "--output", output});
  run_once(*job);
  const std::vector<int> image{8, 4, 0, 0, 4, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(int32_le_values(read_input_file("--output", output, kNoLimit)), image);
  EXPECT_EQ(
      job->summary(),
      (Json{{"width", 4}, {"height", 4}, {"levels", 1}, {"min", 0}, {"max", 8}, {"sum", 18}}));
  Fnv1a h;
  for (int v : image) h.i32(v);
  for (int v : pyramid) h.i32(v);  // unchanged: band 2 is all zero
  EXPECT_EQ(job->digest(), h.value());
}

TEST(PyramidJob, BuiltInRunsAreReproducible) {
  auto job = configure("pyramid", {"--width", "64", "--height", "32", "--levels", "3"});
  run_once(*job);
  const std::optional<std::uint64_t> first = job->digest();
  const Json summary = job->summary();
  run_once(*job);
  EXPECT_EQ(job->digest(), first);
  EXPECT_EQ(job->summary(), summary);
  EXPECT_LT(summary["min"].get<int>(), summary["max"].get<int>());

  auto transpose = configure("transpose", {"--rows", "30", "--cols", "7"});
  run_once(*transpose);
  EXPECT_EQ(transpose->summary(), (Json{{"rows", 30}, {"cols", 7}}));
  // The transposed matrix of indices: element k * 30 + r holds r * 7 + k.
  Fnv1a h;
  for (int k = 0; k < 7; ++k)
    for (int r = 0; r < 30; ++r) h.i32(r * 7 + k);
  EXPECT_EQ(transpose->digest(), h.value());
}

}  // namespace
}  // namespace kernels::runner
