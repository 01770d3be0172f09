#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "job/digest.h"
#include "job/job.h"
#include "report/report.h"
#include "run/run_plan.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

// A groebner job configured from command-line tokens the way the runner hands them over.
std::unique_ptr<Job> configured(const std::vector<std::string>& tokens) {
  return configure_job("groebner", tokens);
}

// The digest the job defines, for a basis of the given serials and three zero counters.
std::uint64_t digest_of(const std::vector<std::int32_t>& serials) {
  Fnv1a h;
  for (std::int32_t s : serials) h.i32(s);
  for (int i = 0; i < 3; ++i) h.u32(0);  // 0.0f is all zero bits
  return h.value();
}

TEST(GroebnerJob, BadPolysOrTermsAreUsageErrors) {
  for (const char* bad : {"x", "-1", "1000001", "", "2.5"})
    EXPECT_THROW(configured({"--polys", bad}), UsageError) << bad;
  for (const char* bad : {"", ",", "1,", ",1", "1,,2", "32768", "-32769", "a", "1;2"})
    EXPECT_THROW(configured({"--terms", bad}), UsageError) << bad;
  EXPECT_THROW(configured({"--polys"}), UsageError);
  EXPECT_NO_THROW(configured({"--polys", "0", "--terms", "-32768,32767,0"}));
}

TEST(GroebnerJob, DefaultRunCompletesToTheLastRecordAndHandsItOut) {
  auto job = configured({});
  const Report r = run_job("groebner", *job, 2);
  EXPECT_EQ(r.summary["records_in"], 1000);
  EXPECT_EQ(r.summary["basis_size"], 1);
  EXPECT_EQ(r.summary["basis_serials"], Json::array({999}));
  EXPECT_EQ(r.summary["addcnt"], 0.0);
  EXPECT_EQ(r.summary["zerocnt"], 0.0);
  EXPECT_EQ(r.summary["critcnt"], 0.0);
  EXPECT_EQ(r.summary["mpolout"], 1);
  EXPECT_EQ(r.calls["mpolout"], 1);
  EXPECT_EQ(r.calls["mpolin"], 0);
  EXPECT_EQ(r.digest, digest_of({999}));
  EXPECT_EQ(r.args, (std::vector<std::string>{"--polys", "1000", "--terms", "1", "--", "-a"}));
  EXPECT_EQ(run_job("groebner", *job, 1).digest, r.digest);  // repeats leave the same state
}

TEST(GroebnerJob, TermCountsAreTakenCyclically) {
  // Term counts 1, 0, -1, 1, 0: the last record with a positive count is record 3.
  auto job = configured({"--polys", "5", "--terms", "1,0,-1"});
  Report r = run_job("groebner", *job, 1);
  EXPECT_EQ(r.summary["basis_serials"], Json::array({3}));
  EXPECT_EQ(r.digest, digest_of({3}));

  auto quiet = configured({"--polys=5", "--terms=1,0,-1", "--"});  // no -a: nothing handed out
  r = run_job("groebner", *quiet, 1);
  EXPECT_EQ(r.summary["basis_serials"], Json::array({3}));
  EXPECT_EQ(r.summary["mpolout"], 0);

  auto none = configured({"--polys", "4", "--terms", "0,-7"});
  r = run_job("groebner", *none, 1);
  EXPECT_EQ(r.summary["basis_size"], 0);
  EXPECT_EQ(r.digest, digest_of({}));

  auto empty = configured({"--polys", "0"});
  EXPECT_EQ(run_job("groebner", *empty, 1).digest, digest_of({}));
}

}  // namespace
}  // namespace kernels::runner
