#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/context_model/test_support.h"

namespace kernels::context_model {
namespace {

using testing::Call;
using testing::dec;
using testing::enc;
using testing::ModelTest;
using testing::Recorder;
using Counts = ModelTest;

// A node with escape count `escape` and count `count`, returned with an empty list.
int make_node(int escape, int count) {
  const int n = freeTrie();
  Trie[n].escapeCount = escape;
  Trie[n].count = count;
  return n;
}

// Adds an entry for symbol to node's list whose child is a node with count `child_count`.
int add_child(int node, int symbol, int child_count) {
  const int entry = addSymbol(node, symbol);
  Symbols[entry].child = make_node(1, child_count);
  return entry;
}

TEST_F(Counts, ZeroEscapeCountCodesNothing) {
  int exclusion[257] = {};
  Recorder rec;
  encode_counts(1, 65, exclusion, 0);
  encode_counts(1, 257, exclusion, 0);
  EXPECT_EQ(decode_counts(1, exclusion), 257);
  EXPECT_TRUE(rec.calls().empty());
}

TEST_F(Counts, OrderMinusOneCountsEverySymbolOnce) {
  int exclusion[257] = {};
  Recorder rec;
  encode_counts(0, 65, exclusion, 0);
  for (int s = 0; s < 10; ++s) exclusion[s] = 1;
  encode_counts(0, 65, exclusion, 0);
  encode_counts(0, 65, exclusion, 1);  // skipCoding: nothing reaches the coder
  EXPECT_EQ(rec.calls(), (std::vector<Call>{enc(65, 66, 257), enc(55, 56, 247)}));

  rec.clear();
  int none[257] = {};
  EXPECT_EQ(decode_counts(0, none), 256);  // the target is total - 1 with the coder state at 0
  EXPECT_EQ(rec.calls(), (std::vector<Call>{dec(256, 257, 257)}));
}

TEST_F(Counts, DeterministicContextTriplesCountsAboveOne) {
  const int node = make_node(1, 0);
  add_child(node, 'x', 4);
  int exclusion[257] = {};
  Recorder rec;
  encode_counts(node, 'x', exclusion, 0);
  encode_counts(node, 257, exclusion, 0);
  EXPECT_EQ(rec.calls(), (std::vector<Call>{enc(1, 13, 13), enc(0, 1, 13)}));
}

TEST_F(Counts, RecentSymbolIsBoostedByTheContextCount) {
  const int node = make_node(2, 20);
  add_child(node, 'y', 7);
  add_child(node, 'x', 3);  // in front of 'y'
  Trie[node].lastSymbol = 'x';
  int exclusion[257] = {};
  Recorder rec;
  encode_counts(node, 'x', exclusion, 0);  // 3 + 20 * 0.1f = 5.0000000298 -> 5
  encode_counts(node, 'y', exclusion, 0);
  exclusion[int{'x'}] = 1;
  encode_counts(node, 'y', exclusion, 0);
  EXPECT_EQ(rec.calls(), (std::vector<Call>{enc(2, 7, 14), enc(7, 14, 14), enc(2, 9, 9)}));

  // Decoding takes the highest interval: 'y' while it counts, then the escape.
  rec.clear();
  int none[257] = {};
  EXPECT_EQ(decode_counts(node, none), 'y');
  exclusion[int{'y'}] = 1;
  EXPECT_EQ(decode_counts(node, exclusion), 257);
  EXPECT_EQ(rec.calls(), (std::vector<Call>{dec(7, 14, 14)}));  // the escape covers all of [0, 2)
}

TEST_F(Counts, TotalsAboveTheCeilingAreHalvedBeforeCoding) {
  int exclusion[257] = {};
  {
    const int node = make_node(4, 0);
    const int entry = add_child(node, 'z', 16379);  // total 16383: no halving
    Recorder rec;
    encode_counts(node, 'z', exclusion, 0);
    EXPECT_EQ(rec.calls(), (std::vector<Call>{enc(4, 16383, 16383)}));
    EXPECT_EQ(Trie[Symbols[entry].child].count, 16379);
  }
  {
    const int node = make_node(4, 0);
    const int entry = add_child(node, 'z', 16380);  // total 16384: halved once
    Recorder rec;
    encode_counts(node, 'z', exclusion, 0);
    EXPECT_EQ(rec.calls(), (std::vector<Call>{enc(2, 8192, 8192)}));
    EXPECT_EQ(Trie[node].escapeCount, 2);
    EXPECT_EQ(Trie[Symbols[entry].child].count, 8190);
  }
}

TEST_F(Counts, ScaleCountsHalvesRoundingUp) {
  const int node = make_node(5, 7);
  const int big = add_child(node, 1, 9);
  const int one = add_child(node, 2, 1);
  const int pending = addSymbol(node, 3);
  Symbols[pending].child = -40;
  scale_counts(node);
  EXPECT_EQ(Trie[node].count, 4);
  EXPECT_EQ(Trie[node].escapeCount, 3);
  EXPECT_EQ(Trie[Symbols[big].child].count, 5);
  EXPECT_EQ(Trie[Symbols[one].child].count, 1);
  EXPECT_EQ(Symbols[pending].child, -40);
}

TEST_F(Counts, EscapeWithNoUsableEntryCodesNothing) {
  const int node = make_node(3, 0);
  add_child(node, 'a', 6);
  add_child(node, 'b', 2);
  int exclusion[257] = {};
  Recorder rec;
  encode_counts(node, 257, exclusion, 0);
  exclusion[int{'a'}] = exclusion[int{'b'}] = 1;
  encode_counts(node, 257, exclusion, 0);  // [0, 3) of 3: certain, not coded
  EXPECT_EQ(rec.calls(), (std::vector<Call>{enc(0, 3, 11)}));
}

TEST_F(Counts, EmptyIntervalsAreDumpedAndCodedAsComputed) {
  const int node = make_node(1, 0);
  addSymbol(node, 'q');  // child 0: counts 0
  int exclusion[257] = {};
  Recorder rec;
  encode_counts(node, 'q', exclusion, 0);
  EXPECT_EQ(rec.only("encode"), (std::vector<Call>{enc(1, 1, 1)}));
  EXPECT_EQ(rec.only("dumpTrie").front(), (Call{"dumpTrie", {node, 0}}));
  rec.clear();
  exclusion[int{'q'}] = 1;
  encode_counts(0, 'q', exclusion, 0);  // excluded at order -1: [0, 0)
  EXPECT_EQ(rec.calls().front(), (Call{"dumpTrie", {0, 0}}));
  EXPECT_EQ(rec.only("encode"), (std::vector<Call>{enc(0, 0, 256)}));
}

TEST_F(Counts, HalvingThatChangesNothingEnds) {
  max_total_count = 5;  // below what init_arguments allows: counts of 1 cannot get under it
  const int node = make_node(1, 0);
  for (int s = 0; s < 10; ++s) Symbols[addSymbol(node, s)].child = -1;
  int exclusion[257] = {};
  Recorder rec;
  encode_counts(node, 4, exclusion, 0);
  std::vector<Call> expected{{"dumpRoot", {}}, {"dumpTrie", {1, 0}},    {"dumpString", {1, 0, 0}},
                             enc(6, 7, 11),    {"dumpTrie", {node, 0}}, {"dumpString", {1, 0, 0}}};
  for (int s = 0; s < 10; ++s) {
    expected.push_back({"dumpTrie", {-1, 1}});
    expected.push_back({"dumpString", {1, 0, 1}});
  }
  EXPECT_EQ(rec.calls(), expected);
  rec.clear();
  EXPECT_EQ(decode_counts(node, exclusion), 0);
  EXPECT_EQ(rec.calls(), (std::vector<Call>{dec(10, 11, 11)}));
}

TEST_F(Counts, DecodeTargetFollowsTheCoderState) {
  EXPECT_EQ(arith_decode_target(257), 256);
  EXPECT_EQ(arith_decode_target(1), 0);
  S_low = 10;
  S_high = 109;
  S_value = 59;
  EXPECT_EQ(arith_decode_target(100), 49);  // (50 * 100 - 1) / 100
  S_low = 0;
  S_high = 0xffffffffu;  // the range wraps to 0: it stands for 2^32
  EXPECT_EQ(arith_decode_target(100), 0);
}

TEST_F(Counts, CountsTruncateLikeThe32BitConversion) {
  using internal::truncate_count;
  EXPECT_EQ(truncate_count(1.9999), 1);
  EXPECT_EQ(truncate_count(-2.5), -2);
  EXPECT_EQ(truncate_count(2147483647.9), 2147483647);
  EXPECT_EQ(truncate_count(2147483648.0), INT32_MIN);
  EXPECT_EQ(truncate_count(-2147483649.0), INT32_MIN);
  EXPECT_EQ(truncate_count(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
}

}  // namespace
}  // namespace kernels::context_model
