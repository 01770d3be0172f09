#include <gtest/gtest.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/test_support.h"

namespace kernels::context_model {
namespace {

using testing::Call;
using testing::ModelTest;
using testing::Recorder;
using TrieTest = ModelTest;

int* stream() {
  return internal::shared_stream();
}

TEST_F(TrieTest, AddSymbolFindsOrPutsInFront) {
  EXPECT_EQ(findSymbol(1, 65), 0);
  EXPECT_EQ(addSymbol(1, 65), 1);
  EXPECT_EQ(addSymbol(1, 65), 1);
  EXPECT_EQ(addSymbol(1, 66), 2);
  EXPECT_EQ(Trie[1].firstSymbol, 2);
  EXPECT_EQ(Symbols[2].next, 1);
  EXPECT_EQ(Symbols[1].next, 0);
  EXPECT_EQ(findSymbol(1, 65), 1);
  EXPECT_EQ(Symbols[2].symbol, 66);
  EXPECT_EQ(Symbols[2].child, 0);
  EXPECT_EQ(symbolsFree, 3);

  Trie[2] = TrieNode{5, 6, 7, 8};  // whatever an earlier model left there
  EXPECT_EQ(freeTrie(), 2);
  EXPECT_EQ(testing::snapshot().trie.back(), std::make_tuple(0, 0, 0, -1));
}

TEST_F(TrieTest, GetCountByKindOfChild) {
  EXPECT_EQ(getCount(0), 0);
  const int pending = addSymbol(1, 10);
  Symbols[pending].child = -123456;
  EXPECT_EQ(getCount(pending), 1);
  const int none = addSymbol(1, 11);
  EXPECT_EQ(getCount(none), 0);
  const int node = freeTrie();
  Trie[node].count = 7;
  const int linked = addSymbol(1, 12);
  Symbols[linked].child = node;
  EXPECT_EQ(getCount(linked), 7);

  Recorder rec;
  debugLevel = 3;
  getCount(linked);
  EXPECT_TRUE(rec.calls().empty());
  debugLevel = 4;
  getCount(linked);
  getCount(none);
  EXPECT_EQ(rec.calls(), (std::vector<Call>{{"dumpSymbol", {12}}}));
}

TEST_F(TrieTest, DumpTrieWalksDepthFirstInListOrder) {
  {
    Recorder rec;
    dumpTrie(stream(), 0, 3);
    dumpTrie(stream(), -5, 0);
    EXPECT_EQ(rec.calls(), (std::vector<Call>{{"dumpTrie", {0, 3}},
                                              {"dumpString", {1, 0, 3}},
                                              {"dumpTrie", {-5, 0}},
                                              {"dumpString", {1, 0, 0}}}));
  }
  {
    Recorder rec;
    dumpRoot(stream());
    EXPECT_EQ(rec.calls(), (std::vector<Call>{
                               {"dumpRoot", {}}, {"dumpTrie", {1, 0}}, {"dumpString", {1, 0, 0}}}));
  }
  // Root: 'b' -> node 2 ('c' pending), then 'a' pending.
  const int a = addSymbol(1, 'a');
  Symbols[a].child = -4;
  const int b = addSymbol(1, 'b');
  const int n2 = freeTrie();
  Symbols[b].child = n2;
  const int c = addSymbol(n2, 'c');
  Symbols[c].child = -9;
  Recorder rec;
  junk();
  EXPECT_EQ(rec.calls(), (std::vector<Call>{{"dumpRoot", {}},
                                            {"dumpTrie", {1, 0}},
                                            {"dumpString", {1, 0, 0}},
                                            {"dumpTrie", {n2, 1}},
                                            {"dumpString", {1, 0, 1}},
                                            {"dumpTrie", {-9, 2}},
                                            {"dumpString", {1, 0, 2}},
                                            {"dumpTrie", {-4, 1}},
                                            {"dumpString", {1, 0, 1}}}));
  EXPECT_EQ(dumpTrieStr[0], 'a');
  EXPECT_EQ(dumpTrieStr[1], 'c');
}

TEST_F(TrieTest, DumpTrieHandlesAnyDepth) {
  // A chain far deeper than the path buffer: the walk neither recurses nor stores past it.
  const int depth = 100000;
  int node = 1;
  for (int d = 0; d < depth; ++d) {
    const int entry = addSymbol(node, d % 256);
    const int child = freeTrie();
    Symbols[entry].child = child;
    node = child;
  }
  long visits = 0;
  int deepest = 0;
  Observer counter;
  struct Tally {
    long* visits;
    int* deepest;
  } tally{&visits, &deepest};
  counter.context = &tally;
  counter.dumpTrie = [](void* t, int*, int, int d) {
    auto* x = static_cast<Tally*>(t);
    ++*x->visits;
    if (d > *x->deepest) *x->deepest = d;
  };
  set_observer(&counter);
  dumpRoot(stream());
  set_observer(nullptr);
  EXPECT_EQ(visits, depth + 1);
  EXPECT_EQ(deepest, depth);
  EXPECT_EQ(dumpTrieStr[kDumpTrieStrSize - 1], static_cast<char>((kDumpTrieStrSize - 1) % 256));
}

TEST_F(TrieTest, FullTablesHandOutNothing) {
  inputPos = 77;
  symbolsFree = kSymbolEntries - 1;
  EXPECT_EQ(addSymbol(1, 5), kSymbolEntries - 1);
  EXPECT_EQ(shortage.symbols, -1);
  EXPECT_EQ(addSymbol(1, 6), 0);
  EXPECT_EQ(freeSymbol(7), 0);
  EXPECT_EQ(symbolsFree, kSymbolEntries);
  EXPECT_EQ(Trie[1].firstSymbol, kSymbolEntries - 1);
  EXPECT_EQ(addSymbol(1, 5), kSymbolEntries - 1);  // finding needs no room
  EXPECT_EQ(shortage.symbols, 76);  // the symbol being coded is the one before inputPos

  trieFree = kTrieNodes - 1;
  EXPECT_EQ(freeTrie(), kTrieNodes - 1);
  EXPECT_EQ(freeTrie(), 0);
  EXPECT_EQ(trieFree, kTrieNodes);
  EXPECT_EQ(shortage.trie, 76);

  // Before the tables are initialised nothing is handed out either (index 0 means none).
  symbolsFree = 0;
  trieFree = 0;
  EXPECT_EQ(freeSymbol(1), 0);
  EXPECT_EQ(freeTrie(), 0);
}

}  // namespace
}  // namespace kernels::context_model
