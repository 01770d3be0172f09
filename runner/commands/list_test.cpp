#include <sstream>
#include <string>
#include <vector>

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

TEST(ListJson, EveryJobOnALineWithItsOptionsAndReportSteps) {
  std::istringstream lines(list_json());
  std::size_t n = 0;
  for (std::string line; std::getline(lines, line); ++n) {
    const Json j = Json::parse(line);
    ASSERT_LT(n, jobs().size());
    const JobInfo& info = jobs()[n];
    EXPECT_EQ(j["name"], info.name);
    EXPECT_EQ(j["driver_args"].is_null(), info.driver_args == nullptr) << info.name;
    ASSERT_EQ(j["report"].size(), info.report_steps.size()) << info.name;
    for (std::size_t i = 0; i < info.report_steps.size(); ++i) {
      const Json& step = j["report"][i];
      EXPECT_EQ(step["args"], info.report_steps[i].tokens());
      EXPECT_EQ(step["command"], info.report_steps[i].sweeps() ? "sweep" : "run");
    }
  }
  EXPECT_EQ(n, jobs().size());
  // The figures of one job as the parsers of other programs read them.
  const std::string all = list_json();
  const std::size_t at = all.find("{\"name\":\"bisort\"");
  ASSERT_NE(at, std::string::npos);
  const Json bisort = Json::parse(all.substr(at, all.find('\n', at) - at));
  bool size = false;
  for (const Json& o : bisort["options"])
    if (o["name"] == "--size") size = o["default"] == "1048576";
  EXPECT_TRUE(size) << bisort["options"].dump();
  EXPECT_EQ(bisort["report"][0]["command"], "sweep");
  EXPECT_EQ(bisort["report"][0]["args"],
            (std::vector<std::string>{"--over", "size=1024..4194304x4"}));
}

}  // namespace
}  // namespace kernels::runner
