#include <gtest/gtest.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/test_support.h"

namespace kernels::context_model {
namespace {

using testing::ModelTest;
using Input_ = ModelTest;

int* stream() {
  return internal::shared_stream();
}

TEST_F(Input_, LoadStoresOnesUpToTheLimit) {
  Input[5] = 7;
  EXPECT_EQ(loadInput(stream(), 0, 5), 5);
  EXPECT_EQ(lengthInput(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Input[i], 1) << i;
  EXPECT_EQ(Input[5], 7);

  Input[6] = 9;
  Input[8] = 9;
  EXPECT_EQ(loadInput(stream(), 7, 3), 8);  // the store comes before the test: one byte
  EXPECT_EQ(inputLen, 8);
  EXPECT_EQ(Input[6], 9);
  EXPECT_EQ(Input[7], 1);
  EXPECT_EQ(Input[8], 9);
}

TEST_F(Input_, GetInputReadsWithoutAdvancing) {
  EXPECT_EQ(lengthInput(), 0);
  EXPECT_EQ(getInput(), -1);
  loadInput(stream(), 0, 5);
  startInput();
  EXPECT_EQ(getInput(), 1);
  EXPECT_EQ(getInput(), 1);
  EXPECT_EQ(inputPos, 0);
  for (int i = 0; i < 5; ++i) encode_symbol(getInput(), 0);  // each update advances inputPos
  EXPECT_EQ(inputPos, 5);
  EXPECT_EQ(getInput(), -1);
  inputPos = -1;
  EXPECT_EQ(getInput(), -1);
  EXPECT_EQ(preloadInput(), -1);
  preload_limit = 12;
  EXPECT_EQ(preloadInput(), 12);
}

TEST_F(Input_, LoadNeverStoresOutsideTheBuffer) {
  // No positive limit: the buffer is filled to its end.
  for (int limit : {0, -4}) {
    Input[kInputSize - 1] = 0;
    Input[2] = 0;
    EXPECT_EQ(loadInput(stream(), 3, limit), kInputSize);
    EXPECT_EQ(Input[2], 0);
    EXPECT_EQ(Input[kInputSize - 1], 1);
  }
  // A limit beyond the buffer stops at its end.
  Input[kInputSize - 1] = 0;
  EXPECT_EQ(loadInput(stream(), kInputSize - 2, kInputSize + 10), kInputSize);
  EXPECT_EQ(Input[kInputSize - 1], 1);
  // A start past the end stores nothing.
  Input[kInputSize - 1] = 0;
  EXPECT_EQ(loadInput(stream(), kInputSize + 3, 5), kInputSize);
  EXPECT_EQ(Input[kInputSize - 1], 0);
  // Negative positions are skipped: the loop still counts from pos up to the limit.
  Input[0] = Input[1] = Input[2] = 0;
  EXPECT_EQ(loadInput(stream(), -3, 2), 2);
  EXPECT_EQ(Input[0], 1);
  EXPECT_EQ(Input[1], 1);
  EXPECT_EQ(Input[2], 0);
  EXPECT_EQ(loadInput(stream(), 2147483647, 5), kInputSize);
}

}  // namespace
}  // namespace kernels::context_model
