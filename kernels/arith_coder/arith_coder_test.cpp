#include "kernels/arith_coder/arith_coder.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/arith_coder/coder_oracle.h"

namespace kernels::arith_coder {

// Shows results by name in failure messages.
void PrintTo(EncodeResult result, std::ostream* os) {
  *os << encode_result_name(result);
}

namespace {

using Bits = std::vector<int>;
using Table = std::vector<int>;

// Records every bit handed to output_bit.
class ArithCoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    low = high = bits_to_follow = 0;
    set_observer(&observer_);
  }
  void TearDown() override { set_observer(nullptr); }

  Bits bits_;
  Observer observer_{&bits_, [](void* c, int bit) { static_cast<Bits*>(c)->push_back(bit); }};
};

using Reference = oracle::Coder;

// A table of n >= 1 symbols with the given total (>= n), every share at least 1: either the
// units beyond 1 each spread at random, or all of them given to one symbol.
Table random_table(std::mt19937& rng, int n, int total) {
  Table t(n + 1, 0);
  std::vector<int> share(n + 1, 1);
  if (rng() % 2 == 0) {
    for (int extra = total - n; extra > 0; --extra) ++share[1 + rng() % n];
  } else {
    share[1 + rng() % n] += total - n;
  }
  for (int s = n; s >= 1; --s) t[s - 1] = t[s] + share[s];
  return t;
}

void expect_renormalised() {
  ASSERT_TRUE(0 <= low && low < 0x8000 && 0x8000 <= high && high <= 0xffff) << low << " " << high;
  ASSERT_FALSE(low >= 0x4000 && high < 0xc000) << low << " " << high;
}

TEST_F(ArithCoderTest, WorkedExamplesSettleTheExactBits) {
  Table a{10, 6, 3, 0};
  start_encoding();
  encode_symbol(1, a.data());
  EXPECT_EQ(low, 13106);
  EXPECT_EQ(high, 65535);
  EXPECT_EQ(bits_to_follow, 0);
  EXPECT_EQ(bits_, Bits{1});

  bits_.clear();
  Table b{4, 3, 1, 0};
  start_encoding();
  encode_symbol(2, b.data());
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 65535);
  EXPECT_EQ(bits_to_follow, 1);
  EXPECT_TRUE(bits_.empty());
  done_encoding();
  EXPECT_EQ(bits_, (Bits{0, 1, 1}));
  EXPECT_EQ(bits_to_follow, 0);
}

TEST_F(ArithCoderTest, DoneRightAfterStartSettlesZeroThenOne) {
  start_encoding();
  done_encoding();
  EXPECT_EQ(bits_, (Bits{0, 1}));
  EXPECT_EQ(bits_to_follow, 0);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 0xffff);
}

TEST_F(ArithCoderTest, SymbolOwningTheWholeTotalLeavesTheIntervalUnchanged) {
  Table whole{7, 7, 7, 0};  // symbol 3 owns everything
  Table skewed{23, 10, 7, 0};
  start_encoding();
  encode_symbol(3, whole.data());
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 0xffff);
  encode_symbol(2, skewed.data());  // leaves a follow bit owed
  const std::int32_t l = low, h = high, f = bits_to_follow;
  const Bits before = bits_;
  EXPECT_EQ(encode_symbol_checked(3, whole), EncodeResult::kEncoded);
  EXPECT_EQ(low, l);
  EXPECT_EQ(high, h);
  EXPECT_EQ(bits_to_follow, f);
  EXPECT_EQ(bits_, before);
}

TEST_F(ArithCoderTest, OutputBitNotifiesOnlyAnInstalledObserver) {
  output_bit(7);
  set_observer(nullptr);
  output_bit(1);
  EXPECT_EQ(bits_, Bits{7});
}

TEST_F(ArithCoderTest, BeforeStartEncodingOnlyTheTopShareFits) {
  // The state at program start is the one-value interval [0, 0]; only a share reaching the
  // total keeps it, and sixteen 0 bits widen it to the whole range.
  EXPECT_EQ(encode_symbol_checked(2, Table{4, 3, 0}), EncodeResult::kEmptyInterval);
  EXPECT_TRUE(bits_.empty());
  EXPECT_EQ(encode_symbol_checked(1, Table{4, 3, 0}), EncodeResult::kEncoded);
  EXPECT_EQ(bits_, Bits(16, 0));
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 0xffff);
}

