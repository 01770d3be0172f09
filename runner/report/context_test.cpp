#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "report/build_info.h"
#include "report/context.h"
#include "report/report.h"

namespace kernels::runner {
namespace {

TEST(RunContext, EveryJsonReportCarriesTheBuildTheMachineAndTheDate) {
  const Json c = report_object(Report{})["context"];
  EXPECT_EQ(c["version"], build_info().version);
  EXPECT_EQ(c["compiler"], build_info().compiler);
  EXPECT_EQ(c["flags"], build_info().flags);
  EXPECT_EQ(c["cpus"], std::thread::hardware_concurrency());
  for (const char* key : {"build_type", "cpu", "host", "binary_hash"})
    EXPECT_FALSE(c[key].get<std::string>().empty()) << key;
  // "YYYY-MM-DDTHH:MM:SSZ", checked by shape: digits everywhere but the separators.
  const std::string date = c["date"].get<std::string>();
  const std::string shape = "dddd-dd-ddTdd:dd:ddZ";
  ASSERT_EQ(date.size(), shape.size()) << date;
  for (std::size_t i = 0; i < shape.size(); ++i)
    EXPECT_TRUE(shape[i] == 'd' ? date[i] >= '0' && date[i] <= '9' : date[i] == shape[i]) << date;
  const std::string text = context_text(c);
  EXPECT_NE(text.find(c["cpu"].get<std::string>() + " × "), std::string::npos) << text;
  EXPECT_EQ(context_text(Json()), "kernels ?, ?, ? (?), ? × ?, ?, ?");
}

}  // namespace
}  // namespace kernels::runner
