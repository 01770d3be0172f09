// The counts and the peak memory of `kernels run --count` reports in every export format.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/export/formats.h"

namespace kernels::runner {
namespace {

// A counted report with a peak, then a report with neither.
std::vector<SavedRun> counted_sample() {
  const std::string text =
      R"({"kernel": "bisort", "args": ["--size", "8"], "seconds": {"each": [0.5, 0.25]},)"
      R"( "digest": "d06d0089ed510985", "memory": {"peak_rss": 4096, "reset": true},)"
      R"( "counts": {"instructions": 1000, "l1d_misses": 30, "ll_misses": 2, "mispredicts": 7,)"
      R"( "indirect_mispredicts": 1, "tool": "callgrind 3.19.0"}})"
      "\n"
      R"({"kernel": "matrix", "args": [], "seconds": {"each": [1.0]}, "digest": null})";
  return parse_saved_runs(text, "runs.json", "export");
}

TEST(ExportCounts, EveryFormatCarriesTheCountsAndThePeakWhereTheReportHasThem) {
  const std::vector<SavedRun> runs = counted_sample();

  const Json bmf = Json::parse(bmf_json(runs));
  EXPECT_EQ(bmf["bisort --size 8"]["instructions"], (Json{{"value", 1000.0}}));
  EXPECT_EQ(bmf["bisort --size 8"]["branch-misses"]["value"], 8.0);  // conditional + indirect
  EXPECT_EQ(bmf["bisort --size 8"]["peak-rss"]["value"], 4096.0);
  EXPECT_FALSE(bmf["matrix"].contains("instructions"));

  const Json github = Json::parse(github_json(runs));
  ASSERT_EQ(github.size(), 7u);  // bisort's time, its 5 measures, matrix's time
  EXPECT_EQ(github[1]["name"], "bisort --size 8 (instructions)");
  EXPECT_EQ(github[1]["unit"], "instructions");
  EXPECT_EQ(github[5]["unit"], "bytes");
  EXPECT_EQ(github[6]["name"], "matrix");

  const Json lnt = Json::parse(lnt_json(runs, ""));
  EXPECT_EQ(lnt["tests"][0]["mem_bytes"], 4096.0);
  EXPECT_EQ(lnt["tests"][0]["instructions"], 1000.0);
  EXPECT_EQ(lnt["tests"][0]["branch_misses"], 8.0);
  EXPECT_FALSE(lnt["tests"][1].contains("mem_bytes"));

  const Json gbench = Json::parse(gbench_json(runs));
  const Json& first = gbench["benchmarks"][0];  // bisort's first timed run
  EXPECT_EQ(first["instructions"], 1000.0);
  EXPECT_EQ(first["peak_rss"], 4096.0);
  for (const Json& b : gbench["benchmarks"]) {
    if (b["run_name"] == "bisort --size 8" && b.value("aggregate_name", "") == "stddev") {
      EXPECT_EQ(b.value("instructions", -1.0), 0.0);
    }
  }

  const std::string csv = csv_text(runs);
  const std::string header = csv.substr(0, csv.find('\r'));
  EXPECT_NE(header.find(",peak_rss,instructions,data_reads,"), std::string::npos) << header;
  EXPECT_NE(csv.find(",4096,1000,,,30,"), std::string::npos) << csv;

  const std::string md = markdown_table(runs);
  EXPECT_NE(md.find("| Peak RSS [MiB] | Instructions | L1d misses | LL misses |"),
            std::string::npos)
      << md;
  EXPECT_NE(md.find("| 1000 | 30 | 2 |"), std::string::npos) << md;
  EXPECT_NE(md.find("| - | - | - | - |"), std::string::npos) << md;  // matrix has none
}

}  // namespace
}  // namespace kernels::runner
