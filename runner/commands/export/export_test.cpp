#include "commands/export/export.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/export/formats.h"
#include "files/files.h"
#include "files/scratch_dir.h"

namespace kernels::runner {
namespace {

// Two jobs of one kernel and a job of another: bisort --size 8 has the known digest for its
// args, bisort --size 1024 a wrong one.
std::vector<SavedRun> sample() {
  const std::string text =
      R"({"kernel": "bisort", "args": ["--size", "8"], "seconds": {"each": [0.375, 0.125, 0.25]},)"
      R"( "digest": "d06d0089ed510985", "work": {"n": 8, "unit": "values"},)"
      R"( "context": {"host": "box", "compiler": "gcc 12.2.0", "cpus": 2, "cpu": "Some CPU",)"
      R"( "date": "2026-12-09T13:04:05Z", "build_type": "Release"}})"
      "\n"
      R"({"kernel": "bisort", "args": ["--size", "1024"], "seconds": {"each": [1.5]},)"
      R"( "digest": "0000000000000000", "context": {"date": "2026-12-09T13:04:09Z"}})"
      "\n"
      R"({"kernel": "matrix", "args": ["--label", "a,\"b\"|c"], "seconds": {"each": [2e-7]},)"
      R"( "digest": null})";
  return parse_saved_runs(text, "runs.json", "export");
}

TEST(Export, GbenchHasWhatCompareDotPyReads) {
  const Json j = Json::parse(gbench_json(sample()));
  for (const char* key : {"date", "host_name", "num_cpus", "library_build_type"})
    EXPECT_TRUE(j["context"].contains(key)) << key;
  EXPECT_EQ(j["context"]["host_name"], "box");
  EXPECT_EQ(j["context"]["compiler"], "gcc 12.2.0");  // our own keys, as strings
  EXPECT_EQ(j["context"]["cpus"], "2");
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

TEST(Export, BencherMetricFormat) {
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
}

TEST(Export, GithubActionBenchmarkCustomSmallerIsBetter) {
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

TEST(Export, LntReportFormatVersion2) {
  const Json j = Json::parse(lnt_json(sample(), ""));
  EXPECT_EQ(j["format_version"], "2");
  EXPECT_EQ(j["machine"]["name"], "box-gcc-12.2.0");
  EXPECT_EQ(j["machine"]["hardware"], "Some CPU");
  EXPECT_EQ(j["run"]["start_time"], "2026-12-09T13:04:05");
  EXPECT_EQ(j["run"]["end_time"], "2026-12-09T13:04:09");
  EXPECT_EQ(j["run"]["llvm_project_revision"], "2026-12-09T13:04:05");
  EXPECT_EQ(Json::parse(lnt_json(sample(), "r123"))["run"]["llvm_project_revision"], "r123");
  const Json& t = j["tests"];
  EXPECT_EQ(t[0]["name"], "kernels.bisort --size 8");
  EXPECT_EQ(t[0]["execution_time"], (Json{0.375, 0.125, 0.25}));
  EXPECT_EQ(t[0]["hash"], "d06d0089ed510985");
  EXPECT_EQ(t[0]["execution_status"], 0);
  EXPECT_EQ(t[1]["execution_status"], 1);  // not the known digest of bisort --size 1024
}

TEST(Export, CsvQuotesWhatNeedsQuoting) {
  const std::string csv = csv_text(sample());
  std::istringstream in(csv);
  std::string header, first;
  std::getline(in, header);
  std::getline(in, first);
  EXPECT_EQ(header,
            "kernel,args,runs,median,mean,stddev,min,max,work_n,work_unit,digest,host,compiler,"
            "cpus,cpu,date,build_type\r");
  EXPECT_EQ(first.substr(0, first.find(",box")),
            "bisort,--size 8,3,0.25,0.25,0.125,0.125,0.375,8.0,values,d06d0089ed510985");
  EXPECT_NE(csv.find("\r\nmatrix,\"--label a,\"\"b\"\"|c\",1,"), std::string::npos) << csv;
}

TEST(Export, MarkdownTableInEachRowsUnit) {
  const std::string md = markdown_table(sample());
  EXPECT_EQ(md.substr(0, md.find('\n')), "| Job | Median [unit] | Mean ± σ | Min … Max | Digest |");
  EXPECT_NE(md.find("| bisort --size 8 | 250.000 [ms] | 250.000 ± 125.000 | 125.000 … 375.000 | "
                    "`d06d0089ed510985` |"),
            std::string::npos)
      << md;
  EXPECT_NE(md.find("| 1.500 [s] |"), std::string::npos) << md;
  EXPECT_NE(md.find("a,\"b\"\\|c | 200.000 [ns] |"), std::string::npos) << md;
}

TEST(Export, CommandWritesOutWholeAndRefusesTwiceTheSameJob) {
  const ScratchDir dir;
  const std::string runs = dir.file("runs.json", R"({"kernel": "matrix", "args": [],)"
                                                 R"( "seconds": {"each": [1]}, "digest": null})");
  std::ostringstream out;
  EXPECT_EQ(export_command({"bmf", runs, "-o", dir.path("out.json")}, out), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_TRUE(Json::parse(read_file("test", dir.path("out.json"))).contains("matrix"));
  EXPECT_THROW(export_command({"csv", runs, runs}, out), UsageError);
  EXPECT_THROW(export_command({"yaml", runs}, out), UsageError);
  EXPECT_THROW(export_command({"csv", runs, "--order", "r1"}, out), UsageError);
}

TEST(Export, EveryFormatOfTheTableIsWrittenNamedAndHelped) {
  const ScratchDir dir;
  const std::string runs = dir.file("runs.json", R"({"kernel": "matrix", "args": [],)"
                                                 R"( "seconds": {"each": [1]}, "digest": null})");
  std::ostringstream help;
  EXPECT_EQ(export_command({"--help"}, help), 0);
  ASSERT_FALSE(export_formats().empty());
  for (const ExportFormat& f : export_formats()) {
    EXPECT_EQ(find_export_format(f.name), &f);
    EXPECT_NE(export_format_names().find(f.name), std::string::npos) << f.name;
    EXPECT_NE(help.str().find(std::string(f.name) + " (" + f.help + ")"), std::string::npos)
        << f.name;
    std::ostringstream out;
    EXPECT_EQ(export_command({f.name, runs}, out), 0) << f.name;
    EXPECT_EQ(out.str(), export_document(f.name, read_saved_runs(runs, "export"), ""));
    EXPECT_EQ(f.json, !Json::parse(out.str(), nullptr, false).is_discarded()) << f.name;
    if (f.takes_order)
      EXPECT_EQ(export_command({f.name, runs, "--order", "r1"}, out), 0) << f.name;
    else
      EXPECT_THROW(export_command({f.name, runs, "--order", "r1"}, out), UsageError) << f.name;
  }
  EXPECT_EQ(find_export_format("yaml"), nullptr);
  try {
    export_command({"yaml", runs}, help);
    ADD_FAILURE() << "an unknown format was accepted";
  } catch (const UsageError& e) {
    EXPECT_NE(std::string(e.what()).find(export_format_names()), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace kernels::runner
