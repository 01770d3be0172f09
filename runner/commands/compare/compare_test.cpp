#include "commands/compare/compare.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testing/test_support.h"

namespace kernels::runner {
namespace {

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
