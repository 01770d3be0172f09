#include "results/saved_run.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kernels::runner {
namespace {

const std::string kGood =
    R"({"kernel": "bisort", "args": ["--size", "8"], "runs": 3, "seconds": {"median": 2.0,)"
    R"( "each": [1.0, 2.0, 4.0]}, "digest": "00000000000000aa", "work": {"n": 8, "unit": "v"}})";

TEST(SavedRuns, ReadsReportsSkipsOtherLinesAndPairsByName) {
  const std::string text =
      "text\n\n" + kGood +
      "\n{\"kernel\": \"bisort\", \"args\": [\"--size\", \"8\"], \"pass\": true, \"seconds\": 0.1}"
      "\n{\"kernel\": \"bisort\", \"over\": \"--size\", \"fit\": null}\n"
      R"({"kernel": "matrix", "args": [], "seconds": {"each": [0.5]}, "digest": null})";
  const std::vector<SavedRun> r = parse_saved_runs(text, "a.json", "compare");
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].name(), "bisort --size 8");
  EXPECT_EQ(r[0].line, 3);
  EXPECT_DOUBLE_EQ(r[0].seconds.median, 2.0);
  EXPECT_EQ(r[0].digest, "00000000000000aa");
  EXPECT_EQ(r[0].work_n, 8.0);
  EXPECT_EQ(r[1].name(), "matrix");
  EXPECT_EQ(r[1].line, 6);
  EXPECT_FALSE(r[1].digest.has_value());

  // Each report of A takes the first unpaired one of B of the same name.
  const std::vector<SavedRun> b = parse_saved_runs(
      R"({"kernel": "matrix", "args": [], "seconds": {"each": [1]}, "digest": null})"
      "\n" +
          kGood + "\n" + kGood,
      "b", "compare");
  const Pairing p = pair_reports(r, b);
  EXPECT_EQ(p.b_of, (std::vector<int>{1, 0}));
  EXPECT_EQ(p.a_of, (std::vector<int>{1, 0, -1}));
}

TEST(SavedRuns, RefusesAMalformedReportNamingFileAndLine) {
  const auto with = [](const std::string& from, const std::string& to) {
    std::string s = kGood;
    const std::size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
  };
  const std::string digest = R"("digest": "00000000000000aa")";
  const std::string each = R"("each": [1.0, 2.0, 4.0])";
  const std::vector<std::string> bad = {
      with(digest, R"("digest": "ab")"),
      with(digest, R"("digest": 5)"),
      with(digest, R"("digest": "00000000000000AA")"),
      with(digest, R"("digist": null)"),
      with(R"(["--size", "8"])", R"("notalist")"),
      with(R"(["--size", "8"])", R"(["--size", 8])"),
      with(each, R"("each": [1, "x", 4])"),
      with(each, R"("each": [1.0, -2.0, 4.0])"),
      with(each, R"("each": [1.0, 1e999, 4.0])"),
      with(each, R"("each": [1.0, Infinity, 4.0])"),
      with(each, R"("each": [1.0, 2e9, 4.0])"),
      kGood.substr(0, kGood.size() - 10),
      with(each, R"("each": [])"),
      with(R"("median": 2.0)", R"("median": -1)"),
      with(R"("runs": 3)", R"("runs": 2)"),
      with(R"("kernel": "bisort")", R"("kernel": "")"),
      with(R"("n": 8)", R"("n": 0)"),
      kGood.substr(0, kGood.size() - 1) + R"(, "context": [1]})",
      kGood.substr(0, kGood.size() - 1) + R"(, "counts": {"l1d_misses": 3}})",
      kGood.substr(0, kGood.size() - 1) + R"(, "counts": {"instructions": -1}})",
      kGood.substr(0, kGood.size() - 1) + R"(, "counts": {"instructions": 1.5}})",
      kGood.substr(0, kGood.size() - 1) + R"(, "counts": {"instructions": 9, "branches": "2"}})",
      kGood.substr(0, kGood.size() - 1) + R"(, "memory": {"peak_rss": -4}})",
      kGood.substr(0, kGood.size() - 1) + R"(, "memory": 4})",
  };
  // Counts and a peak that are well formed are kept; a null peak is none.
  const std::vector<SavedRun> counted = parse_saved_runs(
      kGood.substr(0, kGood.size() - 1) +
          R"(, "counts": {"instructions": 12, "tool": "callgrind 3.19.0"},)"
          R"( "memory": {"peak_rss": 4096, "reset": true}})"
          "\n" +
          kGood.substr(0, kGood.size() - 1) + R"(, "memory": {"peak_rss": null, "reset": false}})",
      "c", "compare");
  EXPECT_EQ(counted[0].counts["instructions"], 12);
  EXPECT_EQ(counted[0].peak_rss, 4096.0);
  EXPECT_TRUE(counted[1].counts.is_null());
  EXPECT_FALSE(counted[1].peak_rss.has_value());
  for (const std::string& line : bad) {
    try {
      parse_saved_runs("\n" + line + "\n", "runs.json", "score");
      ADD_FAILURE() << "accepted: " << line;
    } catch (const UsageError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind("score: runs.json:2: malformed run report: ", 0), 0u) << what;
      EXPECT_EQ(what.find('\n'), std::string::npos) << what;
    }
  }
  EXPECT_THROW(parse_saved_runs("{\"fit\": 1}\nnot json\n", "x", "export"), UsageError);
  EXPECT_THROW(parse_saved_runs("", "x", "export"), UsageError);
}

}  // namespace
}  // namespace kernels::runner
