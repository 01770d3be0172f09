#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "kernels/shell/shell.h"

namespace kernels::shell {
namespace {

struct CounterSnapshot {
  std::int32_t bytes = bytes_allocated;
  std::int32_t count = allocations;
};

TEST(Wrapping, WrapsAtThirtyTwoBits) {
  EXPECT_EQ(wrapping_add(INT32_MAX, 1), INT32_MIN);
  EXPECT_EQ(wrapping_sub(INT32_MIN, 1), INT32_MAX);
  EXPECT_EQ(wrapping_mul(65536, 65536), 0);
  EXPECT_EQ(wrapping_mul(-3, 5), -15);
  EXPECT_EQ(wrapping_neg(INT32_MIN), INT32_MIN);
  EXPECT_EQ(wrapping_neg(7), -7);
}

TEST(SampleData, XorshiftStepsAndInt32BytesAreLittleEndian) {
  std::uint32_t s = 1;
  EXPECT_EQ(xorshift32(s), 270369u);
  EXPECT_EQ(xorshift32(s), 67634689u);
  std::uint8_t bytes[4] = {};
  store_int32_le(bytes, -2);
  EXPECT_EQ(std::memcmp(bytes, "\xfe\xff\xff\xff", 4), 0);
  for (std::int32_t v : {-2, 0x12345678, INT32_MIN}) {
    store_int32_le(bytes, v);
    EXPECT_EQ(load_int32_le(bytes), v);
  }
}

TEST(SharedBlock, HoldsFooAndIsTheStreamHandle) {
  EXPECT_STREQ(shared_block, "foo");
  EXPECT_EQ(sizeof(shared_block), 4u);
  EXPECT_EQ(static_cast<const void*>(stream_handle()), static_cast<const void*>(shared_block));
}

TEST(CountingAllocator, CountsEveryRequestAndReturnsTheSharedBlock) {
  CounterSnapshot before;
  EXPECT_EQ(ssplain_malloc(0), static_cast<const void*>(shared_block));
  EXPECT_EQ(allocations, before.count + 1);  // a request of size 0 still counts
  EXPECT_EQ(bytes_allocated, before.bytes);

  EXPECT_EQ(ssplain_calloc(3, 5), static_cast<const void*>(shared_block));
  EXPECT_EQ(allocations, before.count + 2);
  EXPECT_EQ(bytes_allocated, before.bytes + 15);

  ssplain_malloc(-20);
  EXPECT_EQ(bytes_allocated, before.bytes - 5);
  EXPECT_STREQ(shared_block, "foo");  // nothing was written into the block
}

TEST(CountingAllocator, WrapsTheProductAndTheSums) {
  bytes_allocated = INT32_MAX;
  ssplain_malloc(1);
  EXPECT_EQ(bytes_allocated, INT32_MIN);

  bytes_allocated = 0;
  ssplain_calloc(65536, 65537);  // 2^32 + 65536 wraps to 65536
  EXPECT_EQ(bytes_allocated, 65536);

  allocations = INT32_MAX;
  ssplain_calloc(0, 0);
  EXPECT_EQ(allocations, INT32_MIN);
  bytes_allocated = 0;
  allocations = 0;
}

struct Recorded {
  int calls = 0;
  std::string format;
  int first = 0;
  int second = 0;
};

void record_chatting(void* context, const char* format, std::va_list args) {
  auto* r = static_cast<Recorded*>(context);
  ++r->calls;
  r->format = format;
  r->first = va_arg(args, int);
  r->second = va_arg(args, int);
}

TEST(CountingAllocator, StatsGoToTheSinkWithBothCounters) {
  bytes_allocated = 15;
  allocations = 2;
  Recorded seen;
  Observer observer{&seen, &record_chatting};
  set_observer(&observer);
  ssplain_alloc_stats();
  set_observer(nullptr);
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.format, "Allocation stats: %d bytes allocated in %d allocations\n");
  EXPECT_EQ(seen.first, 15);
  EXPECT_EQ(seen.second, 2);
  // The stats leave the counters as they were.
  EXPECT_EQ(bytes_allocated, 15);
  EXPECT_EQ(allocations, 2);

  ssplain_alloc_stats();  // no observer: nothing happens, nothing is printed
  EXPECT_EQ(seen.calls, 1);
  bytes_allocated = 0;
  allocations = 0;
}

}  // namespace
}  // namespace kernels::shell
