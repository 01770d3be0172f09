#include <climits>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/bisort/bisort.h"
#include "kernels/shell/shell.h"

namespace kernels::bisort {
namespace {

class RandomTreeTest : public ::testing::Test {
 protected:
  void SetUp() override { shell::arena_reset(); }
  void TearDown() override { shell::arena_reset(); }
};

// random applied n times, one draw at a time.
std::int32_t draw_by_draw(std::int32_t seed, std::int64_t n) {
  for (; n > 0; --n) seed = random(seed);
  return seed;
}

using Visit = std::pair<std::int32_t, int>;  // (value, depth) of a node, in pre-order

// The tree the construction rules describe, built draw by draw, as its pre-order visits.
void literal_tree(std::int32_t size, std::int32_t seed, int depth, std::vector<Visit>& out) {
  if (size <= 1) return;
  seed = random(seed);
  out.emplace_back(seed % 100, depth);
  literal_tree(size / 2, seed, depth + 1, out);
  literal_tree(size / 2, draw_by_draw(seed, std::int64_t{size} + 1), depth + 1, out);
}

void visits(const node* n, int depth, std::vector<Visit>& out) {
  if (n == nullptr) return;
  out.emplace_back(n->value, depth);
  visits(n->left, depth + 1, out);
  visits(n->right, depth + 1, out);
}

std::vector<std::int32_t> in_order(const node* n) {
  if (n == nullptr) return {};
  std::vector<std::int32_t> out = in_order(n->left);
  out.push_back(n->value);
  for (std::int32_t v : in_order(n->right)) out.push_back(v);
  return out;
}

TEST_F(RandomTreeTest, GeneratorGivesTheKnownDraws) {
  EXPECT_EQ(mult(12345768, 31415821), 37595528);
  EXPECT_EQ(random(12345768), 37595529);
  EXPECT_EQ(random(245867), 113661808);
  EXPECT_EQ(random(245867) % 100, 8);
  // Remainders carry the dividend's sign: p0 = -5, p1 = 0.
  EXPECT_EQ(random(-5), -57079104);
  // The high half is reduced, the whole is not: results above 10^8 - 1 stand.
  EXPECT_EQ(mult(9999, 31415821), 126794179);  // 6859 * 10000 + 9999 * 5821
  for (std::int32_t s : {0, 12345768, -5, INT_MAX, INT_MIN}) EXPECT_EQ(skiprand(s, 0), s);
}

TEST_F(RandomTreeTest, SkiprandEqualsDrawingOneAtATime) {
  std::mt19937 rng(3);
  std::vector<std::int32_t> seeds = {0,  1,  12345768,   99999999,  100000000, 199970002,  INT_MAX,
                                     -1, -5, -100000000, -99999999, INT_MIN,   INT_MIN + 1};
  for (int i = 0; i < 40; ++i) seeds.push_back(static_cast<std::int32_t>(rng()));
  std::uniform_int_distribution<int> count(0, 20000);
  for (std::int32_t s : seeds) {
    for (int n : {0, 1, 2, 3, 64, 1025, count(rng), count(rng)})
      ASSERT_EQ(skiprand(s, n), draw_by_draw(s, n)) << "seed " << s << " n " << n;
  }
}

TEST_F(RandomTreeTest, SkiprandWithANegativeCountDrawsNothing) {
  for (std::int32_t s : {12345768, -5})
    for (std::int32_t n : {-1, -1000, INT_MIN}) EXPECT_EQ(skiprand(s, n), s);
}

TEST_F(RandomTreeTest, TreesBelowTwoValuesAreEmptyAndTakeNothing) {
  for (std::int32_t size : {1, 0, -1, -1024, INT_MIN})
    EXPECT_EQ(RandTree(size, 12345768, 0), nullptr);
  EXPECT_EQ(RandTree(1, -5, 0), nullptr);
  EXPECT_EQ(shell::arena_stats().records, 0u);
}

TEST_F(RandomTreeTest, SmallTreesHoldTheKnownValues) {
  for (std::int32_t size : {2, 3}) {
    node* root = RandTree(size, 12345768, 0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->value, 29);
    EXPECT_EQ(root->left, nullptr);
    EXPECT_EQ(root->right, nullptr);
  }
  node* root = RandTree(8, 12345768, 0);
  EXPECT_EQ(root->value, 29);
  EXPECT_EQ(in_order(root), (std::vector<std::int32_t>{11, 10, 16, 29, 20, 39, 25}));
}

TEST_F(RandomTreeTest, TreesHoldTwoToTheKMinusOneNodesOneRecordEach) {
  for (auto [size, nodes] : {std::pair{4, 3u}, {7, 3u}, {8, 7u}, {1023, 511u}, {1024, 1023u}}) {
    shell::arena_reset();
    std::vector<Visit> v;
    visits(RandTree(size, 12345768, 0), 0, v);
    EXPECT_EQ(v.size(), nodes) << size;
    EXPECT_EQ(shell::arena_stats().records, nodes) << size;
  }
}

TEST_F(RandomTreeTest, TreesMatchDrawByDrawConstruction) {
  std::mt19937 rng(5);
  std::vector<std::int32_t> seeds = {12345768, 0,  1,  99999999,   100000000,  199970002,
                                     INT_MAX,  -1, -5, -100000000, -200000000, INT_MIN};
  for (int i = 0; i < 20; ++i) seeds.push_back(static_cast<std::int32_t>(rng()));
  std::vector<std::int32_t> sizes;
  for (std::int32_t s = 0; s <= 70; ++s) sizes.push_back(s);
  for (std::int32_t s : {127, 128, 129, 255, 1023, 1024, 2047, 3000}) sizes.push_back(s);
  for (std::int32_t seed : seeds) {
    for (std::int32_t size : sizes) {
      shell::arena_reset();
      std::vector<Visit> want, got;
      literal_tree(size, seed, 0, want);
      visits(RandTree(size, seed, 7), 0, got);  // the root's depth selects nothing
      ASSERT_EQ(got, want) << "seed " << seed << " size " << size;
    }
  }
}

}  // namespace
}  // namespace kernels::bisort
