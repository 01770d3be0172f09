#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/verify/verify.h"
#include "results/known_results.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

// A quick built-in case: the 7 x 13 transpose.
KnownCase transpose_case() {
  for (KnownCase& c : parse_known_results(builtin_known_results(), "table"))
    if (c.kernel == "transpose" &&
        c.args == std::vector<std::string>{"--rows", "7", "--cols", "13"})
      return c;
  ADD_FAILURE() << "no 7 x 13 transpose case";
  return {};
}

TEST(Verify, APlantedWrongDigestOrFigureFails) {
  const ScratchDir dir;
  KnownCase c = transpose_case();
  EXPECT_TRUE(check_case(c, dir.root().string()).pass());

  KnownCase wrong = c;
  wrong.digest[15] = wrong.digest[15] == '0' ? '1' : '0';
  CaseResult r = check_case(wrong, dir.root().string());
  ASSERT_FALSE(r.pass());
  EXPECT_EQ(r.actual, c.digest);
  EXPECT_EQ(r.problems.front(), "expected " + wrong.digest + " actual " + c.digest);

  KnownCase figure = c;
  figure.summary["rows"] = 8;
  r = check_case(figure, dir.root().string());
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0], "summary rows: expected 8 actual 7");

  KnownCase bad = c;
  bad.args = {"--rows", "0"};
  EXPECT_FALSE(check_case(bad, dir.root().string()).pass());
}

TEST(Verify, ATableRecordedByThisBuildVerifiesAndFixesAPlantedDigest) {
  const ScratchDir dir;
  KnownCase wrong = transpose_case();
  const std::string right = wrong.digest;
  wrong.digest = "0123456789abcdef";
  const std::string planted = dir.file("planted.jsonl", known_case_json(wrong).dump() + "\n");
  const std::string recorded = dir.path("recorded.jsonl");
  std::string out;
  EXPECT_EQ(call_command(verify_command, {"--results", planted, "--record", recorded}, out), 1);
  EXPECT_EQ(out, "FAIL  transpose --rows 7 --cols 13  expected 0123456789abcdef actual " + right +
                     "\n0 passed, 1 failed\n");

  EXPECT_EQ(call_command(verify_command, {"--results", recorded}, out), 0) << out;
  EXPECT_EQ(out, "PASS  transpose --rows 7 --cols 13\n1 passed, 0 failed\n");
  EXPECT_EQ(call_command(verify_command, {"--results", recorded, "--json"}, out), 0);
  std::istringstream lines(out);
  std::string first, last;
  std::getline(lines, first);
  std::getline(lines, last);
  const Json j = Json::parse(first);
  EXPECT_EQ(j["actual"], right);
  EXPECT_EQ(j["pass"], true);
  EXPECT_EQ(Json::parse(last), (Json{{"passed", 1}, {"failed", 0}}));
}

}  // namespace
}  // namespace kernels::runner
