// Basis completion: normal forms, reduction of a work set, new bases, the two criteria and the
// pair loop.
#include "kernels/groebner/groebner.h"
#include "kernels/groebner/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::groebner {
namespace {

// A new record standing for a polynomial the engine forms itself: serial -1, term_count 0,
// every other field 0 or null.
mpt* new_record() {
  mpt* r = shell::arena_new<mpt>();
  r->serial = -1;
  r->term_count = 0;
  return r;
}

// Empties *set and stores `replacement` in it.
void replace(npt_** set, npt_* replacement) {
  npt_free(set);
  *set = replacement;
}

// The members of *set, first to last, whose lpp h's lpp divides, added in turn to a new set.
npt_* divisible_by(mpt* h, npt_** set) {
  npt_* found = nullptr;
  for (npt_* n = *set; n != nullptr; n = n->next)
    if (divides(LP(h), LP(n->pol))) npt_add(&found, n->pol);
  return found;
}

// Takes every pair off *pairset, first to last, and adds again, with nst_add, those with neither
// record in *dropped.
void rebuild_pairs(nst_** pairset, npt_** dropped) {
  nst_* kept = nullptr;
  while (*pairset != nullptr) {
    nst_* first = *pairset;
    *pairset = first->next;
    if (npt_in(dropped, first->first) || npt_in(dropped, first->second)) continue;
    nst_add(&kept, first->first, first->second);
  }
  *pairset = kept;
}

void count(float& counter) {
  counter = counter + 1.0f;
}

}  // namespace

mpt* NormalForm(npt_* set, mpt* f) {
  for (;;) {
    if (f->term_count == 0) return f;
    const npt_* n = set;
    while (n != nullptr && divides(LP(n->pol), LP(f)) == 0) n = n->next;
    if (n == nullptr) return f;
    mpt* r = new_record();
    mpolfree(f);
    f = r;
  }
}

void ReduceAll(npt_** pending, npt_** newpols, npt_** basis, nst_** pairset) {
  while (*pending != nullptr) {
    mpt* h = npt_choose(pending);
    npt_* t = npt_union(basis, newpols);
    h = NormalForm(t, h);
    npt_free(&t);
    if (h->term_count <= 0) continue;
    npt_* g1 = divisible_by(h, basis);
    npt_* q1 = divisible_by(h, newpols);
    replace(basis, npt_minus(basis, &g1));
    replace(newpols, npt_minus(newpols, &q1));
    rebuild_pairs(pairset, &g1);
    replace(pending, npt_union(pending, &g1));
    replace(pending, npt_union(pending, &q1));
    npt_free(&g1);
    npt_free(&q1);
    npt_add(newpols, h);
  }
}

void NewBasis(npt_** newpols, npt_** basis, nst_** pairset) {
  replace(basis, npt_union(basis, newpols));
  for (npt_* x = *basis; x != nullptr; x = x->next)
    for (npt_* y = *newpols; y != nullptr; y = y->next)
      if (x->pol != y->pol) nst_add(pairset, x->pol, y->pol);
  npt_* out = nullptr;
  npt_* walk = *basis;
  while (walk != nullptr) {
    mpt* g = npt_choose(&walk);
    npt_* alone = shell::arena_new<npt_>();
    alone->pol = g;
    alone->next = nullptr;
    npt_* others = npt_minus(basis, &alone);
    mpt* h = NormalForm(others, g);
    npt_free(&others);
    npt_add(&out, h);
  }
  *basis = out;
}

int Criterion1(mpt* f, mpt* g, npt_** basis, nst_** pairset) {
  for (npt_* n = *basis; n != nullptr; n = n->next) {
    mpt* h = n->pol;
    if (h == f || h == g) continue;
    short* divisor = LP(h);
    if (divides(divisor, LCM(LP(f), LP(g))) == 0) continue;
    if (nst_in(pairset, f, h) != 0) continue;
    if (nst_in(pairset, g, h) != 0) continue;
    return 1;
  }
  return 0;
}

int Criterion2(mpt* f, mpt* g) {
  static short maximum[4000];
  static short sum[4000];
  expomax(f->lpp, g->lpp, maximum);
  expoadd(f->lpp, g->lpp, sum);
  return expoequal(sum, maximum) != 0 ? 1 : 0;
}

// With the fixed monomial operations the basis after ReduceAll holds at most one record, so
// NewBasis makes no pair and treat_pairs finds none; it is written out in full all the same. The
// S-polynomial record, should a pair get that far, is a new record with term_count 0, serial -1
// and every other field 0 or null.
npt_* Grobner(npt_** F) {
  npt_* pending = *F;
  npt_* newpols = nullptr;
  npt_* basis = nullptr;
  nst_* pairset = nullptr;
  ReduceAll(&pending, &newpols, &basis, &pairset);
  NewBasis(&newpols, &basis, &pairset);
  internal::treat_pairs(&pending, &newpols, &basis, &pairset);
  return basis;
}

namespace internal {

void treat_pairs(npt_** pending, npt_** newpols, npt_** basis, nst_** pairset) {
  while (*pairset != nullptr) {
    nst_* pair = *pairset;
    *pairset = pair->next;
    mpt* f = pair->first;
    mpt* g = pair->second;
    if (Criterion1(f, g, basis, pairset) != 0 || Criterion2(f, g) != 0) {
      count(critcnt);
      continue;
    }
    mpt* h = NormalForm(*basis, new_record());
    if (h->term_count <= 0) {
      count(zerocnt);
      continue;
    }
    npt_* d = divisible_by(h, basis);
    *pending = d;
    npt_* alone = shell::arena_new<npt_>();
    alone->pol = h;
    alone->next = nullptr;
    *newpols = alone;
    replace(basis, npt_minus(basis, &d));
    rebuild_pairs(pairset, &d);
    ReduceAll(pending, newpols, basis, pairset);
    NewBasis(newpols, basis, pairset);
    count(addcnt);
  }
}

}  // namespace internal
}  // namespace kernels::groebner
