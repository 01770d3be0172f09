#include "commands/export/formats.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/export/export.h"

namespace kernels::runner {
namespace {

// Two jobs of one kernel and a job of another: bisort --size 8 has the known digest for its
// args, bisort --size 1024 a wrong one.
// Two jobs of one kernel and a job of another: bisort --size 8 has the known digest for its
// args, bisort --size 1024 a wrong one.
std::vector<SavedRun> sample() {
  const std::string text =
      R"({"kernel": "bisort", "args": ["--size", "8"], "seconds": {"each": [0.375, 0.125, 0.25]},)"
      R"( "digest": "d06d0089ed510985", "work": {"n": 8, "unit": "values"},)"
      R"( "context": {"host": "box", "compiler": "gcc 12.2.0", "cpus": 2, "cpu": "Some CPU",)"
      R"( "date": "2026-12-09T13:04:05Z", "build_type": "Release", "version": "0.1.0",)"
      R"( "flags": "-O3", "binary_hash": "00112233445566ff"},)"
      R"( "code_size": {"text": 4096, "rodata": 64, "data": 8, "bss": 0}, "compile_seconds": 1.5})"
      "\n"
      R"({"kernel": "bisort", "args": ["--size", "1024"], "seconds": {"each": [1.5]},)"
      R"( "digest": "0000000000000000", "context": {"date": "2026-12-09T13:04:09Z"}})"
      "\n"
      R"({"kernel": "matrix", "args": ["--label", "a,\"b\"|c"], "seconds": {"each": [2e-7]},)"
      R"( "digest": null})";
  return parse_saved_runs(text, "runs.json", "export");
}

TEST(ExportFormats, GbenchHasWhatCompareDotPyReads) {
  const Json j = Json::parse(gbench_json(sample()));
  for (const char* key : {"date", "host_name", "num_cpus", "library_build_type"})
    EXPECT_TRUE(j["context"].contains(key)) << key;
  EXPECT_EQ(j["context"]["host_name"], "box");
  EXPECT_EQ(j["context"]["compiler"], "gcc 12.2.0");  // our own keys, as strings
  EXPECT_EQ(j["context"]["cpus"], "2");
  EXPECT_EQ(j["context"]["binary_hash"], "00112233445566ff");
  EXPECT_EQ(j["context"]["text_bytes.bisort --size 8"], "4096");
  const Json& b = j["benchmarks"];
  ASSERT_EQ(b.size(), 3u + 4 + 1 + 4 + 1 + 4);
  EXPECT_EQ(b[0]["name"], "bisort --size 8");
  EXPECT_EQ(b[0]["run_type"], "iteration");
  EXPECT_EQ(b[2]["repetition_index"], 2);
  EXPECT_EQ(b[2]["repetitions"], 3);
  EXPECT_EQ(b[2]["iterations"], 1);
  EXPECT_EQ(b[2]["time_unit"], "ns");
  EXPECT_DOUBLE_EQ(b[2]["real_time"].get<double>(), 2.5e8);
  EXPECT_DOUBLE_EQ(b[2]["cpu_time"].get<double>(), 2.5e8);
  EXPECT_EQ(b[2]["label"], "d06d0089ed510985");
  const char* aggregates[] = {"mean", "median", "stddev", "cv"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(b[3 + i]["name"], std::string("bisort --size 8_") + aggregates[i]);
    EXPECT_EQ(b[3 + i]["run_type"], "aggregate");
    EXPECT_EQ(b[3 + i]["aggregate_name"], aggregates[i]);
  }
  EXPECT_DOUBLE_EQ(b[4]["real_time"].get<double>(), 2.5e8);  // the median
  EXPECT_DOUBLE_EQ(b[6]["real_time"].get<double>(), 0.5);    // cv: stddev 125 ms over mean 250 ms
  // One family per kernel, one instance per arg list within it.
  EXPECT_EQ(b[7]["family_index"], 0);
  EXPECT_EQ(b[7]["per_family_instance_index"], 1);
  EXPECT_EQ(b[12]["family_index"], 1);
  EXPECT_EQ(b[12]["per_family_instance_index"], 0);
  EXPECT_FALSE(b[12].contains("label"));  // no digest
}

