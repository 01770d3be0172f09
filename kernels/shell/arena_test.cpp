#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "kernels/shell/arena.h"

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

// What the failure handler of the tests throws: the request it was given.
struct Refused {
  std::size_t bytes;
};
void refuse(std::size_t bytes) {
  throw Refused{bytes};
}
std::size_t refused_bytes(std::size_t bytes) {
  try {
    arena_allocate(bytes);
  } catch (const Refused& r) {
    return r.bytes;
  }
  return 0;
}

TEST(Arena, RequestsPastTheLimitGoToTheHandlerAndTheArenaServesOn) {
  arena_reset();
  arena_reset();  // the second reset gives back every chunk: the arena holds nothing
  const ArenaFailureHandler previous = set_arena_failure_handler(&refuse);
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  set_arena_limit(4 * kMiB);
  auto* small = static_cast<unsigned char*>(arena_allocate(100));  // takes a 1 MiB chunk
  small[99] = 7;
  EXPECT_EQ(refused_bytes(8 * kMiB), 8 * kMiB);
  try {
    arena_new<double>(static_cast<std::size_t>(-1) / 4);
    ADD_FAILURE() << "an overflowing count was served";
  } catch (const Refused& r) {
    EXPECT_EQ(r.bytes, static_cast<std::size_t>(-1));
  }
  // The limit counts what the arena holds: 1 MiB + 2 MiB fit under 4 MiB, a further 1 MiB does
  // not, although the first chunk still has room (the arena serves from its newest chunk).
  EXPECT_NE(arena_allocate(2 * kMiB), nullptr);
  EXPECT_EQ(refused_bytes(kMiB), kMiB);
  EXPECT_EQ(small[99], 7) << "a failed request changed a record";
  EXPECT_EQ(arena_stats().records, 2u) << "a failed request was counted";
  EXPECT_EQ(arena_stats().bytes, 100 + 2 * kMiB);
  set_arena_limit(0);
  EXPECT_NE(arena_allocate(kMiB), nullptr);
  EXPECT_EQ(set_arena_failure_handler(previous), &refuse);
  arena_reset();
}

// The impossible requests are made by a fresh copy of this test program, which the test starts
// itself (through the target's emulator in a cross build) rather than with gtest's death tests:
// their forked child can hang under qemu-user, and their re-executed one needs this machine's
// kernel to run the target's programs. KERNELS_ARENA_REQUEST tells the copy which request to make.
TEST(ArenaDeathTest, ImpossibleRequestEndsWithAMessage) {
  if (const char* request = std::getenv("KERNELS_ARENA_REQUEST")) {
    if (std::string(request) == "bytes")
      arena_allocate(static_cast<std::size_t>(-1));
    else
      arena_new<double>(static_cast<std::size_t>(-1) / 4);
    ADD_FAILURE() << "the impossible request " << request << " returned";
    return;
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const auto err = std::filesystem::temp_directory_path() /
                   ("arena-death-test-" + std::to_string(::getpid()) + ".err");
  for (std::string request : {"bytes", "doubles"}) {
    std::string cmd = "ulimit -c 0; KERNELS_ARENA_REQUEST=" + request +
                      " " KERNELS_TEST_EMULATOR " '" + self +
                      "' --gtest_filter=ArenaDeathTest.ImpossibleRequestEndsWithAMessage "
                      ">/dev/null 2>'" +
                      err.string() + "' </dev/null";
    int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << request;
    EXPECT_NE(WEXITSTATUS(status), 0) << request << ": the copy should have died";
    std::ifstream in(err);
    std::string message{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(message.find("run arena cannot provide"), std::string::npos)
        << request << ": " << message;
  }
  std::filesystem::remove(err);
}

}  // namespace
}  // namespace kernels::shell
