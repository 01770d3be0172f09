#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "job/digest.h"
#include "job/job.h"
#include "report/report.h"
#include "run/run_plan.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

std::unique_ptr<Job> configure(const std::vector<std::string>& tokens) {
  return configure_job("bisort", tokens);
}

Report run(std::vector<std::string> options) {
  auto job = configure(std::move(options));
  return run_job("bisort", *job, 1);
}

TEST(BisortJob, RejectsSizesThatAreNotPositiveCounts) {
  for (const char* bad : {"0", "-1", "x", "", "1.5", "67108865", "99999999999999999999"})
    EXPECT_THROW(configure({"--size", bad}), UsageError) << bad;
  EXPECT_THROW(configure({"--size"}), UsageError);
  EXPECT_THROW(configure({"--size", "8", "--", "a"}), UsageError);
}

TEST(BisortJob, EightValuesGiveTheWorkedExample) {
  Report r = run({"--size=8"});
  EXPECT_EQ(r.args, (std::vector<std::string>{"--size", "8"}));
  EXPECT_EQ(r.records, 7u);
  EXPECT_EQ(r.calls, (Json{{"InOrder", 0}}));
  EXPECT_EQ(r.summary, (Json{{"nodes", 7},
                             {"values", 8},
                             {"ascending_disorder", 0},
                             {"ascending_spare", 39},
                             {"descending_disorder", 0},
                             {"descending_spare", 8}}));
  Fnv1a h;
  for (int v : {8, 10, 11, 16, 20, 25, 29, 39, 39, 29, 25, 20, 16, 11, 10, 8}) h.i32(v);
  EXPECT_EQ(r.digest, h.value());
}

TEST(BisortJob, CountsTheDisorderThatRepeatedValuesLeave) {
  for (auto [size, up, down] : {std::tuple{"227", 0, 1}, {"1024", 8, 6}, {"2048", 15, 6}}) {
    Report r = run({"--size", size});
    EXPECT_EQ(r.summary["ascending_disorder"], up) << size;
    EXPECT_EQ(r.summary["descending_disorder"], down) << size;
    EXPECT_EQ(r.summary["values"], r.summary["nodes"].get<int>() + 1);
  }
  EXPECT_EQ(run({"--size", "2048"}).digest, run({"--size", "2048"}).digest);
  EXPECT_NE(run({"--size", "2048"}).digest, run({"--size", "1024"}).digest);
}

TEST(BisortJob, SizeOneReportsAnEmptyTree) {
  Report r = run({"--size", "1"});
  EXPECT_EQ(r.records, 0u);
  EXPECT_EQ(r.summary["nodes"], 0);
  EXPECT_EQ(r.summary["values"], 1);
  EXPECT_TRUE(r.summary["ascending_disorder"].is_null());
  EXPECT_TRUE(r.summary["descending_spare"].is_null());
  EXPECT_EQ(r.digest, Fnv1a().value());  // nothing hashed
}

TEST(BisortJob, DriverArgumentsSetTheCount) {
  const std::vector<std::string> args{"a", "b", "c"};  // argc 4: three nodes
  std::vector<std::string> tokens{"--"};
  tokens.insert(tokens.end(), args.begin(), args.end());
  auto job = configure(tokens);
  Report r = run_job("bisort", *job, 1);
  EXPECT_EQ(r.args, args);
  EXPECT_EQ(r.summary["nodes"], 3);
  EXPECT_EQ(r.summary["ascending_disorder"], 0);
}

}  // namespace
}  // namespace kernels::runner
