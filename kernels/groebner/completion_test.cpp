#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/groebner/groebner.h"
#include "kernels/groebner/internal.h"
#include "kernels/groebner/test_support.h"

namespace kernels::groebner {
namespace {

using testing::members;
using testing::pairs_of;
using testing::record;
using testing::set_of;
using Members = std::vector<mpt*>;
using Pairs = std::vector<std::pair<mpt*, mpt*>>;

class GroebnerCompletion : public testing::EngineTest {};

bool is_fresh_zero_record(const mpt* r) {
  return r->term_count == 0 && r->serial == -1 && r->chain_next == nullptr && r->lpp == nullptr;
}

TEST_F(GroebnerCompletion, NormalFormKeepsZeroRecordsAndRecordsNothingDivides) {
  short lpp[1];
  mpt* zero = record(0);
  mpt* f = record(3);
  f->lpp = lpp;
  npt_* set = set_of({record(1), record(2)});
  testing::Calls calls;
  set_observer(&calls.observer);
  EXPECT_EQ(NormalForm(set, zero), zero);  // returned before the set is walked
  EXPECT_TRUE(calls.seen.empty());
  EXPECT_EQ(NormalForm(nullptr, f), f);
  mpt* negative = record(-1);
  EXPECT_EQ(NormalForm(nullptr, negative), negative);  // an empty set divides nothing
  EXPECT_TRUE(calls.seen.empty());
}

TEST_F(GroebnerCompletion, NormalFormOfANonzeroRecordIsANewZeroRecord) {
  short m_lpp[1], f_lpp[1];
  mpt* m = record(2);
  m->lpp = m_lpp;
  npt_* set = set_of({m, record(5)});
  for (short terms : {short{1}, short{-1}, short{32767}, short{-32768}}) {
    mpt* f = record(terms, 42);
    f->lpp = f_lpp;
    testing::Calls calls;
    set_observer(&calls.observer);
    mpt* r = NormalForm(set, f);
    set_observer(nullptr);
    EXPECT_NE(r, f);
    EXPECT_TRUE(is_fresh_zero_record(r));
    EXPECT_EQ(f->term_count, terms);  // f itself is unchanged
    EXPECT_EQ(f->serial, 42);
    // One division test against the first member, then f is given up.
    const std::vector<testing::Calls::Call> expect = {{'d', m_lpp, f_lpp, nullptr},
                                                      {'f', f, nullptr, nullptr}};
    EXPECT_EQ(calls.seen, expect) << terms;
  }
}

TEST_F(GroebnerCompletion, ReduceAllDropsWhatReducesToZeroOrBelow) {
  mpt* minus_one = record(-1);
  mpt* zero = record(0);
  npt_* pending = set_of({minus_one, zero});
  npt_* newpols = nullptr;
  npt_* basis = nullptr;
  nst_* pairset = nullptr;
  ReduceAll(&pending, &newpols, &basis, &pairset);
  EXPECT_EQ(pending, nullptr);
  EXPECT_EQ(newpols, nullptr);
  EXPECT_EQ(basis, nullptr);
  EXPECT_EQ(pairset, nullptr);
  EXPECT_EQ(minus_one->term_count, -1);
  EXPECT_EQ(addcnt + zerocnt + critcnt, 0.0f);
}

TEST_F(GroebnerCompletion, ReduceAllWithNothingPendingChangesNothing) {
  mpt* r[4];
  for (mpt*& x : r) x = record(1);
  npt_* pending = nullptr;
  npt_* newpols = set_of({r[0]});
  npt_* basis = set_of({r[1], r[2]});
  nst_* pairset = nullptr;
  nst_add(&pairset, r[1], r[2]);
  nst_add(&pairset, r[1], r[3]);
  nst_add(&pairset, r[2], r[3]);
  npt_* newpols_was = newpols;
  npt_* basis_was = basis;
  nst_* pairs_was = pairset;
  const Pairs order = pairs_of(pairset);
  ReduceAll(&pending, &newpols, &basis, &pairset);
  EXPECT_EQ(newpols, newpols_was);
  EXPECT_EQ(basis, basis_was);
  EXPECT_EQ(pairset, pairs_was);
  EXPECT_EQ(pairs_of(pairset), order);
}

TEST_F(GroebnerCompletion, ReduceAllKeepsTheFirstNonzeroAndRebuildsThePairSet) {
  mpt* h = record(2);
  mpt* x = record(1);
  mpt* y = record(-4);
  mpt* p[4];
  for (mpt*& q : p) q = record(1);
  npt_* pending = set_of({h, x, y});
  npt_* pending_was = pending;
  npt_* newpols = nullptr;
  npt_* basis = nullptr;
  nst_* pairset = nullptr;
  // Built as P1, P3, P2; taking them off and adding them again gives P1, P2, P3.
  nst_add(&pairset, p[0], p[1]);
  nst_add(&pairset, p[1], p[2]);
  nst_add(&pairset, p[2], p[3]);
  ASSERT_EQ(pairs_of(pairset), (Pairs{{p[0], p[1]}, {p[2], p[3]}, {p[1], p[2]}}));
  ReduceAll(&pending, &newpols, &basis, &pairset);
  EXPECT_EQ(members(newpols), (Members{h}));
  EXPECT_EQ(basis, nullptr);
  EXPECT_EQ(pending, nullptr);
  EXPECT_EQ(pairs_of(pairset), (Pairs{{p[0], p[1]}, {p[1], p[2]}, {p[2], p[3]}}));
  EXPECT_EQ(members(pending_was), (Members{h, x, y}));  // the caller's nodes are only read
}

TEST_F(GroebnerCompletion, NewBasisOfTwoNewRecordsGivesTwoZeroRecordsAndOnePair) {
  mpt* a = record(1);
  mpt* b = record(7);
  npt_* newpols = set_of({a, b});
  npt_* newpols_was = newpols;
  npt_* basis = nullptr;
  nst_* pairset = nullptr;
  NewBasis(&newpols, &basis, &pairset);
  const Members result = members(basis);
  ASSERT_EQ(result.size(), 2u);
  EXPECT_NE(result[0], result[1]);
  for (mpt* r : result) {
    EXPECT_TRUE(is_fresh_zero_record(r));
    EXPECT_NE(r, a);
    EXPECT_NE(r, b);
  }
  EXPECT_EQ(pairs_of(pairset), (Pairs{{b, a}}));
  EXPECT_EQ(newpols, newpols_was);
  EXPECT_EQ(members(newpols), (Members{a, b}));
}

TEST_F(GroebnerCompletion, Criterion1NeedsAThirdMemberWithNeitherPair) {
  mpt* f = record(1);
  mpt* g = record(1);
  mpt* h = record(1);
  npt_* only_fg = set_of({f, g});
  npt_* fgh = set_of({f, g, h});
  nst_* none = nullptr;
  EXPECT_EQ(Criterion1(f, g, &only_fg, &none), 0);
  EXPECT_EQ(Criterion1(f, g, &fgh, &none), 1);
  for (auto [x, y] : {std::pair{f, h}, std::pair{h, f}, std::pair{g, h}, std::pair{h, g}}) {
    nst_* one = nullptr;
    nst_add(&one, x, y);
    EXPECT_EQ(Criterion1(f, g, &fgh, &one), 0);
  }
  nst_* unrelated = nullptr;
  nst_add(&unrelated, f, g);
  EXPECT_EQ(Criterion1(f, g, &fgh, &unrelated), 1);
}

TEST_F(GroebnerCompletion, Criterion2DiscardsEveryPairAfterItsThreeVectorCalls) {
  short f_lpp[1], g_lpp[1];
  mpt* f = record(1);
  mpt* g = record(1);
  f->lpp = f_lpp;
  g->lpp = g_lpp;
  testing::Calls calls;
  set_observer(&calls.observer);
  EXPECT_EQ(Criterion2(f, g), 1);
  set_observer(nullptr);
  ASSERT_EQ(calls.seen.size(), 3u);
  const auto [m, ma, mb, maximum] = calls.seen[0];
  const auto [a, aa, ab, sum] = calls.seen[1];
  const auto [e, ea, eb, unused] = calls.seen[2];
  EXPECT_EQ(std::tuple(m, ma, mb), std::tuple('m', (const void*)f_lpp, (const void*)g_lpp));
  EXPECT_EQ(std::tuple(a, aa, ab), std::tuple('+', (const void*)f_lpp, (const void*)g_lpp));
  EXPECT_EQ(std::tuple(e, ea, eb), std::tuple('e', sum, maximum));
  EXPECT_NE(sum, maximum);
}

TEST_F(GroebnerCompletion, GrobnerKeepsTheFirstMemberWithPositiveTermCount) {
  mpt* f1 = record(1);
  mpt* f2 = record(2);
  mpt* f3 = record(3);
  npt_* F = set_of({f1, f2, f3});
  EXPECT_EQ(members(Grobner(&F)), (Members{f1}));
  EXPECT_EQ(members(F), (Members{f1, f2, f3}));

  mpt* z = record(0);
  mpt* f = record(5);
  npt_* zf = set_of({z, f});
  EXPECT_EQ(members(Grobner(&zf)), (Members{f}));

  npt_* empty = nullptr;
  EXPECT_EQ(Grobner(&empty), nullptr);
  EXPECT_EQ(addcnt, 0.0f);
  EXPECT_EQ(zerocnt, 0.0f);
  EXPECT_EQ(critcnt, 0.0f);
}

TEST_F(GroebnerCompletion, GrobnerOnRandomSetsReturnsTheFirstPositiveMemberAlone) {
  std::mt19937 rng(21);
  std::uniform_int_distribution<int> terms(-3, 3);
  for (int round = 0; round < 200; ++round) {
    Members input;
    const int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) input.push_back(record(static_cast<short>(terms(rng)), i));
    if (n > 0 && rng() % 4 == 0) input.push_back(input[rng() % input.size()]);  // a repeat
    Members expect;
    for (mpt* r : input)
      if (r->term_count > 0) {
        expect.push_back(r);
        break;
      }
    npt_* F = set_of(input);
    EXPECT_EQ(members(Grobner(&F)), expect) << round;
    EXPECT_EQ(members(F), input);
  }
  EXPECT_EQ(addcnt + zerocnt + critcnt, 0.0f);
}

TEST_F(GroebnerCompletion, PairLoopCountsEveryPairAsDiscardedAcrossCalls) {
  mpt* f = record(1);
  mpt* g = record(1);
  mpt* h = record(1);
  npt_* pending = nullptr;
  npt_* newpols = nullptr;
  npt_* basis = set_of({f, g, h});
  nst_* pairset = nullptr;
  nst_add(&pairset, f, g);
  nst_add(&pairset, g, h);
  nst_add(&pairset, f, h);
  internal::treat_pairs(&pending, &newpols, &basis, &pairset);
  EXPECT_EQ(pairset, nullptr);
  EXPECT_EQ(members(basis), (Members{f, g, h}));
  EXPECT_EQ(critcnt, 3.0f);
  EXPECT_EQ(addcnt, 0.0f);
  EXPECT_EQ(zerocnt, 0.0f);

  nst_add(&pairset, f, g);
  nst_add(&pairset, h, h);
  internal::treat_pairs(&pending, &newpols, &basis, &pairset);
  EXPECT_EQ(critcnt, 5.0f);  // never reset between calls

  npt_* F = set_of({f});
  Grobner(&F);
  EXPECT_EQ(critcnt, 5.0f);
}

TEST_F(GroebnerCompletion, CountersAddOneInSinglePrecision) {
  mpt* f = record(1);
  npt_* pending = nullptr;
  npt_* newpols = nullptr;
  npt_* basis = set_of({f});
  auto one_pair = [&] {
    nst_* pairset = nullptr;
    nst_add(&pairset, f, f);
    internal::treat_pairs(&pending, &newpols, &basis, &pairset);
  };
  critcnt = 16777215.0f;
  one_pair();
  EXPECT_EQ(critcnt, 16777216.0f);
  one_pair();
  EXPECT_EQ(critcnt, 16777216.0f);  // 2^24 + 1 rounds back to 2^24
}

}  // namespace
}  // namespace kernels::groebner