TEST(ExportFormats, BencherMetricFormat) {
  const Json j = Json::parse(bmf_json(sample()));
  const Json& latency = j["bisort --size 8"]["latency"];
  EXPECT_DOUBLE_EQ(latency["value"].get<double>(), 2.5e8);
  EXPECT_DOUBLE_EQ(latency["lower_value"].get<double>(), 1.25e8);
  EXPECT_DOUBLE_EQ(latency["upper_value"].get<double>(), 3.75e8);
  const Json& throughput = j["bisort --size 8"]["throughput"];
  EXPECT_DOUBLE_EQ(throughput["value"].get<double>(), 32.0);  // 8 values per 250 ms
  EXPECT_DOUBLE_EQ(throughput["lower_value"].get<double>(), 8 / 0.375);
  EXPECT_DOUBLE_EQ(throughput["upper_value"].get<double>(), 64.0);
  EXPECT_FALSE(j["bisort --size 1024"].contains("throughput"));  // no work told
  EXPECT_EQ(j["bisort --size 8"]["text-bytes"]["value"], 4096);
  EXPECT_EQ(j["bisort --size 8"]["compile-seconds"]["value"], 1.5);
  EXPECT_FALSE(j["bisort --size 1024"].contains("text-bytes"));
}

TEST(ExportFormats, GithubActionBenchmarkCustomSmallerIsBetter) {
  const Json j = Json::parse(github_json(sample()));
  ASSERT_TRUE(j.is_array());
  ASSERT_EQ(j.size(), 3u);
  EXPECT_EQ(j[0]["name"], "bisort --size 8");
  EXPECT_EQ(j[0]["unit"], "ns");
  EXPECT_DOUBLE_EQ(j[0]["value"].get<double>(), 2.5e8);
  EXPECT_EQ(j[0]["range"], "± 125000000");
  const std::string extra = j[0]["extra"];
  EXPECT_NE(extra.find("runs 3"), std::string::npos) << extra;
  EXPECT_NE(extra.find("d06d0089ed510985"), std::string::npos) << extra;
  EXPECT_NE(extra.find("gcc 12.2.0"), std::string::npos) << extra;
}

TEST(ExportFormats, LntReportFormatVersion2) {
  const Json j = Json::parse(lnt_json(sample(), ""));
  EXPECT_EQ(j["format_version"], "2");
  // The machine is the host alone; the build is the run's.
  EXPECT_EQ(j["machine"], (Json{{"name", "box"}, {"hardware", "Some CPU"}, {"cpus", "2"}}));
  const Json& run = j["run"];
  EXPECT_EQ(run["start_time"], "2026-12-09T13:04:05");
  EXPECT_EQ(run["end_time"], "2026-12-09T13:04:09");
  EXPECT_EQ(run["llvm_project_revision"], "2026-12-09T13:04:05");
  for (const char* key : {"version", "compiler", "build_type", "flags", "binary_hash"})
    EXPECT_TRUE(run.contains(key)) << key;
  EXPECT_EQ(run["digest.kernels.bisort --size 8"], "d06d0089ed510985");
  EXPECT_FALSE(run.contains("digest.kernels.matrix --label a,\"b\"|c"));  // none to give
  EXPECT_EQ(Json::parse(lnt_json(sample(), "1234"))["run"]["llvm_project_revision"], "1234");
  const Json& t = j["tests"];
  EXPECT_EQ(t[0]["name"], "kernels.bisort --size 8");
  EXPECT_EQ(t[0]["execution_time"], (Json{0.375, 0.125, 0.25}));
  EXPECT_EQ(t[0]["hash"], "00112233445566ff");  // the binary's, not the digest
  EXPECT_EQ(t[0]["execution_status"], 0);
  EXPECT_EQ(t[0]["compile_time"], 1.5);
  EXPECT_EQ(t[0]["code_size"], 4096);
  EXPECT_EQ(t[1]["execution_status"], 1);  // not the known digest of bisort --size 1024
  EXPECT_FALSE(t[1].contains("hash"));     // its context has no binary hash
  EXPECT_EQ(t[2]["execution_status"], 0);  // no digest (--no-observe) is not a failure
  // Only the fields of LNT's default test suite.
  for (const Json& test : t)
    for (auto it = test.begin(); it != test.end(); ++it)
      EXPECT_TRUE(it.key() == "name" || it.key() == "execution_time" || it.key() == "hash" ||
                  it.key() == "execution_status" || it.key() == "compile_time" ||
                  it.key() == "code_size")
          << it.key();
}

