// The update on its own: what upd makes of an active context for a new symbol, a symbol seen once,
// a symbol with a node, and a context too deep for max_order.
#include <gtest/gtest.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/test_support.h"

namespace kernels::context_model {
namespace {

using Node = std::tuple<int, int, int, int>;  // firstSymbol, count, escapeCount, lastSymbol
using Entry = std::tuple<int, int, int>;      // child, next, symbol

class Update : public testing::ModelTest {
 protected:
  // One symbol as encode_symbol has it, without the coding: a new order-0 context, then update.
  static void step(int symbol) {
    startContext();
    update(symbol);
  }
  static Node node(int n) {
    return {Trie[n].firstSymbol, Trie[n].count, Trie[n].escapeCount, Trie[n].lastSymbol};
  }
  static Entry entry(int e) { return {Symbols[e].child, Symbols[e].next, Symbols[e].symbol}; }
};

TEST_F(Update, NewSymbolIsRememberedPendingAndASymbolSeenOnceGetsASeededNode) {
  load("aba");
  step('a');  // new at the root: a pending child naming position 1, where 'b' follows
  EXPECT_EQ(inputPos, 1);
  EXPECT_EQ(node(1), (Node{1, 2, 0, 'a'}));
  EXPECT_EQ(entry(1), (Entry{-1, 0, 'a'}));
  EXPECT_EQ(contextHead, 0) << "a context that met a new symbol leaves the list";
  EXPECT_EQ(contextLength, 0);
  step('b');
  EXPECT_EQ(entry(2), (Entry{-2, 1, 'b'}));
  step('a');  // seen once: node 2, seeded with the 'b' that followed at position 1
  EXPECT_EQ(trieFree, 3);
  EXPECT_EQ(node(1), (Node{2, 6, 0, 'a'}));
  EXPECT_EQ(entry(1), (Entry{2, 0, 'a'}));
  EXPECT_EQ(node(2), (Node{3, 1, 1, -1}));
  EXPECT_EQ(entry(3), (Entry{-2, 0, 'b'}));
  ASSERT_NE(contextHead, 0) << "the context moves to the new node and stays";
  EXPECT_EQ(Context[contextHead].trieNode, 2);
  EXPECT_EQ(contextLength, 1);
}

TEST_F(Update, TooDeepContextLeavesAndANodeAtMaxOrderIsNotSeeded) {
  load("abab");
  step('a');
  step('b');
  step('a');  // the list: one context of order 0 at node 2 ("a")
  max_order = 0;
  step('b');  // that context is now order 1: counted on its first visit, then dropped
  EXPECT_EQ(node(2), (Node{3, 3, 1, 'b'}));
  EXPECT_EQ(node(1), (Node{2, 6, 0, 'b'})) << "only the first context visited is counted";
  // The new order-0 context found 'b' seen once: its node is made, but at max_order it would
  // never be extended, so it gets no pending child.
  EXPECT_EQ(trieFree, 4);
  EXPECT_EQ(entry(2), (Entry{3, 1, 'b'}));
  EXPECT_EQ(node(3), (Node{0, 1, 1, -1}));
  EXPECT_EQ(contextLength, 1);
  EXPECT_EQ(Context[contextHead].trieNode, 3);
  EXPECT_EQ(shortage.history, -1);
}

TEST_F(Update, PositionsPastTheBufferAreNotRecorded) {
  load("a");
  inputPos = kInputSize - 1;  // the symbol after this one would lie outside Input
  step('a');
  EXPECT_EQ(inputPos, kInputSize);
  EXPECT_EQ(symbolsFree, 1) << "no pending child may name a position outside Input";
  EXPECT_EQ(shortage.history, kInputSize - 1);
  EXPECT_EQ(contextHead, 0);
}

}  // namespace
}  // namespace kernels::context_model
