#include <algorithm>
#include <cstdint>
#include <random>
#include <unordered_map>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/bisort/bisort.h"
#include "kernels/bisort/sort_oracle.h"
#include "kernels/shell/shell.h"

namespace kernels::bisort {
namespace {

using Values = std::vector<std::int32_t>;

class BisortTest : public ::testing::Test {
 protected:
  void SetUp() override { shell::arena_reset(); }
  void TearDown() override {
    set_observer(nullptr);
    flag = 0;
    shell::arena_reset();
  }
};

void append_in_order(const node* n, Values& out) {
  if (n == nullptr) return;
  append_in_order(n->left, out);
  out.push_back(n->value);
  append_in_order(n->right, out);
}

// The sorted sequence: the tree in order, then the spare.
Values sequence(const node* root, std::int32_t spare) {
  Values out;
  append_in_order(root, out);
  out.push_back(spare);
  return out;
}

// Adjacent pairs that break the direction (0 up, 1 down).
int disorder(const Values& v, int dir) {
  int count = 0;
  for (std::size_t i = 0; i + 1 < v.size(); ++i)
    count += dir == 0 ? v[i] > v[i + 1] : v[i] < v[i + 1];
  return count;
}

// A perfect tree of the given height (0: one node) holding `values` in order.
node* perfect_tree(int height, const Values& values, std::size_t& next) {
  node* n = shell::arena_new<node>();
  if (height > 0) n->left = perfect_tree(height - 1, values, next);
  n->value = values[next++];
  if (height > 0) n->right = perfect_tree(height - 1, values, next);
  return n;
}
node* perfect_tree(int height, const Values& values) {
  std::size_t next = 0;
  return perfect_tree(height, values, next);
}

// Pairs each node of `a` with the node in the same place in `b` (same shape). Taken before
// sorting a tree and its copy separately and again after, the pairings agree exactly when both
// sorts moved every node to the same place.
using Pairing = std::unordered_map<const node*, const node*>;
void pair_up(const node* a, const node* b, Pairing& out) {
  if (a == nullptr) return;
  out[a] = b;
  pair_up(a->left, b->left, out);
  pair_up(a->right, b->right, out);
}

// Builds the same perfect tree twice, runs the kernel's sort (or merge alone) on one and the
// oracle's on the other, and expects the same returned spare, every node moved to the same place
// and the same values in order.
void expect_steps_match_oracle(int height, const Values& values, std::int32_t spare, int dir,
                               bool sort) {
  node* a = perfect_tree(height, values);
  node* b = perfect_tree(height, values);
  Pairing before, after;
  pair_up(a, b, before);
  if (sort) {
    ASSERT_EQ(Bisort(a, spare, dir), oracle::bisort(b, spare, dir));
  } else {
    ASSERT_EQ(Bimerge(a, spare, dir), oracle::bimerge(b, spare, dir));
  }
  pair_up(a, b, after);
  ASSERT_EQ(after, before);
  ASSERT_EQ(sequence(a, 0), sequence(b, 0));
}

// `rounds` random trees compared with the oracle: round r has height height(r), values drawn from
// values(r) = {lowest, highest}, direction r % 2, and sorts in half the rounds (r % 4 < 2); the
// other half only merge, on input that need not be bitonic: the steps decide all the same.
template <class Height, class Range>
void expect_random_trees_match_oracle(std::uint32_t seed, int rounds, Height height, Range values) {
  std::mt19937 rng(seed);
  for (int round = 0; round < rounds; ++round) {
    shell::arena_reset();
    const auto [lowest, highest] = values(round);
    std::uniform_int_distribution<std::int32_t> value(lowest, highest);
    Values tree((std::size_t{2} << height(round)) - 1);
    for (auto& v : tree) v = value(rng);
    const std::int32_t spare = value(rng);
    SCOPED_TRACE(round);
    ASSERT_NO_FATAL_FAILURE(
        expect_steps_match_oracle(height(round), tree, spare, round % 2, round % 4 < 2));
  }
}

// What main_bitonic leaves after each pass, seen through the observer.
struct Passes {
  Values up, down;
  int calls = 0;
  std::uint64_t visited = 0;
};
Passes run_driver(int argc, std::int32_t print_flag = 0) {
  shell::arena_reset();
  Passes p;
  Observer observer;
  observer.context = &p;
  observer.sorted = [](void* c, const node* root, std::int32_t spare, std::int32_t dir) {
    auto* p = static_cast<Passes*>(c);
    (dir == 0 ? p->up : p->down) = sequence(root, spare);
    ++p->calls;
  };
  observer.in_order = [](void* c, const node*) { ++static_cast<Passes*>(c)->visited; };
  set_observer(&observer);
  flag = print_flag;
  main_bitonic(argc, nullptr);
  flag = 0;
  set_observer(nullptr);
  return p;
}

TEST_F(BisortTest, OneNodeKeepsTheSmallerUpwardAndTheLargerDownward) {
  for (auto [value, spare] : {std::pair{3, 7}, {7, 3}, {5, 5}, {-4, 99}}) {
    node leaf{value, nullptr, nullptr};
    EXPECT_EQ(Bisort(&leaf, spare, 0), std::max(value, spare));
    EXPECT_EQ(leaf.value, std::min(value, spare));
    leaf.value = value;
    EXPECT_EQ(Bisort(&leaf, spare, 1), std::min(value, spare));
    EXPECT_EQ(leaf.value, std::max(value, spare));
  }
}

TEST_F(BisortTest, EightValueTreeSortsBothWays) {
  node* root = RandTree(8, 12345768, 0);
  std::int32_t spare = random(245867) % 100;
  ASSERT_EQ(sequence(root, spare), (Values{11, 10, 16, 29, 20, 39, 25, 8}));
  spare = Bisort(root, spare, 0);
  EXPECT_EQ(sequence(root, spare), (Values{8, 10, 11, 16, 20, 25, 29, 39}));
  spare = Bisort(root, spare, 1);
  EXPECT_EQ(sequence(root, spare), (Values{39, 29, 25, 20, 16, 11, 10, 8}));
}

TEST_F(BisortTest, DownwardMergeExchangesSubtreesOnTies) {
  // The root's halves hold equal values 5: downward they are exchanged, and so are their left
  // subtrees, which decides where 8 and 1 end up (traced by hand through the merge's steps).
  node* root = perfect_tree(2, {1, 5, 2, 9, 8, 5, 3});
  EXPECT_EQ(Bimerge(root, 0, 1), 0);
  EXPECT_EQ(sequence(root, 0), (Values{9, 8, 5, 3, 5, 2, 1, 0}));
}

TEST_F(BisortTest, DriverLeavesTheKnownDisorderWithRepeatedValues) {
  for (int argc = 2; argc <= 226; ++argc) {
    Passes p = run_driver(argc);
    ASSERT_EQ(disorder(p.up, 0), 0) << argc;
    ASSERT_EQ(disorder(p.down, 1), 0) << argc;
  }
  struct Known {
    int argc, up, down;
  };
  for (Known k : {Known{227, 0, 1}, Known{1024, 8, 6}, Known{2048, 15, 6}}) {
    Passes p = run_driver(k.argc);
    EXPECT_EQ(disorder(p.up, 0), k.up) << k.argc;
    EXPECT_EQ(disorder(p.down, 1), k.down) << k.argc;
  }
  Passes eight = run_driver(8);
  EXPECT_EQ(eight.up, (Values{8, 10, 11, 16, 20, 25, 29, 39}));
  EXPECT_EQ(eight.down, (Values{39, 29, 25, 20, 16, 11, 10, 8}));
}

TEST_F(BisortTest, DriverWithoutArgumentsReturnsAtOnce) {
  for (int argc : {1, 0, -3}) {
    Passes p = run_driver(argc, 1);
    EXPECT_EQ(p.calls, 0);
    EXPECT_EQ(p.visited, 0u);
    EXPECT_EQ(shell::arena_stats().records, 0u);
  }
  Passes one = run_driver(3);  // a single node: 29 and the spare 8
  EXPECT_EQ(one.up, (Values{8, 29}));
  EXPECT_EQ(one.down, (Values{29, 8}));
}

TEST_F(BisortTest, PrintFlagWalksThreeTimesAndChangesNothing) {
  Passes quiet = run_driver(1000);
  Passes printed = run_driver(1000, 1);
  EXPECT_EQ(quiet.visited, 0u);
  EXPECT_EQ(printed.visited, 3u * 511u);
  EXPECT_EQ(printed.up, quiet.up);
  EXPECT_EQ(printed.down, quiet.down);
}

TEST_F(BisortTest, EmptyTreeAndOtherDirections) {
  EXPECT_EQ(Bisort(nullptr, 7, 0), 7);
  EXPECT_EQ(Bimerge(nullptr, 7, 1), 7);
  // Any non-zero direction sorts downward.
  node* a = perfect_tree(2, {4, 1, 7, 3, 3, 9, 0});
  node* b = perfect_tree(2, {4, 1, 7, 3, 3, 9, 0});
  EXPECT_EQ(Bisort(a, 5, -2), Bisort(b, 5, 1));
  EXPECT_EQ(sequence(a, 0), sequence(b, 0));
}

TEST_F(BisortTest, MatchesTheStepByStepRulesNodeForNode) {
  expect_random_trees_match_oracle(
      11, 800, [](int round) { return round % 9; },
      [](int round) {
        const int range = round % 4 == 0 ? 1000000 : 1 + round % 5;  // few values: many ties
        return std::pair<std::int32_t, std::int32_t>{-range / 2, range};
      });
}

// Merges run side by side in groups that double at each level up to 16 and then split in two;
// tall trees reach every group width and the splits many times over. Few distinct values make
// ties, where the subtree exchanges are easiest to get wrong.
TEST_F(BisortTest, GroupedMergesOfTallTreesMatchTheStepByStepRules) {
  expect_random_trees_match_oracle(
      17, 24, [](int round) { return 9 + round % 4; },
      [](int round) {
        return std::pair<std::int32_t, std::int32_t>{0, round % 3 == 0 ? 1000000 : 3};
      });
}

TEST_F(BisortTest, BothPassesKeepTheValuesAndOrderDistinctKeys) {
  std::mt19937 rng(13);
  for (int round = 0; round < 200; ++round) {
    shell::arena_reset();
    const int height = round % 12;
    const std::size_t count = (std::size_t{2} << height) - 1;
    const bool distinct = round % 2 == 0;
    Values values(count + 1);
    for (std::size_t i = 0; i < values.size(); ++i)
      values[i] =
          distinct ? static_cast<std::int32_t>(i * 7 - 300) : static_cast<std::int32_t>(rng() % 10);
    std::shuffle(values.begin(), values.end(), rng);
    const std::int32_t first_spare = values.back();
    node* root = perfect_tree(height, Values(values.begin(), values.end() - 1));
    Values sorted = values;
    std::sort(sorted.begin(), sorted.end());

    std::int32_t spare = Bisort(root, first_spare, 0);
    Values up = sequence(root, spare);
    spare = Bisort(root, spare, 1);
    Values down = sequence(root, spare);
    if (distinct) {
      EXPECT_EQ(up, sorted) << round;
      EXPECT_EQ(down, Values(sorted.rbegin(), sorted.rend())) << round;
    }
    std::sort(up.begin(), up.end());
    std::sort(down.begin(), down.end());
    EXPECT_EQ(up, sorted) << round;
    EXPECT_EQ(down, sorted) << round;
  }
}

}  // namespace
}  // namespace kernels::bisort
