#include <string>

#include <gtest/gtest.h>

#include "report/report.h"
#include "run/stats.h"

namespace kernels::runner {
namespace {

TEST(Report, TextAndJsonCarryEveryFigure) {
  Report r;
  r.kernel = "demo";
  r.args = {"--size", "3"};
  r.seconds = time_stats({0.002, 0.001, 0.003});
  r.records = 7;
  r.bytes = 168;
  r.calls = Json{{"output_bit", 12}};
  r.summary = Json{{"nodes", 3}};
  r.digest = 0x0123456789abcdefull;
  Json j = Json::parse(report_json(r));
  EXPECT_EQ(j["kernel"], "demo");
  EXPECT_EQ(j["runs"], 3);
  EXPECT_EQ(j["seconds"]["median"], 0.002);
  EXPECT_EQ(j["seconds"]["each"].size(), 3u);
  EXPECT_EQ(j["storage"]["bytes"], 168);
  EXPECT_EQ(j["digest"], "0123456789abcdef");
  std::string text = report_text(r);
  for (const char* part : {"demo  [--size 3]", "median 2 ms", "min 1 ms … max 3 ms", "3 runs",
                           "7 records, 168 bytes", "output_bit 12", "nodes 3", "0123456789abcdef"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

}  // namespace
}  // namespace kernels::runner
