// The bitonic sort and merge over the tree, the in-order walk and the driver.
//
// The recursions carry the subtree's height (0 at a leaf) instead of testing for null children:
// the tree is perfect, so the height read once down the left edge fixes every walk's length.
// The direction is a template parameter. Every exchange is done with selects instead of branches:
// the comparisons are data-dependent and unpredictable, and a mispredicted branch costs more
// than doing the stores unconditionally. Below height 2 no subtree moves (the children are null),
// so the bottom of each recursion is a handful of plain compare-exchanges on values.
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

// The lockstep walk down the two halves of a merge, from pl and pr, both of height `height`.
// At each pair: exchange the values when (pl > pr) xor dir; with the root exchanged
// (kRootExchanged), such an exchange also exchanges the right subtrees and the walk goes left,
// else it goes right; without, it exchanges the left subtrees and goes right, else left.
template <bool kDown, bool kRootExchanged>
inline void walk(node* pl, node* pr, int height) {
  for (; height > 0; --height) {
    const std::int32_t a = pl->value, b = pr->value;
    const bool swap = exchanges<kDown>(a, b);
    pl->value = swap ? b : a;
    pr->value = swap ? a : b;
    node* const l_left = pl->left;
    node* const l_right = pl->right;
    node* const r_left = pr->left;
    node* const r_right = pr->right;
    // The next pair is two of these four, chosen by the comparison: fetch all four now so that
    // their loads overlap instead of waiting on the choice.
    __builtin_prefetch(l_left);
    __builtin_prefetch(l_right);
    __builtin_prefetch(r_left);
    __builtin_prefetch(r_right);
    if constexpr (kRootExchanged) {
      pl->right = swap ? r_right : l_right;
      pr->right = swap ? l_right : r_right;
      pl = swap ? l_left : l_right;
      pr = swap ? r_left : r_right;
    } else {
      pl->left = swap ? r_left : l_left;
      pr->left = swap ? l_left : r_left;
      pl = swap ? l_right : l_left;
      pr = swap ? r_right : r_left;
    }
  }
  order<kDown>(pl->value, pr->value);  // the leaves: no subtrees below
}

// Bimerge of a subtree of the given height, the spare held in *spare.
template <bool kDown>
void merge(node* root, std::int32_t* spare, int height) {
  if (height == 0) {
    order<kDown>(root->value, *spare);
    return;
  }
  node* const left = root->left;
  node* const right = root->right;
  if (height == 1) {
    order<kDown>(root->value, *spare);
    order<kDown>(left->value, right->value);
    order<kDown>(left->value, root->value);
    order<kDown>(right->value, *spare);
    return;
  }
  const std::int32_t v = root->value, s = *spare;
  if (exchanges<kDown>(v, s)) {
    root->value = s;
    *spare = v;
    walk<kDown, true>(left, right, height - 1);
  } else {
    walk<kDown, false>(left, right, height - 1);
  }
  merge<kDown>(left, &root->value, height - 1);
  merge<kDown>(right, spare, height - 1);
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
