#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/compare/compare.h"
#include "commands/compare/mann_whitney.h"
#include "commands/compare/ratio_interval.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

// n run times around `centre`, with up to 10 % noise, from a fixed generator.
std::vector<double> times(std::mt19937& random, int n, double centre) {
  std::vector<double> out;
  for (int i = 0; i < n; ++i)
    out.push_back(centre * (1.0 + 0.1 * static_cast<double>(random() % 1000) / 1000.0));
  return out;
}

TEST(RatioInterval, CoversOneForOneBuildAndExcludesItForADoubledTime) {
  // Two runs of one build: the 95 % interval should cover 1 in most trials, a doubled time never.
  std::mt19937 random(7);
  int covered = 0;
  const int trials = 200;
  for (int trial = 0; trial < trials; ++trial) {
    const std::vector<double> a = times(random, 10, 0.01), b = times(random, 10, 0.01);
    const RatioInterval same = median_ratio_interval(a, b);
    ASSERT_TRUE(same.low && same.high);
    if (*same.low <= 1.0 && 1.0 <= *same.high) {
      ++covered;
      EXPECT_STREQ(same.verdict, "same");
    }
    const std::vector<double> doubled = times(random, 5, 0.02);
    const RatioInterval slower = median_ratio_interval(a, doubled);
    EXPECT_GT(*slower.low, 1.5) << trial;
    EXPECT_LT(*slower.high, 2.5) << trial;
    EXPECT_STREQ(slower.verdict, "slower");
    EXPECT_STREQ(median_ratio_interval(doubled, a).verdict, "faster");
  }
  EXPECT_GE(covered, trials * 85 / 100);
  const RatioInterval one = median_ratio_interval({0.01}, {0.03});
  EXPECT_DOUBLE_EQ(*one.ratio, 3.0);
  EXPECT_FALSE(one.low.has_value());
  EXPECT_STREQ(one.verdict, "same");  // one run a side: nothing significant
  EXPECT_FALSE(median_ratio_interval({}, {0.01}).ratio.has_value());
}

