#include "input_file.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "job.h"
#include "test_support.h"

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
}

}  // namespace
}  // namespace kernels::runner
