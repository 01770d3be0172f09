// Coding and update, traced by hand on short inputs. Every test runs with both the fused walks
// and the plain ones.
#include <gtest/gtest.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/hand_trace.h"
#include "kernels/context_model/internal.h"
#include "kernels/context_model/test_support.h"

namespace kernels::context_model {
namespace {

using testing::Call;
using testing::dec;
using testing::enc;
using testing::Recorder;
using Node = std::tuple<int, int, int, int>;  // firstSymbol, count, escapeCount, lastSymbol
using Entry = std::tuple<int, int, int>;      // child, next, symbol

class Coding : public testing::ModelTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    internal::use_plain_walks(GetParam());
  }
};

INSTANTIATE_TEST_SUITE_P(Walks, Coding, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Plain" : "Fused"; });

std::vector<Node> nodes() {
  return testing::snapshot().trie;
}
std::vector<Entry> entries() {
  return testing::snapshot().symbols;
}

TEST_P(Coding, FreshModelCodesTheFirstSymbolAtOrderMinusOne) {
  Recorder rec;
  encode_symbol(97, 0);
  EXPECT_EQ(rec.calls(), std::vector<Call>{enc(97, 98, 257)});
  EXPECT_EQ(nodes(), (std::vector<Node>{{1, 2, 1, 97}}));
  EXPECT_EQ(entries(), (std::vector<Entry>{{-1, 0, 97}}));
  EXPECT_EQ(inputPos, 1);
  EXPECT_EQ(contextLength, 0);
  EXPECT_EQ(contextHead, 0);
}

TEST_P(Coding, DecoderLosesAContextAtItsThirdSymbol) {
  Input[0] = Input[1] = Input[2] = 0xee;
  Recorder rec;
  EXPECT_EQ(decode_symbol(), 256);
  EXPECT_EQ(Input[0], 0);
  EXPECT_EQ(nodes(), (std::vector<Node>{{1, 2, 1, 256}}));
  EXPECT_EQ(entries(), (std::vector<Entry>{{-1, 0, 256}}));

  EXPECT_EQ(decode_symbol(), 256);  // the root's only entry holds the highest interval
  EXPECT_EQ(decode_symbol(), 0);    // the node made from the pending child holds Input[1] = 0
  EXPECT_EQ(rec.calls(),
            (std::vector<Call>{dec(256, 257, 257), dec(1, 2, 2), dec(1, 2, 2), {"printFree", {}}}));
  EXPECT_EQ(nodes(), (std::vector<Node>{{4, 4, 1, 0}, {2, 3, 1, 0}, {3, 1, 1, -1}}));
  EXPECT_EQ(entries(), (std::vector<Entry>{{2, 0, 256}, {3, 0, 0}, {-3, 0, 0}, {-3, 1, 0}}));
  // The order-0 context (entry 2) met a new symbol behind the head (entry 1) and was dropped:
  // entry 1 left the list unreleased, and contextLength stays one above the empty list.
  EXPECT_EQ(contextHead, 0);
  EXPECT_EQ(contextTail, 0);
  EXPECT_EQ(contextLength, 1);
  EXPECT_EQ(contextUsed, 2);
  EXPECT_EQ(Context[2].next, 0);
  EXPECT_EQ(contextFree, 2);
  EXPECT_EQ(Input[1], 0);
  EXPECT_EQ(Input[2], 0);
  EXPECT_EQ(inputPos, 3);
}

TEST_P(Coding, FourRepeatsThenANewSymbolAtMaxOrderFive) {
  load("aaaab");
  Recorder rec;
  encode_all(false);
  EXPECT_EQ(rec.calls(), (std::vector<Call>{enc(97, 98, 257), enc(1, 2, 2), enc(1, 2, 2),
                                            enc(1, 2, 2), enc(0, 1, 2), enc(97, 98, 256)}));
  EXPECT_EQ(nodes(),
            (std::vector<Node>{{8, 4, 2, 98}, {7, 3, 2, 98}, {6, 3, 2, 98}, {5, 3, 2, 98}}));
  EXPECT_EQ(entries(), (std::vector<Entry>{{2, 0, 97},
                                           {3, 0, 97},
                                           {4, 0, 97},
                                           {-4, 0, 97},
                                           {-5, 4, 98},
                                           {-5, 3, 98},
                                           {-5, 2, 98},
                                           {-5, 1, 98}}));
  EXPECT_EQ(contextLength, 0);
  EXPECT_EQ(contextFree, 4);
  EXPECT_EQ(contextUsed, 4);
  EXPECT_EQ((std::vector<int>{Context[4].next, Context[3].next, Context[2].next, Context[1].next}),
            (std::vector<int>{3, 2, 1, 0}));
}

TEST_P(Coding, FourRepeatsThenANewSymbolAtMaxOrderOne) {
  max_order = 1;
  load("aaaab");
  Recorder rec;
  encode_all(false);
  // The fifth symbol escapes from "a" (the count 3 of "aa" tripled: total 10) and from the root.
  EXPECT_EQ(rec.calls(), (std::vector<Call>{enc(97, 98, 257), enc(1, 2, 2), enc(1, 2, 2),
                                            enc(1, 2, 2), enc(0, 1, 10), enc(97, 98, 256)}));
  EXPECT_EQ(nodes(), (std::vector<Node>{{4, 4, 2, 98}, {3, 3, 2, 98}, {0, 5, 1, 98}}));
  EXPECT_EQ(entries(), (std::vector<Entry>{{2, 0, 97}, {3, 0, 97}, {-5, 2, 98}, {-5, 1, 98}}));
  EXPECT_EQ(contextLength, 0);
  EXPECT_EQ(contextFree, 3);
  EXPECT_EQ(contextUsed, 1);
  EXPECT_EQ((std::vector<int>{Context[1].next, Context[3].next, Context[2].next}),
            (std::vector<int>{3, 2, 0}));
}

TEST_P(Coding, ShortTextWithEndOfInput) {
  load(hand_trace::kAbabText);
  Recorder rec;
  encode_all(true);
  std::vector<Call> calls;
  for (const auto& [low, high, total] : hand_trace::kAbabCoderCalls)
    calls.push_back(enc(low, high, total));
  std::vector<Node> trace_nodes;
  for (const auto& [first, count, escape, last] : hand_trace::kAbabNodes)
    trace_nodes.emplace_back(first, count, escape, last);
  std::vector<Entry> trace_entries;
  for (const auto& [child, next, symbol] : hand_trace::kAbabEntries)
    trace_entries.emplace_back(child, next, symbol);
  EXPECT_EQ(rec.calls(), calls);
  EXPECT_EQ(nodes(), trace_nodes);
  EXPECT_EQ(entries(), trace_entries);
  EXPECT_EQ(inputPos, hand_trace::kAbabInputPos);
}

TEST_P(Coding, OrderMinusOneModelOnlyCountsAtTheRoot) {
  max_order = -1;
  load("hello");
  Recorder rec;
  encode_all(true);
  EXPECT_EQ(rec.calls(), (std::vector<Call>{enc('h', 'h' + 1, 257), enc('e', 'e' + 1, 257),
                                            enc('l', 'l' + 1, 257), enc('l', 'l' + 1, 257),
                                            enc('o', 'o' + 1, 257), enc(256, 257, 257)}));
  EXPECT_EQ(nodes(), (std::vector<Node>{{0, 12, 0, 256}}));
  EXPECT_EQ(symbolsFree, 1);
}

TEST_P(Coding, SkipCodingChangesTheModelAlike) {
  const std::string text = "the cat sat on the mat; the cat ate the rat";
  load(text);
  encode_all(true);
  const testing::Snapshot coded = testing::snapshot();
  init_symbols();
  startInput();
  Recorder rec;
  for (int c = getInput(); c != -1; c = getInput()) encode_symbol(c, 1);
  encode_symbol(eof_symbol(), 1);
  EXPECT_TRUE(rec.calls().empty());
  EXPECT_EQ(testing::snapshot(), coded);
}

TEST_P(Coding, SymbolsOutsideTheAlphabetAreIgnored) {
  load("ab");
  encode_all(false);
  const testing::Snapshot before = testing::snapshot();
  Recorder rec;
  encode_symbol(257, 0);
  encode_symbol(-1, 0);
  encode_symbol(1000, 0);
  EXPECT_TRUE(rec.calls().empty());
  EXPECT_EQ(testing::snapshot(), before);
}

TEST_P(Coding, RepeatedInitialisationGivesTheFirstModelAgain) {
  auto run = [] {
    Recorder rec;
    for (int i = 0; i < 40; ++i) decode_symbol();  // the decoder's lost contexts skew the length
    load("mississippi river");
    encode_all(true);
    return std::pair{rec.calls(), testing::snapshot()};
  };
  const auto first = run();
  EXPECT_NE(contextLength, 0);
  init_symbols();
  startInput();
  EXPECT_EQ(run(), first);
}

TEST_P(Coding, DumpCallsFollowTheDebugLevel) {
  debugLevel = 3;
  Recorder rec;
  encode_symbol('a', 0);
  EXPECT_EQ(rec.calls(), (std::vector<Call>{{"dumpSymbol", {'a'}},
                                            {"dumpList", {1}},
                                            {"dumpSymbol", {'a'}},
                                            enc('a', 'a' + 1, 257),
                                            {"dumpRoot", {}},
                                            {"dumpTrie", {1, 0}},
                                            {"dumpString", {1, 0, 0}},
                                            {"dumpTrie", {-1, 1}},
                                            {"dumpString", {1, 0, 1}}}));
  rec.clear();
  debugLevel = 1;
  EXPECT_EQ(decode_symbol(), 'a');  // the root's only entry; dumped at level 1
  EXPECT_EQ(rec.calls(), (std::vector<Call>{dec(1, 2, 2), {"dumpSymbol", {'a'}}}));
}

// Every list entry, child and context within the tables' counters.
// (Tests that pretend a table is full leave unused garbage below its counter: only what the root
// reaches is checked.)
void expect_well_formed() {
  std::vector<int> nodes{1};
  while (!nodes.empty()) {
    const int n = nodes.back();
    nodes.pop_back();
    int steps = 0;
    for (int e = Trie[n].firstSymbol; e != 0; e = Symbols[e].next) {
      ASSERT_LT(e, symbolsFree);
      ASSERT_LT(Symbols[e].child, trieFree);
      ASSERT_GE(Symbols[e].child, -inputPos);
      ASSERT_LE(++steps, 257);
      if (Symbols[e].child > 0) nodes.push_back(Symbols[e].child);
    }
  }
  for (int c = contextHead; c != 0; c = Context[c].next) {
    ASSERT_LE(c, contextFree);
    ASSERT_GT(Context[c].trieNode, 0);
    ASSERT_LT(Context[c].trieNode, trieFree);
  }
}

const char kText[] =
    "It was the best of times, it was the worst of times, it was the age of wisdom, it was the "
    "age of foolishness, it was the epoch of belief, it was the epoch of incredulity.";

TEST_P(Coding, FullSymbolsTableStopsTheModelGrowing) {
  load(kText);
  for (int i = 0; i < 60; ++i) encode_symbol(getInput(), 0);
  symbolsFree = kSymbolEntries - 2;  // as if the table had filled up
  const int trie_before = trieFree;
  Recorder rec;
  encode_all(true);
  EXPECT_EQ(symbolsFree, kSymbolEntries);
  EXPECT_GE(shortage.symbols, 60);
  EXPECT_LT(shortage.symbols, 70);
  EXPECT_EQ(shortage.trie, -1);
  EXPECT_GE(trieFree, trie_before);  // pending children already recorded still become nodes
  EXPECT_GT(rec.only("encode").size(), sizeof kText - 60);
  expect_well_formed();
}

TEST_P(Coding, FullTrieStopsTheModelGrowing) {
  load(kText);
  for (int i = 0; i < 60; ++i) encode_symbol(getInput(), 0);
  trieFree = kTrieNodes - 1;
  Recorder rec;
  encode_all(true);
  EXPECT_EQ(trieFree, kTrieNodes);
  EXPECT_GE(shortage.trie, 60);
  EXPECT_LT(shortage.trie, static_cast<int>(sizeof kText));
  EXPECT_GT(rec.only("encode").size(), sizeof kText - 60);
  expect_well_formed();
}

TEST_P(Coding, TheBufferEndStopsTheHistory) {
  // Decoding up to and past the last position of Input.
  inputPos = kInputSize - 3;
  for (int i = 0; i < 10; ++i) {
    const int symbol = decode_symbol();
    EXPECT_GE(symbol, 0);
    EXPECT_LE(symbol, 256);
  }
  EXPECT_EQ(inputPos, kInputSize + 7);
  EXPECT_GE(shortage.history, kInputSize - 1);
  EXPECT_LE(shortage.history, kInputSize);
  expect_well_formed();

  // Encoding the last bytes of a full buffer, and the end-of-input symbol after them.
  init_symbols();
  const std::string tail = "abababab";
  loadInput(internal::shared_stream(), 0, 0);
  std::memcpy(Input + kInputSize - tail.size(), tail.data(), tail.size());
  inputPos = kInputSize - static_cast<int>(tail.size());
  encode_all(true);
  EXPECT_EQ(inputPos, kInputSize + 1);
  // The end-of-input symbol, at position kInputSize, is the first one new enough to need a
  // position past the buffer.
  EXPECT_EQ(shortage.history, kInputSize);
  expect_well_formed();
}

}  // namespace
}  // namespace kernels::context_model
