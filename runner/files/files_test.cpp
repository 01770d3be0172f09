#include "files/files.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(Interrupt, SIGTERMRemovesScratchFoldersWithTheirFilesAndTemporaryFiles) {
  const ScratchDir outer;  // the child's TMPDIR and the folder of its record
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setenv("TMPDIR", outer.root().c_str(), 1);
    // Left to the signal: nothing here is destroyed.
    const auto* scratch = new ScratchDir("child");
    scratch->file("input.txt", "abab");
    write_file_whole(scratch->path("written.bin"), "x");
    auto* record = new WholeFile(outer.path("record"));
    record->write("partial");
    ::raise(SIGTERM);
    ::_exit(0);  // not reached when the handler ends the process as the signal would
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
  std::string left;
  for (const auto& e : std::filesystem::directory_iterator(outer.root()))
    left += e.path().filename().string() + " ";
  EXPECT_EQ(left, "");
}

}  // namespace
}  // namespace kernels::runner
