// Builds perfect trees of fuzzed sizes (2 to 128 values) from RandTree with a fuzzed seed or
// from values in the fuzz input, sorts them both ways and checks: the values (tree plus spare)
// are kept; distinct keys come out fully ordered; the result is node for node that of the literal
// steps; and RandTree's values are those of drawing one number at a time.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kernels/bisort/bisort.h"
#include "kernels/bisort/sort_oracle.h"
#include "kernels/shell/shell.h"

namespace {

using kernels::bisort::node;
using Values = std::vector<std::int32_t>;

void check(bool ok) {
  if (!ok) std::abort();
}

std::int32_t take32(const std::uint8_t*& data, std::size_t& size) {
  std::uint32_t v = 0;
  const std::size_t n = std::min<std::size_t>(size, 4);
  for (std::size_t i = 0; i < n; ++i) v |= std::uint32_t{data[i]} << (8 * i);
  data += n;
  size -= n;
  return static_cast<std::int32_t>(v);
}

// RandTree's values in pre-order, drawn one number at a time.
void literal_values(std::int32_t size, std::int32_t seed, Values& out) {
  if (size <= 1) return;
  seed = kernels::bisort::random(seed);
  out.push_back(seed % 100);
  literal_values(size / 2, seed, out);
  std::int32_t right = seed;
  for (std::int64_t i = 0; i <= std::int64_t{size}; ++i) right = kernels::bisort::random(right);
  literal_values(size / 2, right, out);
}

void pre_order(const node* n, Values& out) {
  if (n == nullptr) return;
  out.push_back(n->value);
  pre_order(n->left, out);
  pre_order(n->right, out);
}

void in_order(const node* n, Values& out) {
  if (n == nullptr) return;
  in_order(n->left, out);
  out.push_back(n->value);
  in_order(n->right, out);
}

// A copy of the tree, node for node.
node* copy(const node* n) {
  if (n == nullptr) return nullptr;
  node* c = kernels::shell::arena_new<node>();
  c->value = n->value;
  c->left = copy(n->left);
  c->right = copy(n->right);
  return c;
}

// Pairs each node of `a` with the node in the same place in `b` (same shape). Taken once before
// sorting `a` and its copy `b` separately and once after, the two pairings agree exactly when
// both sorts moved every node to the same place.
void identity(const node* a, const node* b, std::vector<std::pair<const node*, const node*>>& out) {
  if (a == nullptr) return;
  out.emplace_back(a, b);
  identity(a->left, b->left, out);
  identity(a->right, b->right, out);
}

node* perfect_tree(int height, const std::uint8_t*& data, std::size_t& size, bool wide) {
  node* n = kernels::shell::arena_new<node>();
  n->value = wide ? take32(data, size) : static_cast<std::int8_t>(size > 0 ? data[0] % 8 : 0);
  if (!wide && size > 0) ++data, --size;
  if (height > 0) {
    n->left = perfect_tree(height - 1, data, size, wide);
    n->right = perfect_tree(height - 1, data, size, wide);
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // 2^(height + 1) values: 2 to 128. Every step of a sort and a merge shows at these sizes, ties
  // included; the sizes of the driver are the tests' business.
  const int height = data[0] % 7;
  const int mode = data[1] % 3;  // 0: RandTree, 1: narrow input values (many ties), 2: wide
  const int first_dir = (data[1] / 3) % 2;
  data += 2;
  size -= 2;
  kernels::shell::arena_reset();

  node* root = nullptr;
  if (mode == 0) {
    const std::int32_t seed = take32(data, size);
    // Any size whose tree has this height: 2^(height+1) to 2^(height+2) - 1.
    const std::int32_t base = std::int32_t{2} << height;
    const std::int32_t tree_size =
        base + static_cast<std::int32_t>(static_cast<std::uint32_t>(take32(data, size)) %
                                         static_cast<std::uint32_t>(base));
    root = kernels::bisort::RandTree(tree_size, seed, 0);
    Values want, got;
    literal_values(tree_size, seed, want);
    pre_order(root, got);
    check(want == got);
  } else {
    root = perfect_tree(height, data, size, mode == 2);
  }
  const std::int32_t spare0 = take32(data, size) % (mode == 1 ? 8 : 1000000);

  Values all;
  in_order(root, all);
  all.push_back(spare0);
  Values sorted = all;
  std::sort(sorted.begin(), sorted.end());
  const bool distinct = std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();

  node* twin = copy(root);
  std::vector<std::pair<const node*, const node*>> pairs;
  identity(root, twin, pairs);
  const std::unordered_map<const node*, const node*> twin_of(pairs.begin(), pairs.end());

  std::int32_t spare = spare0, ref_spare = spare0;
  for (int dir : {first_dir, 1 - first_dir}) {
    spare = kernels::bisort::Bisort(root, spare, dir);
    ref_spare = kernels::bisort::oracle::bisort(twin, ref_spare, dir);
    check(spare == ref_spare);
    Values got;
    in_order(root, got);
    got.push_back(spare);
    // Node for node: each node of the sorted tree sits where its copy sits in the reference.
    std::vector<std::pair<const node*, const node*>> now;
    identity(root, twin, now);
    for (auto [a, b] : now) check(twin_of.at(a) == b && a->value == b->value);
    if (distinct)
      check(dir == 0 ? std::is_sorted(got.begin(), got.end())
                     : std::is_sorted(got.rbegin(), got.rend()));
    std::sort(got.begin(), got.end());
    check(got == sorted);
  }
  return 0;
}
