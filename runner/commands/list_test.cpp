#include <gtest/gtest.h>

#include "commands/list.h"
#include "job/job.h"

namespace kernels::runner {
namespace {

TEST(ListText, ShowsEveryJobWithItsDeclaredLimitsAndDefaults) {
  const std::string text = list_text();
  for (const JobInfo& j : jobs()) EXPECT_NE(text.find(j.name), std::string::npos) << j.name;
  EXPECT_NE(text.find("--size N        the driver's argument count"), std::string::npos);
  EXPECT_NE(text.find("1 to 67108864 (default 1048576)"), std::string::npos) << text;
  EXPECT_NE(text.find("-- ARGS..."), std::string::npos);
}

}  // namespace
}  // namespace kernels::runner
