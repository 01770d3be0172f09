
#include <gtest/gtest.h>

#include "job/digest.h"

namespace kernels::runner {
namespace {

TEST(Fnv1a, MatchesKnownValues) {
  EXPECT_EQ(Fnv1a().value(), 0xcbf29ce484222325ull);
  Fnv1a a;
  a.bytes("a", 1);
  EXPECT_EQ(a.value(), 0xaf63dc4c8601ec8cull);
  Fnv1a foobar;
  foobar.bytes("foobar", 6);
  EXPECT_EQ(foobar.value(), 0x85944171f73967e8ull);
}

TEST(Fnv1a, WritesIntegersAndDoublesLittleEndian) {
  Fnv1a x, y;
  x.i32(-2);
  const unsigned char b[4] = {0xfe, 0xff, 0xff, 0xff};
  y.bytes(b, 4);
  EXPECT_EQ(x.value(), y.value());

  Fnv1a d, e;
  d.f64(300.0);  // 0x4072C00000000000
  const unsigned char f[8] = {0, 0, 0, 0, 0, 0xc0, 0x72, 0x40};
  e.bytes(f, 8);
  EXPECT_EQ(d.value(), e.value());
}

}  // namespace
}  // namespace kernels::runner
