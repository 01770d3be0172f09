// The sort and merge step by step as the rules state them, with branches and swaps, as the
// oracle of the tests and the fuzz target. Not installed.
#ifndef KERNELS_BISORT_SORT_ORACLE_H_
#define KERNELS_BISORT_SORT_ORACLE_H_

#include <cstdint>
#include <utility>

#include "kernels/bisort/bisort.h"

namespace kernels::bisort::oracle {

inline std::int32_t bimerge(node* root, std::int32_t spare, int dir) {
  const int rightexchange = (root->value > spare) ^ dir;
  if (rightexchange) std::swap(root->value, spare);
  node* pl = root->left;
  node* pr = root->right;
  while (pl != nullptr) {
    const int elementexchange = (pl->value > pr->value) ^ dir;
    if (elementexchange) std::swap(pl->value, pr->value);
    if (elementexchange && rightexchange) std::swap(pl->right, pr->right);
    if (elementexchange && !rightexchange) std::swap(pl->left, pr->left);
    const bool go_left = rightexchange == elementexchange;  // the side not exchanged
    pl = go_left ? pl->left : pl->right;
    pr = go_left ? pr->left : pr->right;
  }
  if (root->left != nullptr) {
    root->value = bimerge(root->left, root->value, dir);
    spare = bimerge(root->right, spare, dir);
  }
  return spare;
}

inline std::int32_t bisort(node* root, std::int32_t spare, int dir) {
  if (root->left == nullptr) {
    if ((spare < root->value) != dir) std::swap(root->value, spare);
    return spare;
  }
  root->value = bisort(root->left, root->value, dir);
  spare = bisort(root->right, spare, dir == 0 ? 1 : 0);
  return bimerge(root, spare, dir);
}

}  // namespace kernels::bisort::oracle

#endif  // KERNELS_BISORT_SORT_ORACLE_H_
