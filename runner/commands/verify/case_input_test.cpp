#include "commands/verify/case_input.h"

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "files/scratch_dir.h"

namespace kernels::runner {
namespace {

TEST(CaseInput, WritesLittleEndianValuesAndRefusesBadDescriptions) {
  EXPECT_EQ(case_input_bytes(Json{{"name", "x"}, {"int32", {1, -2}}}),
            (std::vector<std::uint8_t>{1, 0, 0, 0, 0xfe, 0xff, 0xff, 0xff}));
  EXPECT_EQ(case_input_bytes(Json{{"name", "x"}, {"text", "ab"}}),
            (std::vector<std::uint8_t>{'a', 'b'}));
  for (const Json& bad : {Json{{"text", "a"}}, Json{{"name", "x"}},
                          Json{{"name", "x"}, {"text", "a"}, {"int32", {1}}},
                          Json{{"name", "x"}, {"int32", {4294967296LL}}},
                          Json{{"name", "x"}, {"sample_pyramid", {16, 16, 4}}},
                          Json{{"name", "x"}, {"generate", "nosuch"}, {"length", 3}},
                          Json{{"name", "x"}, {"generate", "text"}, {"length", 0}}})
    EXPECT_THROW(case_input_bytes(bad), UsageError) << bad.dump();
  const ScratchDir dir;
  EXPECT_THROW(write_case_input(Json{{"name", "../x"}, {"text", "a"}}, dir.root().string()),
               UsageError);
}

}  // namespace
}  // namespace kernels::runner
