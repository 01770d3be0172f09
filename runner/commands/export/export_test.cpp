#include "commands/export/export.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "files/files.h"
#include "files/scratch_dir.h"

namespace kernels::runner {
namespace {

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
