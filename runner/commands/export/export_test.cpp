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

}  // namespace
}  // namespace kernels::runner
