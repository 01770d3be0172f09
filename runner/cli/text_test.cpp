#include "cli/text.h"

#include <gtest/gtest.h>

namespace kernels::runner {
namespace {

TEST(Text, DurationsRatesAndArgsAsPeopleReadThem) {
  EXPECT_EQ(duration_text(0), "0 ns");
  EXPECT_EQ(duration_text(5e-7), "500 ns");
  EXPECT_EQ(duration_text(4.6123e-3), "4.612 ms");
  EXPECT_EQ(duration_text(1.5), "1.5 s");
  EXPECT_EQ(throughput(12345678, "values"), "12.3 M values/s");
  EXPECT_EQ(args_text({"--terms", "", "-a"}), "--terms '' -a");
  EXPECT_EQ(args_text({}), "");
}

}  // namespace
}  // namespace kernels::runner
