#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "job/digest.h"
#include "job/job.h"
#include "report/report.h"
#include "run/run_plan.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

namespace fs = std::filesystem;

TEST(ArithCoderJob, MissingDirectoryOrEmptyInputIsAUsageError) {
  const ScratchDir dir;
  for (const std::string& path :
       {dir.path("no such file"), dir.root().string(), dir.file("empty", "")}) {
    EXPECT_THROW(configure_job("arith-coder", {"--input", path}), UsageError) << path;
  }
  EXPECT_THROW(configure_job("arith-coder", {"--input="}), UsageError);
}

// One byte 'A' and the end of input, each with a share of 1 in 2: 'A' owns the upper half and
// settles a 1, the end of input the lower half and settles a 0, and the end settles 0 then 1.
TEST(ArithCoderJob, OneByteFileCodesToFourKnownBits) {
  const ScratchDir dir;
  auto job = configure_job("arith-coder", {"--input", dir.file("one_byte", "A")});
  const Report r = run_job("arith-coder", *job, 1);
  EXPECT_EQ(r.calls["output_bit"], 4);
  EXPECT_EQ(r.summary["bytes"], 1);
  EXPECT_EQ(r.summary["total"], 2);
  EXPECT_EQ(r.summary["bits"], 4);
  EXPECT_DOUBLE_EQ(r.summary["ideal_bits"].get<double>(), 2.0);
  EXPECT_EQ(r.summary["low"], 0);
  EXPECT_EQ(r.summary["high"], 0xffff);
  EXPECT_EQ(r.summary["bits_to_follow"], 0);
  Fnv1a bits;
  for (std::uint8_t b : {1, 0, 0, 1}) bits.u8(b);
  EXPECT_EQ(r.digest, bits.value());
}

TEST(ArithCoderJob, DefaultInputCodesCloseToItsIdealSizeTheSameEveryRun) {
  auto job = configure_job("arith-coder", {});
  const Report first = run_job("arith-coder", *job, 1);
  const Report second = run_job("arith-coder", *job, 2);
  EXPECT_EQ(first.digest, second.digest);
  EXPECT_EQ(first.summary, second.summary);

  const double bits = first.summary["bits"].get<double>();
  const double ideal = first.summary["ideal_bits"].get<double>();
  EXPECT_EQ(first.summary["bytes"], 246 * 1024);
  EXPECT_LE(first.summary["total"], 16383);
  EXPECT_GT(bits, ideal - 2);
  EXPECT_LT(bits, ideal * 1.001 + 16);
  const int low = first.summary["low"], high = first.summary["high"];
  EXPECT_TRUE(low < 0x8000 && 0x8000 <= high && high <= 0xffff);
  EXPECT_EQ(first.summary["bits_to_follow"], 0);
}

}  // namespace
}  // namespace kernels::runner
