#include <gtest/gtest.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/test_support.h"

namespace kernels::context_model {
namespace {

using testing::ModelTest;

class Parameters : public ModelTest {
 protected:
  // Every bounded parameter out of range.
  static void out_of_range() {
    max_order = -5;
    tcount_init = 0;
    tescape_init = -3;
    tcount_incr = 0;
    tescape_incr = -3;
    max_total_count = 100;
    debugLevel = 4;
  }
  static std::vector<int> bounded() {
    return {max_order, tcount_init, tescape_init, tcount_incr, tescape_incr, max_total_count};
  }
};

TEST_F(Parameters, BoundsApplyOnlyToPresentPositions) {
  // argStart 2: position 2 + k is present when 2 + k <= argc.
  out_of_range();
  init_arguments(2, nullptr, 2);
  EXPECT_EQ(debugLevel, 0);
  EXPECT_EQ(bounded(), (std::vector<int>{-5, 0, -3, 0, -3, 100}));

  out_of_range();
  init_arguments(6, nullptr, 2);  // positions 3 to 6: max_order and the three unused ones
  EXPECT_EQ(bounded(), (std::vector<int>{-1, 0, -3, 0, -3, 100}));

  out_of_range();
  init_arguments(7, nullptr, 2);  // position 7 = argc counts as present
  EXPECT_EQ(bounded(), (std::vector<int>{-1, 1, -3, 0, -3, 100}));

  out_of_range();
  init_arguments(10, nullptr, 2);
  EXPECT_EQ(bounded(), (std::vector<int>{-1, 1, 1, 1, 1, 100}));

  out_of_range();
  init_arguments(11, nullptr, 2);
  EXPECT_EQ(bounded(), (std::vector<int>{-1, 1, 1, 1, 1, 258}));
  EXPECT_EQ(debugLevel, 0);
}

TEST_F(Parameters, EachBoundMapsItsRange) {
  for (auto [given, expected] :
       {std::pair{100, 258}, {257, 258}, {258, 258}, {16383, 16383}, {20000, 16383}}) {
    max_total_count = given;
    init_arguments(9, nullptr, 0);
    EXPECT_EQ(max_total_count, expected) << given;
  }
  for (auto [given, expected] : {std::pair{-5, -1}, {-1, -1}, {0, 0}, {7, 7}}) {
    max_order = given;
    init_arguments(1, nullptr, 0);
    EXPECT_EQ(max_order, expected) << given;
  }
  max_order = 5;
  for (auto [given, expected] : {std::pair{0, 1}, {-3, 1}, {1, 1}, {4, 4}}) {
    tcount_init = tescape_init = tcount_incr = tescape_incr = given;
    init_arguments(8, nullptr, 0);
    EXPECT_EQ(bounded(), (std::vector<int>{5, expected, expected, expected, expected, 16383}));
  }
}

TEST_F(Parameters, ArgumentTextsSetNothing) {
  char name[] = "model";
  char nine[] = "9";
  char* argv[] = {name, nine, nine, nine, nine, nine, nine, nine, nine, nine, nullptr};
  for (int argc : {0, 1, 5, 10, 100}) {
    debugLevel = 3;
    init_arguments(argc, argv, 0);
    EXPECT_EQ(debugLevel, 0);
    EXPECT_EQ(bounded(), (std::vector<int>{5, 1, 1, 2, 1, 16383})) << argc;
    EXPECT_EQ(preload_limit, -1);
    EXPECT_EQ(determ_factor, 3.0f);
    EXPECT_EQ(recent_factor, 0.1f);
  }
}

}  // namespace
}  // namespace kernels::context_model
