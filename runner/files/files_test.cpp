#include "files/files.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "job/job.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

TEST(ReadInputFile, ARegularFileOverTheLimitIsRefusedUnread) {
  ScratchDir dir;
  const std::string path = dir.file("large", "x");
  const std::size_t limit = std::size_t{1} << 30;
  std::filesystem::resize_file(path, limit + 1);  // a hole after the "x": no disk taken
  if (!reset_peak_memory()) GTEST_SKIP() << "cannot reset the peak memory";
  const long before = peak_memory_kib();
  EXPECT_THROW(read_input_file("--input", path, limit), UsageError);
  EXPECT_LT(peak_memory_kib() - before, 32 * 1024);
  EXPECT_EQ(read_input_file("--input", dir.file("small", "abc"), 3).size(), 3u);
  EXPECT_THROW(read_file("--results", dir.path("missing")), UsageError);
  EXPECT_THROW(read_file("--results", dir.root().string()), UsageError);
}

// Only the file itself is in the directory: no temporary name is left behind.
bool alone(const ScratchDir& dir, const std::string& name) {
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.root()))
    entries += e.path().filename() == name ? 1 : 100;
  return entries == 1;
}

TEST(WholeFile, ReplacesTheTargetOnlyOnCommit) {
  ScratchDir dir;
  const std::string path = dir.file("out", "old");
  {
    WholeFile f(path);
    f.write("new ");
    EXPECT_EQ(read_file("out", path), "old");  // not yet
    f.write("bytes");
    f.commit();
  }
  EXPECT_EQ(read_file("out", path), "new bytes");
  EXPECT_TRUE(alone(dir, "out"));

  {
    WholeFile abandoned(path);  // as when the writer throws before its commit
    abandoned.write("partial");
  }
  EXPECT_EQ(read_file("out", path), "new bytes");
  EXPECT_TRUE(alone(dir, "out"));

  write_file_whole(dir.path("fresh"), "");
  EXPECT_EQ(read_file("fresh", dir.path("fresh")), "");
  try {
    write_file_whole(dir.path("no/such/folder"), "x");
    ADD_FAILURE() << "wrote into a folder that does not exist";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("cannot write " + dir.path("no/such/folder") + ": ", 0),
              0u)
        << e.what();
  }
}

}  // namespace
}  // namespace kernels::runner
