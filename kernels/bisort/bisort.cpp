// The bitonic sort and merge over the tree, the in-order walk and the driver.
//
// The recursions carry the subtree's height (0 at a leaf) instead of testing for null children:
// the tree is perfect, so the height read once down the left edge fixes every walk's length.
// The direction is a template parameter. Every exchange is done with selects instead of branches:
// the comparisons are data-dependent and unpredictable, and a mispredicted branch costs more
// than doing the stores unconditionally. Below height 2 no subtree moves (the children are null),
// so the bottom of each recursion is a handful of plain compare-exchanges on values. A merge's
// two halves are independent, so the merges below one are done side by side, their walks
// interleaved, which keeps many loads from memory in flight instead of one chain at a time.
#include <cstdint>
#include <utility>

#include "kernels/bisort/bisort.h"
#include "kernels/shell/shell.h"

namespace kernels::bisort {

std::int32_t flag = 0;

namespace {

const Observer* g_observer = nullptr;

// (first > second) xor dir: whether the merge exchanges the pair.
template <bool kDown>
inline bool exchanges(std::int32_t first, std::int32_t second) {
  return (first > second) != kDown;
}

// The compare-exchange of two values where nothing hangs below them: upward the smaller goes
// first, downward the larger. Ties are invisible here, so it is the same as exchanging by the
// rules (upward on >, downward on <=).
template <bool kDown>
inline void order(std::int32_t& first, std::int32_t& second) {
  const std::int32_t a = first, b = second;
  const bool swap = exchanges<kDown>(a, b);
  first = swap ? b : a;
  second = swap ? a : b;
}

// One step of the lockstep walk down the two halves of a merge, at the pair pl, pr: exchange
// the values when (pl > pr) xor dir; with the merge's root exchanged, such an exchange also
// exchanges the right subtrees and the walk goes left, else it goes right; without, it exchanges
// the left subtrees and goes right, else left. root_exchanged is fixed for a whole walk, so its
// branch is predicted.
template <bool kDown>
inline void step(node*& pl, node*& pr, bool root_exchanged) {
  node* const l = pl;
  node* const r = pr;
  const std::int32_t a = l->value, b = r->value;
  const bool swap = exchanges<kDown>(a, b);
  l->value = swap ? b : a;
  r->value = swap ? a : b;
  node* const l_left = l->left;
  node* const l_right = l->right;
  node* const r_left = r->left;
  node* const r_right = r->right;
  // The next pair is two of these four, chosen by the comparison: fetch all four now so that
  // their loads overlap instead of waiting on the choice.
  __builtin_prefetch(l_left);
  __builtin_prefetch(l_right);
  __builtin_prefetch(r_left);
  __builtin_prefetch(r_right);
  if (root_exchanged) {
    l->right = swap ? r_right : l_right;
    r->right = swap ? l_right : r_right;
    pl = swap ? l_left : l_right;
    pr = swap ? r_left : r_right;
  } else {
    l->left = swap ? r_left : l_left;
    r->left = swap ? l_left : r_left;
    pl = swap ? l_right : l_left;
    pr = swap ? r_right : r_left;
  }
}

// Bimerge of a subtree of height 0 or 1, the spare held in *spare: no subtree moves (the
// children are null), so it is a handful of compare-exchanges on values.
template <bool kDown>
inline void merge_small(node* root, std::int32_t* spare, int height) {
  order<kDown>(root->value, *spare);
  if (height == 0) return;
  node* const left = root->left;
  node* const right = root->right;
  order<kDown>(left->value, right->value);
  order<kDown>(left->value, root->value);
  order<kDown>(right->value, *spare);
}

// Merges done together: at most this many. On the default 2^20 values, 16 measured faster than
// 8 and no slower than 32; a single walk at a time is the slowest.
constexpr int kMaxGroup = 16;

// Bimerge of K subtrees of the same height at once, roots[k] with the spare *spares[k]. The K
// merges touch disjoint nodes and spares (the subtrees are disjoint, and each spare is a value
// outside all of them that only its own merge uses), so interleaving their steps gives exactly
// the result of doing them one after the other. Their lockstep walks are chains of dependent
// loads: done together, K independent chains overlap their memory latencies instead of adding
// them up. A merge's two halves are again two such merges, so the next level takes 2K of them,
// up to kMaxGroup at a time.
template <bool kDown, int K>
void merge_group(node* const (&roots)[K], std::int32_t* const (&spares)[K], int height) {
  if (height <= 1) {
    for (int k = 0; k < K; ++k) merge_small<kDown>(roots[k], spares[k], height);
    return;
  }
  node* pl[K];
  node* pr[K];
  bool root_exchanged[K];
  for (int k = 0; k < K; ++k) {
    node* const root = roots[k];
    const std::int32_t v = root->value, s = *spares[k];
    const bool swap = exchanges<kDown>(v, s);
    root->value = swap ? s : v;
    *spares[k] = swap ? v : s;
    root_exchanged[k] = swap;
    pl[k] = root->left;
    pr[k] = root->right;
  }
  for (int h = height - 1; h > 0; --h)
    for (int k = 0; k < K; ++k) step<kDown>(pl[k], pr[k], root_exchanged[k]);
  for (int k = 0; k < K; ++k) order<kDown>(pl[k]->value, pr[k]->value);  // the leaves

  // Each merge goes on with its left half (spare: its root's value) and its right half (spare:
  // its own spare).
  node* halves[2 * K];
  std::int32_t* half_spares[2 * K];
  for (int k = 0; k < K; ++k) {
    halves[2 * k] = roots[k]->left;
    half_spares[2 * k] = &roots[k]->value;
    halves[2 * k + 1] = roots[k]->right;
    half_spares[2 * k + 1] = spares[k];
  }
  if constexpr (2 * K <= kMaxGroup) {
    merge_group<kDown, 2 * K>(halves, half_spares, height - 1);
  } else {
    for (int part = 0; part < 2; ++part) {
      node* group[K];
      std::int32_t* group_spares[K];
      for (int k = 0; k < K; ++k) {
        group[k] = halves[part * K + k];
        group_spares[k] = half_spares[part * K + k];
      }
      merge_group<kDown, K>(group, group_spares, height - 1);
    }
  }
}

// Bimerge of a subtree of the given height, the spare held in *spare.
template <bool kDown>
void merge(node* root, std::int32_t* spare, int height) {
  node* const roots[1] = {root};
  std::int32_t* const spares[1] = {spare};
  merge_group<kDown, 1>(roots, spares, height);
}

// Bisort of a subtree of the given height, the spare held in *spare.
template <bool kDown>
void sort(node* root, std::int32_t* spare, int height) {
  if (height == 0) {
    order<kDown>(root->value, *spare);
    return;
  }
  node* const left = root->left;
  node* const right = root->right;
  if (height == 1) {
    order<kDown>(left->value, root->value);
    order<!kDown>(right->value, *spare);
    order<kDown>(root->value, *spare);
    order<kDown>(left->value, right->value);
    order<kDown>(left->value, root->value);
    order<kDown>(right->value, *spare);
    return;
  }
  // The right half is sorted after the left: start fetching its root and children now, so that
  // they arrive while the left half is sorted (both children exist: height >= 2).
  __builtin_prefetch(right);
  __builtin_prefetch(right->left);
  __builtin_prefetch(right->right);
  sort<kDown>(left, &root->value, height - 1);
  sort<!kDown>(right, spare, height - 1);
  merge<kDown>(root, spare, height);
}

// Height of a perfect tree: the length of its left edge.
int height_of(const node* root) {
  int h = 0;
  for (const node* n = root->left; n != nullptr; n = n->left) ++h;
  return h;
}

}  // namespace

void SwapVal(node* a, node* b) {
  std::swap(a->value, b->value);
}
void SwapLeft(node* a, node* b) {
  std::swap(a->left, b->left);
}
void SwapRight(node* a, node* b) {
  std::swap(a->right, b->right);
}

std::int32_t Bimerge(node* root, std::int32_t spare, std::int32_t dir) {
  if (root == nullptr) return spare;
  if (dir != 0) {
    merge<true>(root, &spare, height_of(root));
  } else {
    merge<false>(root, &spare, height_of(root));
  }
  return spare;
}

std::int32_t Bisort(node* root, std::int32_t spare, std::int32_t dir) {
  if (root == nullptr) return spare;
  if (dir != 0) {
    sort<true>(root, &spare, height_of(root));
  } else {
    sort<false>(root, &spare, height_of(root));
  }
  return spare;
}

void InOrder(node* root) {
  if (root == nullptr) return;
  node* const left = root->left;
  node* const right = root->right;
  if (g_observer != nullptr && g_observer->in_order != nullptr)
    g_observer->in_order(g_observer->context, root);
  InOrder(left);
  InOrder(right);
}

void set_observer(const Observer* observer) {
  g_observer = observer;
}

void main_bitonic(int argc, char** argv) {
  const std::int32_t n = dealwithargs(argc, argv);
  if (n < 2) return;  // an empty tree: nothing to build or sort
  node* const root = RandTree(n, 12345768, 0);
  std::int32_t spare = random(245867) % 100;
  if (flag != 0) InOrder(root);
  spare = Bisort(root, spare, 0);
  if (g_observer != nullptr && g_observer->sorted != nullptr)
    g_observer->sorted(g_observer->context, root, spare, 0);
  if (flag != 0) InOrder(root);
  spare = Bisort(root, spare, 1);
  if (g_observer != nullptr && g_observer->sorted != nullptr)
    g_observer->sorted(g_observer->context, root, spare, 1);
  if (flag != 0) InOrder(root);
}

}  // namespace kernels::bisort
