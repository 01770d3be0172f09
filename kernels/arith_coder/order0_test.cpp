#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/arith_coder/arith_coder.h"

namespace kernels::arith_coder {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<int> table_of(const Bytes& bytes) {
  std::vector<int> t(kOrder0TableSize, -1);
  order0_table(bytes.data(), bytes.size(), t.data());
  return t;
}

// Share of byte value b (symbol b + 1), and of the end of input.
int share(const std::vector<int>& t, int b) {
  return t[b] - t[b + 1];
}
int end_share(const std::vector<int>& t) {
  return t[kEndOfInput - 1] - t[kEndOfInput];
}

TEST(Order0Table, SmallInputsKeepTheirRawCounts) {
  const std::string text = "abca";
  const std::vector<int> t = table_of(Bytes(text.begin(), text.end()));
  EXPECT_EQ(t[0], 5);
  EXPECT_EQ(t[kEndOfInput], 0);
  EXPECT_EQ(share(t, 'a'), 2);
  EXPECT_EQ(share(t, 'b'), 1);
  EXPECT_EQ(share(t, 'c'), 1);
  EXPECT_EQ(end_share(t), 1);
  EXPECT_EQ(share(t, 0), 0);

  const std::vector<int> empty = table_of({});
  for (int s = 0; s < kEndOfInput; ++s) EXPECT_EQ(empty[s], 1) << s;
  EXPECT_EQ(empty[kEndOfInput], 0);
}

TEST(Order0Table, LargeInputsAreScaledKeepingEveryShare) {
  // 20001 bytes: T = 20002, k = 3 present symbols, so counts are scaled by 16380 / 20002.
  Bytes bytes(20000, 'a');
  bytes.push_back('b');
  const std::vector<int> t = table_of(bytes);
  EXPECT_EQ(share(t, 'a'), 16378);
  EXPECT_EQ(share(t, 'b'), 1);
  EXPECT_EQ(end_share(t), 1);
  EXPECT_EQ(t[0], 16380);
}

TEST(Order0Table, RandomInputsGiveValidTablesThatKeepTheOrderOfCounts) {
  std::mt19937 rng(5);
  for (int run = 0; run < 60; ++run) {
    const std::size_t size = rng() % (run % 2 == 0 ? 20000 : 300000);
    const int alphabet = 1 + static_cast<int>(rng() % 256);
    std::geometric_distribution<int> skew(0.02 + 0.3 * (rng() % 100) / 100.0);
    Bytes bytes(size);
    std::vector<std::uint64_t> count(256, 0);
    for (auto& b : bytes) ++count[b = static_cast<std::uint8_t>(skew(rng) % alphabet)];

    const std::vector<int> t = table_of(bytes);
    ASSERT_LE(t[0], kOrder0MaxTotal);
    ASSERT_EQ(t[kEndOfInput], 0);
    ASSERT_EQ(end_share(t), 1);
    int present = 1;
    for (int b = 0; b < 256; ++b) present += count[b] > 0 ? 1 : 0;
    // The scaled share, in plain 64-bit arithmetic: these counts are far too small to overflow.
    const bool scaled = size >= static_cast<std::size_t>(kOrder0MaxTotal);
    const std::uint64_t budget = static_cast<std::uint64_t>(kOrder0MaxTotal - present);
    for (int b = 0; b < 256; ++b) {
      ASSERT_EQ(share(t, b) > 0, count[b] > 0) << b;
      if (count[b] > 0) {
        const std::uint64_t want = scaled ? count[b] * budget / (size + 1) : count[b];
        ASSERT_EQ(share(t, b), static_cast<int>(want > 0 ? want : 1)) << b;
      }
      for (int c = 0; c < b; ++c) {
        if (count[c] < count[b]) {
          ASSERT_LE(share(t, c), share(t, b)) << c << " " << b;
        }
      }
    }
    // Scaling wastes at most one unit per present symbol.
    if (size >= static_cast<std::size_t>(kOrder0MaxTotal)) {
      ASSERT_GT(t[0], kOrder0MaxTotal - 2 * present);
    }
  }
}

}  // namespace
}  // namespace kernels::arith_coder