// Totals above 0x4002 can make a small share empty; the call is refused and nothing changes,
// where the loop would otherwise never end.
TEST_F(ArithCoderTest, EmptyIntervalIsRefusedAndTheRunGoesOn) {
  Table t1{33, 5, 2, 0}, t2{6, 2, 1, 0}, t3{23, 10, 7, 0}, big{16581, 1, 0};
  start_encoding();
  encode_symbol(2, t1.data());
  encode_symbol(1, t2.data());
  encode_symbol(2, t3.data());
  ASSERT_EQ(low, 32696);
  ASSERT_EQ(high, 49275);
  const Bits before = bits_;

  EXPECT_EQ(encode_symbol_checked(2, big), EncodeResult::kEmptyInterval);
  encode_symbol(2, big.data());
  EXPECT_EQ(low, 32696);
  EXPECT_EQ(high, 49275);
  EXPECT_EQ(bits_to_follow, 0);
  EXPECT_EQ(bits_, before);

  EXPECT_EQ(encode_symbol_checked(1, big), EncodeResult::kEncoded);
  expect_renormalised();
}

TEST_F(ArithCoderTest, InvalidCallsAreRefusedBeforeAnyChange) {
  struct Case {
    int symbol;
    Table table;
    EncodeResult why;
  };
  const Case cases[] = {
      {0, {4, 3, 0}, EncodeResult::kSymbolOutOfRange},  // would read before the table
      {-1, {4, 3, 0}, EncodeResult::kSymbolOutOfRange},
      {3, {4, 3, 0}, EncodeResult::kSymbolOutOfRange},  // past the end
      {1, {0, 0, 0}, EncodeResult::kTableInvalid},      // would divide by zero
      {1, {-4, -3, 0}, EncodeResult::kTableInvalid},
      {2, {4, 3, -1}, EncodeResult::kTableInvalid},      // share reaches below the total's range
      {1, {4, 5, 0}, EncodeResult::kTableInvalid},       // share reaches above it
      {2, {4, 1, 3}, EncodeResult::kTableInvalid},       // increasing
      {1, {40000, 1, 0}, EncodeResult::kTotalTooLarge},  // 65536 * 40000 overflows
      {2, {4, 3, 3, 0}, EncodeResult::kEmptyInterval},   // a share of 0
  };
  for (const Case& c : cases) {
    start_encoding();
    EXPECT_EQ(encode_symbol_checked(c.symbol, c.table), c.why) << c.symbol << " " << c.table[0];
    if (c.why != EncodeResult::kSymbolOutOfRange || c.symbol < 1) {
      Table copy = c.table;  // on the heap, so that a read before it is caught by ASan
      encode_symbol(c.symbol, copy.data());
    }
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 0xffff);
    EXPECT_EQ(bits_to_follow, 0);
  }
  EXPECT_TRUE(bits_.empty());

  // A state set from outside the coder's range is not narrowed.
  Table t{4, 3, 0};
  for (auto [l, h] : {std::pair{0, 0x10000}, {5, 4}, {-1, 10}}) {
    low = l, high = h;
    EXPECT_EQ(encode_symbol_checked(1, t), EncodeResult::kStateOutOfRange);
    EXPECT_EQ(low, l);
    EXPECT_EQ(high, h);
  }
  EXPECT_TRUE(bits_.empty());
}

// Observed, the coder runs its loop pass by pass; unobserved, it takes all passes at once. Both
// must end where the reference ends.
TEST_F(ArithCoderTest, RandomValidTablesMatchTheReferenceAndStayRenormalised) {
  std::mt19937 rng(2024);
  for (int run = 0; run < 400; ++run) {
    const bool observed = run % 2 == 0;
    set_observer(observed ? &observer_ : nullptr);
    const int n = 1 + static_cast<int>(rng() % (run % 3 == 0 ? 2 : 300));
    const int total = n + static_cast<int>(rng() % (kOrder0MaxTotal - n + 1));
    const Table t = random_table(rng, n, total);
    Table mutable_t = t;
    Reference ref;
    bits_.clear();
    start_encoding();
    for (int i = 0; i < 300; ++i) {
      const int s = 1 + static_cast<int>(rng() % n);
      ASSERT_TRUE(ref.encode(s, t));
      if (i % 2 == 0) {
        encode_symbol(s, mutable_t.data());
      } else {
        ASSERT_EQ(encode_symbol_checked(s, t), EncodeResult::kEncoded);
      }
      expect_renormalised();
      ASSERT_EQ(low, ref.lo);
      ASSERT_EQ(high, ref.hi);
      ASSERT_EQ(bits_to_follow, ref.follow);
    }
    done_encoding();
    ref.done();
    ASSERT_EQ(bits_to_follow, 0);
    if (observed) {
      ASSERT_EQ(bits_, ref.bits) << "run " << run;
    }
  }
}

// A share that is the whole total leaves the interval as it is and only renormalises it, so any
// state can be renormalised both ways and compared.
TEST_F(ArithCoderTest, UnobservedRenormalisationEndsWhereTheLoopEnds) {
  std::mt19937 rng(3);
  const Table whole{1, 0};
  for (std::int32_t l = 0; l <= 0xffff; ++l) {
    for (int j = 0; j < 10; ++j) {
      const std::int32_t h =
          j < 4 ? std::min(l + j, 0xffff) : l + static_cast<int>(rng() % (0x10000 - l));
      const std::int32_t f = j % 3 == 0 ? 0 : j;
      set_observer(&observer_);
      low = l, high = h, bits_to_follow = f;
      encode_symbol_checked(1, whole);
      const std::int32_t l1 = low, h1 = high, f1 = bits_to_follow;
      set_observer(nullptr);
      low = l, high = h, bits_to_follow = f;
      encode_symbol_checked(1, whole);
      ASSERT_EQ(low, l1) << l << " " << h;
      ASSERT_EQ(high, h1) << l << " " << h;
      ASSERT_EQ(bits_to_follow, f1) << l << " " << h;
    }
  }
}

