// Drives random sequences of set and pair-set operations over a small pool of records and
// checks what holds by construction: a member is present after npt_add, npt_add never repeats a
// member, union and difference agree with repeated adds and leave their inputs alone, a pair
// is present in both orders after nst_add and nst_in is symmetric.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "kernels/groebner/groebner.h"
#include "kernels/shell/shell.h"

namespace {

using namespace kernels::groebner;

constexpr int kPool = 24;
constexpr int kSets = 4;

void check(bool ok) {
  if (!ok) std::abort();
}

std::vector<mpt*> members(const npt_* set) {
  std::vector<mpt*> out;
  for (; set != nullptr; set = set->next) out.push_back(set->pol);
  return out;
}

bool unique(std::vector<mpt*> m) {
  std::sort(m.begin(), m.end());
  return std::adjacent_find(m.begin(), m.end()) == m.end();
}

void add_to(std::vector<mpt*>& set, mpt* p) {
  if (std::find(set.begin(), set.end(), p) == set.end()) set.insert(set.begin(), p);
}

bool in(const std::vector<mpt*>& m, mpt* p) {
  return std::find(m.begin(), m.end(), p) != m.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kernels::shell::arena_reset();
  mpt* pool[kPool];
  for (mpt*& r : pool) r = kernels::shell::arena_new<mpt>();
  npt_* sets[kSets] = {};
  nst_* pair_sets[2] = {};
  // At most 128 operations an input: enough to fill the sets and build long pair sets, and the
  // checks, linear in the sets' sizes, stay cheap whatever length the fuzzer grows its inputs to.
  for (std::size_t i = 0; i + 2 < size && i < 3 * 128; i += 3) {
    const int op = data[i] % 8;
    npt_*& x = sets[data[i + 1] % kSets];
    npt_*& y = sets[(data[i + 1] / kSets) % kSets];
    mpt* p = pool[data[i + 2] % kPool];
    mpt* q = pool[(data[i + 2] / kPool) % kPool];
    nst_*& pairs = pair_sets[data[i + 1] % 2];
    switch (op) {
      case 0: {
        const std::vector<mpt*> before = members(x);
        npt_add(&x, p);
        const std::vector<mpt*> after = members(x);
        check(npt_in(&x, p) == 1 && unique(after));
        std::vector<mpt*> expect = before;
        add_to(expect, p);
        check(after == expect);
        break;
      }
      case 1: {
        npt_* x_was = x;
        npt_* y_was = y;
        const std::vector<mpt*> mx = members(x), my = members(y);
        npt_* u = npt_union(&x, &y);
        std::vector<mpt*> expect;
        for (mpt* m : mx) add_to(expect, m);
        for (mpt* m : my) add_to(expect, m);
        check(members(u) == expect && x == x_was && y == y_was && members(x) == mx);
        x = u;
        break;
      }
      case 2: {
        const std::vector<mpt*> mx = members(x), my = members(y);
        npt_* d = npt_minus(&x, &y);
        std::vector<mpt*> expect;
        for (mpt* m : mx)
          if (!in(my, m)) add_to(expect, m);
        check(members(d) == expect && members(x) == mx && members(y) == my);
        x = d;
        break;
      }
      case 3: {
        npt_* first = x;
        mpt* m = npt_choose(&x);
        check(first == nullptr ? (m == nullptr && x == nullptr) : (m == first->pol));
        break;
      }
      case 4:
        npt_free(&x);
        check(x == nullptr);
        break;
      case 5:
      case 6: {
        const bool had = nst_in(&pairs, p, q) == 1;
        std::size_t before = 0;
        for (const nst_* n = pairs; n != nullptr; n = n->next) ++before;
        nst_add(&pairs, p, q);
        std::size_t after = 0;
        for (const nst_* n = pairs; n != nullptr; n = n->next) ++after;
        check(nst_in(&pairs, p, q) == 1 && nst_in(&pairs, q, p) == 1);
        check(after == before + (had ? 0 : 1));
        // A new pair goes first only into an empty set, otherwise directly behind the first.
        if (!had && before > 0) check(pairs->next->first == p && pairs->next->second == q);
        break;
      }
      case 7:
        check(nst_in(&pairs, p, q) == nst_in(&pairs, q, p));
        break;
    }
  }
  // Every set built only through these operations holds each record once.
  for (npt_* set : sets) check(unique(members(set)));
  return 0;
}
