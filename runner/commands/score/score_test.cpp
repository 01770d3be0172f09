#include "commands/score/score.h"

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/scratch_dir.h"

namespace kernels::runner {
namespace {

TEST(Score, GeometricMeanAndStandardDeviation) {
  // ln 1 and ln 4 lie ln 2 either side of ln 2: GM 2, GSD 2.
  const GeometricSummary g = geometric_summary({1.0, 4.0});
  EXPECT_DOUBLE_EQ(g.mean, 2.0);
  EXPECT_DOUBLE_EQ(g.gsd, 2.0);
  const GeometricSummary same = geometric_summary({3.0, 3.0, 3.0});
  EXPECT_DOUBLE_EQ(same.mean, 3.0);
  EXPECT_DOUBLE_EQ(same.gsd, 1.0);
  // exp(mean of ln² of 1/2, 1, 2 around GM 1) = exp(ln 2 · sqrt(2/3)).
  EXPECT_NEAR(geometric_summary({0.5, 1.0, 2.0}).gsd, std::exp(std::log(2.0) * std::sqrt(2.0 / 3)),
              1e-12);
}

std::string line(const std::string& args, const std::string& digest, double seconds) {
  return R"({"kernel": "bisort", "args": [)" + args + R"(], "seconds": {"each": [)" +
         std::to_string(seconds) + R"(]}, "digest": )" + digest + "}\n";
}

TEST(Score, ScoresValidRunsAndRefusesAWrongDigest) {
  const ScratchDir dir;
  const std::string known = "\"d06d0089ed510985\"", other = "\"00000000000000aa\"";
  const std::string reference =
      dir.file("ref", line(R"("--size", "8")", known, 4.0) + line(R"("--size", "9")", other, 1.0) +
                          line(R"("--size", "10")", other, 1.0));
  // Twice and eight times as fast; one job only here, one only in the reference.
  const std::string runs =
      dir.file("runs", line(R"("--size", "8")", known, 2.0) +
                           line(R"("--size", "9")", other, 0.125) + line("", other, 1.0));
  std::ostringstream out;
  EXPECT_EQ(score_command({runs, "--reference", reference, "--json"}, out), 0);
  std::vector<Json> lines;
  std::istringstream in(out.str());
  for (std::string l; std::getline(in, l);) lines.push_back(Json::parse(l));
  ASSERT_EQ(lines.size(), 5u) << out.str();
  EXPECT_EQ(lines[0]["ratio"], 2.0);
  EXPECT_EQ(lines[0]["valid"], true);
  EXPECT_TRUE(lines[2]["ratio"].is_null());  // not in the reference: listed, not scored
  EXPECT_TRUE(lines[3]["median"].is_null());
  EXPECT_DOUBLE_EQ(lines[4]["score"].get<double>(), 4.0);
  EXPECT_DOUBLE_EQ(lines[4]["gsd"].get<double>(), 2.0);
  EXPECT_DOUBLE_EQ(lines[4]["low"].get<double>(), 2.0);
  EXPECT_DOUBLE_EQ(lines[4]["high"].get<double>(), 8.0);

  // The same digest on both sides, but not the known one for bisort --size 8: invalid.
  const std::string planted = dir.file("planted", line(R"("--size", "8")", other, 2.0));
  const std::string planted_ref = dir.file("planted_ref", line(R"("--size", "8")", other, 2.0));
  out.str("");
  EXPECT_EQ(score_command({planted, "--reference", planted_ref}, out), 1);
  EXPECT_NE(out.str().find("no score"), std::string::npos) << out.str();
  // A digest that differs from the reference's: invalid too.
  EXPECT_EQ(score_command({dir.file("differs", line(R"("--size", "9")", known, 1.0)), "--reference",
                           reference, "--json"},
                          out),
            1);
  EXPECT_THROW(
      score_command(
          {dir.file("none", line(R"("--size", "11")", known, 1.0)), "--reference", reference}, out),
      UsageError);
}

}  // namespace
}  // namespace kernels::runner