TEST_F(ArithCoderTest, LargeTotalsAreRefusedExactlyWhenTheIntervalWouldBeEmpty) {
  std::mt19937 rng(99);
  int refused = 0, coded = 0;
  for (int run = 0; run < 300; ++run) {
    // Symbols of a table with random shares spread the interval's width; between them, a table
    // above the safe total whose small shares can come out empty.
    const int n = 2 + static_cast<int>(rng() % 40);
    const Table spread = random_table(rng, n, n + static_cast<int>(rng() % 10000));
    const Table big = random_table(rng, n, kMaxSafeTotal + 1 + static_cast<int>(rng() % 16000));
    Reference ref;
    bits_.clear();
    start_encoding();
    for (int i = 0; i < 200; ++i) {
      const Table& t = i % 2 == 0 ? spread : big;
      const int s = 1 + static_cast<int>(rng() % n);
      const bool ok = ref.encode(s, t);
      ASSERT_EQ(encode_symbol_checked(s, t),
                ok ? EncodeResult::kEncoded : EncodeResult::kEmptyInterval);
      (ok ? coded : refused) += 1;
      ASSERT_EQ(low, ref.lo);
      ASSERT_EQ(high, ref.hi);
      ASSERT_EQ(bits_to_follow, ref.follow);
      ASSERT_EQ(bits_, ref.bits);
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(coded, 0);
}

// The divisions by the total are done by multiplying by its reciprocal, kept from call to call.
// Narrow intervals set from outside admit totals up to 2^31 - 1, so the whole range of divisors
// and dividends is reached: powers of two and their neighbours, and the largest products the
// checks let through. Tables of different totals alternate, so a stale reciprocal would show.
TEST_F(ArithCoderTest, DivisionByAnyTotalMatchesTheReference) {
  std::mt19937 rng(7);
  std::vector<std::int64_t> totals{
      1, 2, 3, 0x4001, 0x4002, 0xffff, 0x10000, 0x10001, std::numeric_limits<std::int32_t>::max()};
  for (int k = 2; k < 31; ++k)
    for (std::int64_t d : {-1, 0, 1}) totals.push_back((std::int64_t{1} << k) + d);
  for (int i = 0; i < 200; ++i)
    totals.push_back(1 + rng() % std::numeric_limits<std::int32_t>::max());
  for (int run = 0; run < 4000; ++run) {
    set_observer(run % 2 == 0 ? &observer_ : nullptr);
    // A range at which this total's products stay within 32 bits.
    const std::int64_t total = totals[rng() % totals.size()];
    const std::int64_t widest =
        std::min<std::int64_t>(0x10000, std::numeric_limits<std::int32_t>::max() / total);
    const std::int64_t range = run % 3 == 0 ? widest : 1 + rng() % widest;
    const std::int32_t l = static_cast<std::int32_t>(rng() % (0x10000 - range + 1));
    // Shares at the edges (0, 1, the total, one below it) or anywhere in between.
    auto share = [&] {
      switch (rng() % 5) {
        case 0:
          return std::int64_t{0};
        case 1:
          return std::min<std::int64_t>(1, total);
        case 2:
          return total;
        case 3:
          return total - 1;
        default:
          return static_cast<std::int64_t>(rng() % (total + 1));
      }
    };
    std::int64_t upper = share(), lower = share();
    if (lower > upper) std::swap(lower, upper);
    const Table t{static_cast<int>(total), static_cast<int>(upper), static_cast<int>(lower), 0};
    Reference ref;
    ref.lo = l;
    ref.hi = l + range - 1;
    ref.follow = 0;
    low = l, high = static_cast<std::int32_t>(l + range - 1), bits_to_follow = 0;
    bits_.clear();
    const bool ok = ref.encode(2, t);
    ASSERT_EQ(encode_symbol_checked(2, t),
              ok ? EncodeResult::kEncoded : EncodeResult::kEmptyInterval)
        << total << " " << range << " " << upper << " " << lower;
    ASSERT_EQ(low, ok ? ref.lo : l) << total << " " << range << " " << upper << " " << lower;
    ASSERT_EQ(high, ok ? ref.hi : l + range - 1) << total << " " << range << " " << upper;
    ASSERT_EQ(bits_to_follow, ok ? ref.follow : 0);
  }
}

}  // namespace
}  // namespace kernels::arith_coder
