#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "job/driver_args.h"

namespace kernels::runner {
namespace {

TEST(DriverArgs, BuildsANullTerminatedVector) {
  DriverArgs d("job", {"a", "bc"});
  ASSERT_EQ(d.argc(), 3);
  EXPECT_STREQ(d.argv()[0], "job");
  EXPECT_STREQ(d.argv()[2], "bc");
  EXPECT_EQ(d.argv()[3], nullptr);

  DriverArgs big = DriverArgs::of_count("job", 5);
  ASSERT_EQ(big.argc(), 5);
  EXPECT_STREQ(big.argv()[4], "");
  EXPECT_EQ(big.argv()[5], nullptr);
  EXPECT_EQ(DriverArgs::of_count("job", 1).argc(), 1);
  EXPECT_EQ(DriverArgs::of_count("job", 0).argc(), 1);

  // A copy (or a moved-from-then-assigned vector) points into its own texts.
  DriverArgs copy = d;
  d = DriverArgs("other", {"z"});
  ASSERT_EQ(copy.argc(), 3);
  EXPECT_STREQ(copy.argv()[0], "job");
  EXPECT_STREQ(copy.argv()[1], "a");
  DriverArgs moved = std::move(copy);
  EXPECT_STREQ(moved.argv()[2], "bc");
}

}  // namespace
}  // namespace kernels::runner
