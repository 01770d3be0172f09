#include <cstdint>
#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "kernels/shell/shell.h"

namespace kernels::shell {
namespace {

bool all_zero(const void* p, std::size_t n) {
  const auto* b = static_cast<const unsigned char*>(p);
  for (std::size_t i = 0; i < n; ++i)
    if (b[i] != 0) return false;
  return true;
}

TEST(Arena, HandsOutZeroedAlignedDistinctStorageAndCountsIt) {
  arena_reset();
  std::set<void*> seen;
  for (std::size_t size : {0u, 1u, 3u, 24u, 100u, 2400u, 70000u}) {
    for (std::size_t align : {1u, 8u, 16u, 64u}) {
      void* p = arena_allocate(size, align);
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % align, 0u);
      EXPECT_TRUE(all_zero(p, size));
      EXPECT_TRUE(seen.insert(p).second) << "address handed out twice";
      std::memset(p, 0xAB, size);
    }
  }
  ArenaStats s = arena_stats();
  EXPECT_EQ(s.records, 28u);
  EXPECT_EQ(s.bytes, 4u * (0 + 1 + 3 + 24 + 100 + 2400 + 70000));
}

TEST(Arena, ResetZeroesReusedStorageAndTheCounters) {
  arena_reset();
  auto* first = arena_new<std::int64_t>(1000);
  for (int i = 0; i < 1000; ++i) first[i] = -1;
  arena_reset();
  EXPECT_EQ(arena_stats().records, 0u);
  EXPECT_EQ(arena_stats().bytes, 0u);
  auto* again = arena_new<std::int64_t>(1000);
  EXPECT_EQ(again, first) << "a reset run reuses the same memory";
  EXPECT_TRUE(all_zero(again, 1000 * sizeof(std::int64_t)));
}

TEST(Arena, LargeRecordsSpanChunksAndStayIntact) {
  arena_reset();
  const std::size_t big = (std::size_t{1} << 20) * 3 + 5;
  auto* a = static_cast<unsigned char*>(arena_allocate(big));
  auto* b = static_cast<unsigned char*>(arena_allocate(big));
  EXPECT_TRUE(all_zero(a, big));
  EXPECT_TRUE(all_zero(b, big));
  std::memset(a, 1, big);
  std::memset(b, 2, big);
  EXPECT_EQ(a[big - 1], 1);
  EXPECT_EQ(b[0], 2);
  arena_reset();
  auto* again = static_cast<unsigned char*>(arena_allocate(big));
  EXPECT_EQ(again, a) << "a large record's chunk is kept for the next run";
  EXPECT_TRUE(all_zero(again, big));
  arena_reset();
}

TEST(ArenaDeathTest, ImpossibleRequestEndsWithAMessage) {
  // The dying child is started afresh rather than forked: a fork of a process with threads (as
  // every program under qemu-user is) can hang before the statement runs.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(arena_allocate(static_cast<std::size_t>(-1)), "run arena cannot provide");
  EXPECT_DEATH(arena_new<double>(static_cast<std::size_t>(-1) / 4), "run arena cannot provide");
}

}  // namespace
}  // namespace kernels::shell