TEST(ExportFormats, LntRefusesOrdersThatDoNotSort) {
  for (const char* order : {"9fceb02", "9FCEB02A", "deadbeef1", "HEAD", "main"})
    EXPECT_THROW(lnt_json(sample(), order), UsageError) << order;
  for (const char* order : {"1234", "2026-12-10", "1.2.3", "v0.1.0-42", "r123"})
    EXPECT_NO_THROW(lnt_json(sample(), order)) << order;
  std::ostringstream out;
  EXPECT_THROW(export_command({"lnt", "no-such-file.json", "--order", "9fceb02"}, out), UsageError);
}

TEST(ExportFormats, NanosecondsAreWhole) {
  // A median of two runs that falls between two nanoseconds.
  const std::vector<SavedRun> r = parse_saved_runs(
      R"({"kernel": "matrix", "args": [], "seconds": {"each": [0.0034037, 0.0034037000000001]},)"
      R"( "digest": null})",
      "runs.json", "export");
  const Json g = Json::parse(gbench_json(r));
  EXPECT_TRUE(g["benchmarks"][3]["real_time"].is_number_integer()) << g["benchmarks"][3];
  EXPECT_EQ(g["benchmarks"][3]["real_time"], 3403700);
  EXPECT_EQ(Json::parse(bmf_json(r))["matrix"]["latency"]["value"], 3403700);
  EXPECT_EQ(Json::parse(github_json(r))[0]["value"], 3403700);
}

TEST(ExportFormats, CsvQuotesWhatNeedsQuoting) {
  const std::string csv = csv_text(sample());
  std::istringstream in(csv);
  std::string header, first;
  std::getline(in, header);
  std::getline(in, first);
  EXPECT_EQ(header,
            "kernel,args,runs,median,mean,stddev,min,max,work_n,work_unit,digest,host,compiler,"
            "cpus,cpu,date,build_type,version,flags,binary_hash\r");
  EXPECT_EQ(first.substr(0, first.find(",box")),
            "bisort,--size 8,3,0.25,0.25,0.125,0.125,0.375,8.0,values,d06d0089ed510985");
  EXPECT_NE(csv.find("\r\nmatrix,\"--label a,\"\"b\"\"|c\",1,"), std::string::npos) << csv;
}

TEST(ExportFormats, MarkdownTableInEachRowsUnit) {
  const std::string md = markdown_table(sample());
  EXPECT_EQ(md.substr(0, md.find('\n')), "| Job | Median [unit] | Mean ± σ | Min … Max | Digest |");
  EXPECT_NE(md.find("| bisort --size 8 | 250.000 [ms] | 250.000 ± 125.000 | 125.000 … 375.000 | "
                    "`d06d0089ed510985` |"),
            std::string::npos)
      << md;
  EXPECT_NE(md.find("| 1.500 [s] |"), std::string::npos) << md;
  EXPECT_NE(md.find("a,\"b\"\\|c | 200.000 [ns] |"), std::string::npos) << md;
}

}  // namespace
}  // namespace kernels::runner