TEST(UTest, MatchesHandComputedPValues) {
  // No ties, 3 + 3 values: all of A below all of B is 1 of C(6, 3) = 20 orders; two-sided: 2/20.
  EXPECT_DOUBLE_EQ(*u_test_p_value({1, 2, 3}, {4, 5, 6}), 0.1);
  EXPECT_DOUBLE_EQ(*u_test_p_value({6, 5, 4}, {1, 2, 3}), 0.1);
  // 10 + 10 values, fully separated: 2 / C(20, 10).
  EXPECT_NEAR(
      *u_test_p_value({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {11, 12, 13, 14, 15, 16, 17, 18, 19, 20}),
      2.0 / 184756.0, 1e-15);
  // One tie (3, 3): ranks 1, 2, 3.5 | 3.5, 5, 6, so U = 6.5 - 6 = 0.5 against a mean of 4.5;
  // variance 3·3/12 · (7 - (2³-2)/(6·5)) = 5.1; z = (4 - 0.5)/√5.1; p = erfc(z/√2) = 0.121183.
  EXPECT_NEAR(*u_test_p_value({1, 2, 3}, {3, 4, 5}), 0.1211832728, 1e-9);
  EXPECT_DOUBLE_EQ(*u_test_p_value({2, 2}, {2, 2, 2}), 1.0);
  EXPECT_FALSE(u_test_p_value({}, {1}).has_value());
}

std::string report(const std::string& kernel, const std::string& digest, double seconds,
                   const std::string& compiler) {
  return Json{{"kernel", kernel},
              {"args", {"--size", "8"}},
              {"seconds", {{"each", {seconds, seconds * 1.01, seconds * 0.99}}}},
              {"digest", digest},
              {"context", {{"compiler", compiler}, {"cpus", 2}}}}
      .dump();
}

TEST(Compare, PairsByJobAndArgsAndFailsOnAChangedDigest) {
  const ScratchDir dir;
  const std::string a = dir.file("a", report("bisort", "00000000000000aa", 1.0, "gcc") + "\n\n" +
                                          report("matrix", "00000000000000bb", 1.0, "gcc") +
                                          "\n{\"fit\": \"n log n\"}\nnot json\n");
  const std::string b = dir.file("b", report("matrix", "00000000000000bb", 2.0, "clang") + "\n" +
                                          report("pyramid", "00000000000000cc", 1.0, "clang"));
  std::string out;
  EXPECT_EQ(call_command(compare_command, {a, b, "--json"}, out), 0);
  std::vector<Json> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(Json::parse(line));
  ASSERT_EQ(lines.size(), 5u) << out;
  EXPECT_EQ(lines[0], (Json{{"context_differences", {{"compiler", {"gcc", "clang"}}}}}));
  EXPECT_EQ(lines[1]["kernel"], "matrix");
  EXPECT_EQ(lines[1]["same_digest"], true);
  EXPECT_DOUBLE_EQ(lines[1]["ratio"].get<double>(), 2.0);
  EXPECT_EQ(lines[1]["verdict"], "slower");
  EXPECT_EQ(lines[2], (Json{{"only_in", "A"}, {"kernel", "bisort"}, {"args", {"--size", "8"}}}));
  EXPECT_EQ(lines[3]["only_in"], "B");
  EXPECT_EQ(lines[4], (Json{{"geomean", 2.0}, {"pairs", 1}}));
  EXPECT_NEAR(lines[1]["p_value"].get<double>(), 0.1, 1e-12);  // 3 runs a side, all slower

  // Twice as slow is more than 50 % slower, with the whole interval above 1.5; not above 150 %.
  EXPECT_EQ(call_command(compare_command, {a, b, "--fail-slower", "50"}, out), 1);
  EXPECT_EQ(call_command(compare_command, {a, b, "--fail-slower", "150"}, out), 0);
  EXPECT_NE(out.find("geomean"), std::string::npos) << out;

  const std::string changed = dir.file("c", report("matrix", "00000000000000bc", 1.0, "gcc"));
  EXPECT_EQ(call_command(compare_command, {a, changed}, out), 1);
  EXPECT_NE(out.find("DIFFERS"), std::string::npos) << out;
  EXPECT_THROW(call_command(compare_command, {a, dir.file("empty", "\n{\"fit\": 1}\n")}, out),
               UsageError);
  EXPECT_THROW(call_command(compare_command, {a, dir.path("missing")}, out), UsageError);
  EXPECT_THROW(call_command(compare_command, {a}, out), UsageError);
}

// A counted report (`kernels run --count`) of bisort --size SIZE.
std::string counted(const std::string& size, std::uint64_t instructions, std::uint64_t misses) {
  return Json{{"kernel", "bisort"},
              {"args", {"--size", size}},
              {"seconds", {{"each", {1.0}}}},
              {"digest", "00000000000000aa"},
              {"memory", {{"peak_rss", 1 << 20}, {"reset", true}}},
              {"counts", {{"instructions", instructions}, {"l1d_misses", misses}}}}
      .dump();
}

TEST(Compare, FailMoreFailsOnACountThatRoseAndNamesThePair) {
  const ScratchDir dir;
  const std::string base = counted("8", 1000000, 100) + "\n" + counted("64", 5000000, 400) + "\n";
  const std::string a = dir.file("a", base), same = dir.file("same", base);
  // One planted rise: 64's instructions up 2.5 %, its misses down; 8's misses up 50 %.
  const std::string b =
      dir.file("b", counted("8", 1000000, 150) + "\n" + counted("64", 5125000, 300) + "\n");
  std::string out;
  EXPECT_EQ(call_command(compare_command, {a, same, "--fail-more", "2"}, out), 0);
  EXPECT_EQ(call_command(compare_command, {a, b, "--fail-more", "2"}, out), 1);
  EXPECT_EQ(call_command(compare_command, {a, b, "--fail-more", "3"}, out), 0);
  EXPECT_EQ(call_command(compare_command,
                         {a, b, "--fail-more", "40", "--fail-more-on", "l1d_misses"}, out),
            1);
  int counted_pairs = 0;
  EXPECT_EQ(risen_pairs(compare_reports(read_saved_runs(a, "t"), read_saved_runs(b, "t")),
                        "instructions", 2, counted_pairs),
            std::vector<std::string>{"bisort --size 64"});
  EXPECT_EQ(counted_pairs, 2);
  // Each count's exact ratio, in JSON and in the text's second table.
  EXPECT_EQ(call_command(compare_command, {a, b, "--json"}, out), 0);
  const Json pair = Json::parse(out.substr(0, out.find('\n')));
  EXPECT_DOUBLE_EQ(pair["counts"]["l1d_misses"]["ratio"].get<double>(), 1.5);
  EXPECT_EQ(pair["counts"]["instructions"]["b"], 1000000);
  EXPECT_DOUBLE_EQ(pair["peak_rss"]["ratio"].get<double>(), 1.0);
  EXPECT_EQ(call_command(compare_command, {a, b}, out), 0);
  EXPECT_NE(out.find("counts B/A"), std::string::npos) << out;
  EXPECT_NE(out.find("1.0250"), std::string::npos) << out;
  // Without counts on both sides there is nothing to gate on: a usage error, not a pass.
  const std::string timed = dir.file("t", report("bisort", "00000000000000aa", 1.0, "gcc"));
  EXPECT_THROW(call_command(compare_command, {timed, timed, "--fail-more", "2"}, out), UsageError);
  EXPECT_THROW(call_command(compare_command, {a, b, "--fail-more-on", "seconds"}, out), UsageError);
}

}  // namespace
}  // namespace kernels::runner
