// Polynomial sets and ordered pair sets.
#include <cstddef>
#include <cstdint>

#include "kernels/groebner/groebner.h"
#include "kernels/shell/shell.h"

namespace kernels::groebner {
namespace {

// Up to this much work (member comparisons) a set is built by plain npt_add calls; beyond it a
// scratch table of members keeps the building linear.
constexpr std::size_t kPlainWork = 512;

std::size_t length(const npt_* set) {
  std::size_t n = 0;
  for (; set != nullptr; set = set->next) ++n;
  return n;
}

// Puts p first in *set with a new node, without looking for it.
void push_front(npt_** set, mpt* p) {
  npt_* node = shell::arena_new<npt_>();
  node->pol = p;
  node->next = *set;
  *set = node;
}

// A set of record addresses: open addressing with linear probing over a table from the run
// arena, twice as large as the most members it will hold. Null is kept apart, since a zero slot
// marks an empty one.
class PointerSet {
 public:
  explicit PointerSet(std::size_t most) {
    std::size_t capacity = 16;
    int bits = 4;
    while (capacity < 2 * most) {
      capacity *= 2;
      ++bits;
    }
    slots_ = shell::arena_new<mpt*>(capacity);
    mask_ = capacity - 1;
    shift_ = 64 - bits;
  }

  // Adds p; true when it was not there before.
  bool insert(mpt* p) {
    if (p == nullptr) {
      const bool fresh = !has_null_;
      has_null_ = true;
      return fresh;
    }
    for (std::size_t i = slot(p);; i = (i + 1) & mask_) {
      if (slots_[i] == p) return false;
      if (slots_[i] == nullptr) {
        slots_[i] = p;
        return true;
      }
    }
  }

  bool contains(mpt* p) const {
    if (p == nullptr) return has_null_;
    for (std::size_t i = slot(p);; i = (i + 1) & mask_) {
      if (slots_[i] == p) return true;
      if (slots_[i] == nullptr) return false;
    }
  }

 private:
  std::size_t slot(mpt* p) const {
    const auto key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }

  mpt** slots_;
  std::size_t mask_;
  int shift_;
  bool has_null_ = false;
};

}  // namespace

mpt* npt_choose(npt_** set) {
  npt_* first = *set;
  if (first == nullptr) return nullptr;
  *set = first->next;
  return first->pol;
}

// Moving *set on node by node ends at null; the nodes are not touched on the way.
void npt_free(npt_** set) {
  *set = nullptr;
}

void npt_add(npt_** set, mpt* p) {
  if (npt_in(set, p)) return;
  push_front(set, p);
}

int npt_in(npt_** set, mpt* p) {
  for (const npt_* n = *set; n != nullptr; n = n->next)
    if (n->pol == p) return 1;
  return 0;
}

npt_* npt_union(npt_** a, npt_** b) {
  npt_* result = nullptr;
  const std::size_t members = length(*a) + length(*b);
  if (members * members <= kPlainWork) {
    for (const npt_* n = *a; n != nullptr; n = n->next) npt_add(&result, n->pol);
    for (const npt_* n = *b; n != nullptr; n = n->next) npt_add(&result, n->pol);
    return result;
  }
  PointerSet added(members);
  for (const npt_* n = *a; n != nullptr; n = n->next)
    if (added.insert(n->pol)) push_front(&result, n->pol);
  for (const npt_* n = *b; n != nullptr; n = n->next)
    if (added.insert(n->pol)) push_front(&result, n->pol);
  return result;
}

npt_* npt_minus(npt_** a, npt_** b) {
  npt_* result = nullptr;
  const std::size_t la = length(*a);
  const std::size_t lb = length(*b);
  if (la * (la + lb) <= kPlainWork) {
    for (const npt_* n = *a; n != nullptr; n = n->next)
      if (!npt_in(b, n->pol)) npt_add(&result, n->pol);
    return result;
  }
  PointerSet removed(lb);
  for (const npt_* n = *b; n != nullptr; n = n->next) removed.insert(n->pol);
  PointerSet added(la);
  for (const npt_* n = *a; n != nullptr; n = n->next)
    if (!removed.contains(n->pol) && added.insert(n->pol)) push_front(&result, n->pol);
  return result;
}

int lesspair(nst_* x, nst_* y) {
  static short first_max[4000];
  static short second_max[4000];
  expomax(x->first->lpp, x->second->lpp, first_max);
  expomax(y->first->lpp, y->second->lpp, second_max);
  return 0;
}

// The new node goes first when lesspair ranks it below the first node, otherwise directly in
// front of the first later node that lesspair does not rank below it. lesspair ranks nothing
// below anything, so every new pair lands behind the first node: P1, P2, P3, P4 added in turn to
// an empty set give P1, P4, P3, P2.
void nst_add(nst_** set, mpt* a, mpt* b) {
  if (nst_in(set, a, b)) return;
  nst_* n = shell::arena_new<nst_>();
  n->first = a;
  n->second = b;
  n->next = nullptr;
  if (*set == nullptr) {
    *set = n;
    return;
  }
  if (lesspair(n, *set)) {
    n->next = *set;
    *set = n;
    return;
  }
  nst_* c = *set;
  while (c->next != nullptr && lesspair(c->next, n)) c = c->next;
  n->next = c->next;
  c->next = n;
}

int nst_in(nst_** set, mpt* a, mpt* b) {
  for (const nst_* n = *set; n != nullptr; n = n->next)
    if ((n->first == a && n->second == b) || (n->first == b && n->second == a)) return 1;
  return 0;
}

}  // namespace kernels::groebner
