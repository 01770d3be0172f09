#include <gtest/gtest.h>

#include <thread>

#include "build_info.h"
#include "context.h"
#include "digest.h"
#include "driver_args.h"
#include "job.h"
#include "report.h"
#include "test_support.h"

namespace kernels::runner {
namespace {

TEST(Fnv1a, MatchesKnownValues) {
  EXPECT_EQ(Fnv1a().value(), 0xcbf29ce484222325ull);
  Fnv1a a;
  a.bytes("a", 1);
  EXPECT_EQ(a.value(), 0xaf63dc4c8601ec8cull);
  Fnv1a foobar;
  foobar.bytes("foobar", 6);
  EXPECT_EQ(foobar.value(), 0x85944171f73967e8ull);
}

TEST(Fnv1a, WritesIntegersAndDoublesLittleEndian) {
  Fnv1a x, y;
  x.i32(-2);
  const unsigned char b[4] = {0xfe, 0xff, 0xff, 0xff};
  y.bytes(b, 4);
  EXPECT_EQ(x.value(), y.value());

  Fnv1a d, e;
  d.f64(300.0);  // 0x4072C00000000000
  const unsigned char f[8] = {0, 0, 0, 0, 0, 0xc0, 0x72, 0x40};
  e.bytes(f, 8);
  EXPECT_EQ(d.value(), e.value());
}

TEST(TimeStats, MedianMeanAndSampleDeviation) {
  TimeStats s = time_stats({4.0, 1.0, 3.0, 2.0});
  EXPECT_DOUBLE_EQ(s.min, 1.0);
  EXPECT_DOUBLE_EQ(s.max, 4.0);
  EXPECT_DOUBLE_EQ(s.median, 2.5);
  EXPECT_DOUBLE_EQ(s.mean, 2.5);
  EXPECT_NEAR(s.stddev, 1.2909944487, 1e-9);
  EXPECT_EQ(s.each, (std::vector<double>{4.0, 1.0, 3.0, 2.0}));  // in run order

  TimeStats one = time_stats({0.5});
  EXPECT_DOUBLE_EQ(one.median, 0.5);
  EXPECT_DOUBLE_EQ(one.stddev, 0.0);
}

TEST(DriverArgs, BuildsANullTerminatedVector) {
  DriverArgs d("job", {"a", "bc"});
  ASSERT_EQ(d.argc(), 3);
  EXPECT_STREQ(d.argv()[0], "job");
  EXPECT_STREQ(d.argv()[2], "bc");
  EXPECT_EQ(d.argv()[3], nullptr);
  EXPECT_EQ(d.rest(), (std::vector<std::string>{"a", "bc"}));

  DriverArgs big = DriverArgs::of_count("job", 5);
  ASSERT_EQ(big.argc(), 5);
  EXPECT_STREQ(big.argv()[4], "");
  EXPECT_EQ(big.argv()[5], nullptr);
  EXPECT_EQ(DriverArgs::of_count("job", 1).argc(), 1);

  // A copy (or a moved-from-then-assigned vector) points into its own texts.
  DriverArgs copy = d;
  d = DriverArgs("other", {"z"});
  ASSERT_EQ(copy.argc(), 3);
  EXPECT_STREQ(copy.argv()[0], "job");
  EXPECT_STREQ(copy.argv()[1], "a");
  DriverArgs moved = std::move(copy);
  EXPECT_STREQ(moved.argv()[2], "bc");
}

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

TEST(RunContext, EveryJsonReportCarriesTheBuildTheMachineAndTheDate) {
  const Json c = report_object(Report{})["context"];
  EXPECT_EQ(c["version"], build_info().version);
  EXPECT_EQ(c["compiler"], build_info().compiler);
  EXPECT_EQ(c["flags"], build_info().flags);
  EXPECT_EQ(c["cpus"], std::thread::hardware_concurrency());
  for (const char* key : {"build_type", "cpu", "host"})
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
