#include <gtest/gtest.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/test_support.h"

namespace kernels::context_model {
namespace {

using testing::ModelTest;
using testing::Recorder;
using ContextList = ModelTest;

// The active list from the head, following next.
std::vector<int> active_list() {
  std::vector<int> r;
  for (int c = contextHead; c != 0 && r.size() < 100; c = Context[c].next) r.push_back(c);
  return r;
}

std::vector<int> released_chain() {
  std::vector<int> r;
  for (int c = contextUsed; c != 0 && r.size() < 100; c = Context[c].next) r.push_back(c);
  return r;
}

TEST_F(ContextList, StartContextOnAFreshModel) {
  startContext();
  EXPECT_EQ(Context[1].trieNode, 1);
  EXPECT_EQ(contextHead, 1);
  EXPECT_EQ(contextTail, 1);
  EXPECT_EQ(contextLength, 1);
  EXPECT_EQ(predict(), 1);
}

TEST_F(ContextList, ListGrowsToMaxOrderPlusTwo) {
  for (int i = 0; i < 8; ++i) startContext();
  EXPECT_EQ(contextLength, 7);
  EXPECT_EQ(active_list(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(predict(), 2);  // the head is one order too deep
  EXPECT_EQ(nextContext(7), 0);

  init_symbols();
  max_order = -1;
  startContext();
  startContext();
  EXPECT_EQ(contextLength, 1);
  EXPECT_EQ(predict(), 0);
}

TEST_F(ContextList, ReleasedEntriesAreReusedLastFirst) {
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(freeContext(), i);
  contextLength = 5;
  releaseList(3);
  releaseList(5);
  EXPECT_EQ(contextLength, 3);
  Context[5].trieNode = 9;
  EXPECT_EQ(freeContext(), 5);
  EXPECT_EQ(Context[5].trieNode, 0);
  EXPECT_EQ(Context[5].next, 0);
  EXPECT_EQ(freeContext(), 3);
  EXPECT_EQ(freeContext(), 6);
}

TEST_F(ContextList, DroppingTheOnlyEntryEmptiesTheList) {
  startContext();
  Recorder rec;
  EXPECT_EQ(dropContext(1), 0);
  EXPECT_EQ(contextHead, 0);
  EXPECT_EQ(contextTail, 0);
  EXPECT_EQ(contextLength, 0);
  EXPECT_EQ(released_chain(), std::vector<int>{1});
  EXPECT_TRUE(rec.calls().empty());
}

TEST_F(ContextList, DroppingAnEntryBehindTheHeadLosesTheEntriesAhead) {
  startContext();
  startContext();
  startContext();
  Recorder rec;
  EXPECT_EQ(dropContext(2), 3);
  EXPECT_EQ(rec.calls(), (std::vector<testing::Call>{{"printFree", {}}}));
  EXPECT_EQ(active_list(), std::vector<int>{3});
  EXPECT_EQ(contextTail, 3);
  EXPECT_EQ(released_chain(), std::vector<int>{2});
  EXPECT_EQ(contextLength, 2);  // entry 1 is gone but still counted
  EXPECT_EQ(freeContext(), 2);
  EXPECT_EQ(freeContext(), 4);  // entry 1 is never handed out again
}

TEST_F(ContextList, StartContextWithoutRoomLeavesEntryZeroAlone) {
  max_order = 100000;
  contextFree = kContextEntries - 3;
  inputPos = 42;
  startContext();
  startContext();
  EXPECT_EQ(contextHead, kContextEntries - 2);
  EXPECT_EQ(contextTail, kContextEntries - 1);
  EXPECT_EQ(shortage.context, -1);
  startContext();
  EXPECT_EQ(contextLength, 2);
  EXPECT_EQ(contextTail, kContextEntries - 1);
  EXPECT_EQ(Context[kContextEntries - 1].next, 0);
  EXPECT_EQ(Context[0].trieNode, 0);
  EXPECT_EQ(Context[0].next, 0);
  EXPECT_EQ(shortage.context, 42);
  EXPECT_EQ(freeContext(), 0);
  // A released entry is room again.
  dropContext(contextHead);
  startContext();
  EXPECT_EQ(contextTail, kContextEntries - 2);
  EXPECT_EQ(shortage.context, 42);  // the first shortage is the one kept
}

TEST_F(ContextList, InitContextKeepsTheLengthButInitSymbolsResetsIt) {
  startContext();
  startContext();
  initContext();
  EXPECT_EQ(contextLength, 2);
  EXPECT_EQ(contextHead, 0);
  EXPECT_EQ(contextTail, 0);
  EXPECT_EQ(contextFree, 0);
  EXPECT_EQ(contextUsed, 0);
  init_symbols();
  EXPECT_EQ(contextLength, 0);
}

}  // namespace
}  // namespace kernels::context_model
