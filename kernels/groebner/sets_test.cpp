#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/groebner/groebner.h"
#include "kernels/groebner/test_support.h"

namespace kernels::groebner {
namespace {

using testing::members;
using testing::pairs_of;
using testing::record;
using testing::set_of;
using Members = std::vector<mpt*>;
using Pairs = std::vector<std::pair<mpt*, mpt*>>;

class GroebnerSets : public testing::EngineTest {};

// The reference: the members a run of npt_add calls would leave, as a plain vector.
void add_to(Members& set, mpt* p) {
  if (std::find(set.begin(), set.end(), p) == set.end()) set.insert(set.begin(), p);
}

Members reference_union(const Members& a, const Members& b) {
  Members out;
  for (mpt* p : a) add_to(out, p);
  for (mpt* p : b) add_to(out, p);
  return out;
}

Members reference_minus(const Members& a, const Members& b) {
  Members out;
  for (mpt* p : a)
    if (std::find(b.begin(), b.end(), p) == b.end()) add_to(out, p);
  return out;
}

bool shares_a_node(const npt_* x, const npt_* y) {
  for (; x != nullptr; x = x->next)
    for (const npt_* n = y; n != nullptr; n = n->next)
      if (n == x) return true;
  return false;
}

TEST_F(GroebnerSets, UnionAndMinusListInReverseOrderOfFirstOccurrence) {
  mpt* a = record(1);
  mpt* b = record(1);
  mpt* c = record(1);
  npt_* ab = set_of({a, b});
  npt_* bc = set_of({b, c});
  npt_* abc = set_of({a, b, c});
  npt_* just_b = set_of({b});
  npt_* empty = nullptr;
  EXPECT_EQ(members(npt_union(&ab, &bc)), (Members{c, b, a}));
  EXPECT_EQ(members(npt_minus(&abc, &just_b)), (Members{c, a}));
  npt_* reversed = npt_union(&ab, &empty);
  EXPECT_EQ(members(reversed), (Members{b, a}));
  EXPECT_EQ(members(npt_union(&reversed, &empty)), (Members{a, b}));
}

TEST_F(GroebnerSets, ChooseAndFreeMoveOnlyTheVariable) {
  mpt* a = record(1);
  mpt* b = record(1);
  npt_* set = set_of({a, b});
  npt_* other = set;
  EXPECT_EQ(npt_choose(&set), a);
  EXPECT_EQ(npt_choose(&set), b);
  EXPECT_EQ(npt_choose(&set), nullptr);
  EXPECT_EQ(set, nullptr);
  set = other;
  npt_free(&set);
  EXPECT_EQ(set, nullptr);
  EXPECT_EQ(members(other), (Members{a, b}));  // another variable still sees every node
}

TEST_F(GroebnerSets, AddPutsNewMembersFirstAndKeepsThemUnique) {
  mpt* a = record(1);
  mpt* b = record(1);
  npt_* set = nullptr;
  npt_add(&set, a);
  npt_add(&set, b);
  npt_* before = set;
  npt_add(&set, a);
  npt_add(&set, b);
  EXPECT_EQ(set, before);
  EXPECT_EQ(members(set), (Members{b, a}));
  npt_add(&set, nullptr);  // a null member is not read, only compared
  EXPECT_EQ(members(set), (Members{nullptr, b, a}));
  EXPECT_EQ(npt_in(&set, nullptr), 1);
  EXPECT_EQ(npt_in(&set, record(1)), 0);
}

TEST_F(GroebnerSets, UnionAndMinusMatchRepeatedAddsOnRandomSets) {
  std::mt19937 rng(4);
  for (int round = 0; round < 300; ++round) {
    // Sizes from empty to well past the point where the building switches to a scratch table.
    const int pool_size = 1 + static_cast<int>(rng() % 200);
    Members pool;
    for (int i = 0; i < pool_size; ++i) pool.push_back(i == 0 ? nullptr : record(1, i));
    auto draw = [&](int most) {
      Members m;
      const int n = static_cast<int>(rng() % static_cast<unsigned>(most + 1));
      for (int i = 0; i < n; ++i) m.push_back(pool[rng() % pool.size()]);  // repeats allowed
      return m;
    };
    const Members ma = draw(round % 2 == 0 ? 12 : 250);
    const Members mb = draw(round % 3 == 0 ? 5 : 250);
    npt_* a = set_of(ma);
    npt_* b = set_of(mb);
    npt_* a_was = a;
    npt_* b_was = b;
    npt_* u = npt_union(&a, &b);
    npt_* m = npt_minus(&a, &b);
    ASSERT_EQ(members(u), reference_union(ma, mb)) << round;
    ASSERT_EQ(members(m), reference_minus(ma, mb)) << round;
    ASSERT_EQ(a, a_was);
    ASSERT_EQ(b, b_was);
    ASSERT_EQ(members(a), ma);
    ASSERT_EQ(members(b), mb);
    ASSERT_FALSE(shares_a_node(u, a) || shares_a_node(u, b) || shares_a_node(m, a) ||
                 shares_a_node(m, b));
    if (round % 50 == 0) testing::EngineTest::clean();
  }
}

TEST_F(GroebnerSets, NewPairsGoDirectlyBehindTheFirstNode) {
  mpt* r[5];
  for (mpt*& x : r) x = record(1);
  nst_* three = nullptr;
  nst_add(&three, r[0], r[1]);
  nst_add(&three, r[1], r[2]);
  nst_add(&three, r[2], r[3]);
  EXPECT_EQ(pairs_of(three), (Pairs{{r[0], r[1]}, {r[2], r[3]}, {r[1], r[2]}}));

  nst_* four = nullptr;
  const Pairs p = {{r[0], r[1]}, {r[0], r[2]}, {r[3], r[4]}, {r[4], r[4]}};
  for (const auto& [a, b] : p) nst_add(&four, a, b);
  EXPECT_EQ(pairs_of(four), (Pairs{p[0], p[3], p[2], p[1]}));
}

TEST_F(GroebnerSets, PairsAreUnorderedForMembership) {
  mpt* a = record(1);
  mpt* b = record(1);
  mpt* c = record(1);
  nst_* set = nullptr;
  nst_add(&set, a, b);
  nst_add(&set, a, a);  // a pair of a record with itself is accepted
  const Pairs before = pairs_of(set);
  nst_add(&set, b, a);
  nst_add(&set, a, a);
  EXPECT_EQ(pairs_of(set), before);
  EXPECT_EQ(before, (Pairs{{a, b}, {a, a}}));
  EXPECT_EQ(nst_in(&set, b, a), 1);
  EXPECT_EQ(nst_in(&set, a, b), 1);
  EXPECT_EQ(nst_in(&set, a, c), 0);
  EXPECT_EQ(nst_in(&set, b, b), 0);
}

TEST_F(GroebnerSets, LesspairReadsTheFourLeadingPowerProductsAndRanksNothing) {
  short e[4][1];
  mpt* r[4];
  for (int i = 0; i < 4; ++i) {
    r[i] = record(1);
    r[i]->lpp = e[i];
  }
  nst_ x{r[0], r[1], nullptr};
  nst_ y{r[2], r[3], nullptr};
  testing::Calls calls;
  set_observer(&calls.observer);
  EXPECT_EQ(lesspair(&x, &y), 0);
  EXPECT_EQ(lesspair(&y, &x), 0);
  set_observer(nullptr);
  ASSERT_EQ(calls.seen.size(), 4u);
  const auto& [op0, a0, b0, w0] = calls.seen[0];
  const auto& [op1, a1, b1, w1] = calls.seen[1];
  EXPECT_EQ(op0, 'm');
  EXPECT_EQ(op1, 'm');
  EXPECT_EQ(a0, e[0]);
  EXPECT_EQ(b0, e[1]);
  EXPECT_EQ(a1, e[2]);
  EXPECT_EQ(b1, e[3]);
  EXPECT_NE(w0, w1);  // two working vectors of its own
  EXPECT_EQ(std::get<3>(calls.seen[2]), w0);
  EXPECT_EQ(std::get<1>(calls.seen[2]), e[2]);
}

TEST_F(GroebnerSets, PairInsertionMatchesTheBehindTheFirstRuleOnRandomSequences) {
  std::mt19937 rng(9);
  mpt* pool[12];
  for (mpt*& x : pool) x = record(1);
  for (int round = 0; round < 100; ++round) {
    nst_* set = nullptr;
    Pairs expect;
    for (int step = 0; step < 40; ++step) {
      mpt* a = pool[rng() % 12];
      mpt* b = pool[rng() % 12];
      const bool present = std::any_of(expect.begin(), expect.end(), [&](const auto& q) {
        return (q.first == a && q.second == b) || (q.first == b && q.second == a);
      });
      ASSERT_EQ(nst_in(&set, a, b), present ? 1 : 0);
      ASSERT_EQ(nst_in(&set, b, a), present ? 1 : 0);
      if (!present) expect.insert(expect.begin() + (expect.empty() ? 0 : 1), {a, b});
      nst_add(&set, a, b);
      ASSERT_EQ(pairs_of(set), expect);
    }
  }
}

}  // namespace
}  // namespace kernels::groebner
