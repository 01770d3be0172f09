#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/verify/case_input.h"
#include "commands/verify/known_results.h"
#include "commands/verify/verify.h"
#include "core/test_support.h"

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

TEST(Verify, ATableThatDoesNotParseIsAUsageErrorNamingItsLine) {
  const std::string good = R"({"kernel": "transpose", "args": [], "digest": "0123456789abcdef"})";
  EXPECT_EQ(parse_known_results("\n" + good + "\n\n", "t").size(), 1u);
  for (const std::string& bad : std::vector<std::string>{
           "{", R"({"kernel": "nosuch", "args": [], "digest": "0123456789abcdef"})",
           R"({"kernel": "transpose", "args": [], "digest": "0123456789ABCDEF"})",
           R"({"kernel": "transpose", "args": "x", "digest": "0123456789abcdef"})",
           R"({"kernel": "transpose", "digest": "0123456789abcdef"})"}) {
    try {
      parse_known_results(good + "\n" + bad, "t");
      ADD_FAILURE() << bad;
    } catch (const UsageError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("t:2: ", 0), 0u) << e.what();
    }
  }
}

TEST(CaseInput, WritesLittleEndianValuesAndRefusesBadDescriptions) {
  EXPECT_EQ(case_input_bytes(Json{{"name", "x"}, {"int32", {1, -2}}}),
            (std::vector<std::uint8_t>{1, 0, 0, 0, 0xfe, 0xff, 0xff, 0xff}));
  EXPECT_EQ(case_input_bytes(Json{{"name", "x"}, {"text", "ab"}}),
            (std::vector<std::uint8_t>{'a', 'b'}));
  for (const Json& bad : {Json{{"text", "a"}}, Json{{"name", "x"}},
                          Json{{"name", "x"}, {"text", "a"}, {"int32", {1}}},
                          Json{{"name", "x"}, {"int32", {4294967296LL}}},
                          Json{{"name", "x"}, {"sample_pyramid", {16, 16, 4}}},
                          Json{{"name", "x"}, {"generate", "nosuch"}, {"length", 3}},
                          Json{{"name", "x"}, {"generate", "text"}, {"length", 0}}})
    EXPECT_THROW(case_input_bytes(bad), UsageError) << bad.dump();
  const ScratchDir dir;
  EXPECT_THROW(write_case_input(Json{{"name", "../x"}, {"text", "a"}}, dir.root().string()),
               UsageError);
}

}  // namespace
}  // namespace kernels::runner
