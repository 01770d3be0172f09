#include <algorithm>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "jobs/generated_input.h"

namespace kernels::runner {
namespace {

TEST(GeneratedInput, ShorterIsAPrefixOfLongerAndTextIsText) {
  for (const auto& [name, kind] : generated_kinds()) {
    const auto longer = generate_input(kind, 5000);
    const auto shorter = generate_input(kind, 1234);
    ASSERT_EQ(longer.size(), 5000u);
    EXPECT_TRUE(std::equal(shorter.begin(), shorter.end(), longer.begin())) << name;
  }
  for (std::uint8_t b : generate_input(Generated::kText, 20000))
    EXPECT_TRUE((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == ' ' || b == '.' ||
                b == '\n')
        << int(b);
  // Uniform bytes: every value turns up in 64 KiB, none more than twice its share.
  std::vector<int> seen(256);
  for (std::uint8_t b : generate_input(Generated::kRandom, 65536)) ++seen[b];
  for (int count : seen) EXPECT_TRUE(count > 0 && count < 512) << count;
}

}  // namespace
}  // namespace kernels::runner
