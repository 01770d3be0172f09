// Bitonic tree sort: a seeded pseudo-random generator, a perfect binary tree of pseudo-random
// values, and a bitonic sort and merge that work on the tree in place.
//
// The sequence being sorted is the tree's values in order (left subtree, node, right subtree)
// followed by the "spare", a value the caller keeps outside the tree and passes in and out of
// every sorting operation, so that a tree of 2^k - 1 nodes sorts 2^k values.
//
// Arithmetic is signed 32-bit; where it could leave that range it wraps. Division and remainder
// truncate toward zero. Nodes come from the run arena (kernels::shell) and are never released.
// Nothing here is thread-safe; apart from `flag` and the observer there is no static state.
#ifndef KERNELS_BISORT_BISORT_H_
#define KERNELS_BISORT_BISORT_H_

#include <cstdint>

namespace kernels::bisort {

// A tree node. Trees built by RandTree are perfect: every node has two children or none, both
// subtrees of any node have the same shape, all leaves lie at the same depth.
struct node {
  std::int32_t value;  // the key; 0 to 99 in trees built from non-negative seeds
  node* left;          // left subtree; null for none
  node* right;         // right subtree; null for none
};

// ---------------------------------------------------------------------------------------------
// The generator and the random tree.
// ---------------------------------------------------------------------------------------------

// Split multiplication in base 10000: with p1 = p / 10000, p0 = p % 10000 and likewise q1, q0
// (truncating; remainders carry the dividend's sign), returns
// ((p0 * q1 + p1 * q0) % 10000) * 10000 + p0 * q0, not reduced further (for q = 31415821 and
// p >= 0 it lies in [0, 199970001]). Any overflow of the intermediate sums wraps at 32 bits;
// that never happens for q = 31415821, the only factor the system uses.
std::int32_t mult(std::int32_t p, std::int32_t q);

// The next seed: mult(seed, 31415821) + 1. random(12345768) == 37595529,
// random(-5) == -57079104. Defined for every seed; non-negative seeds give non-negative results.
std::int32_t random(std::int32_t seed);

// Applies random n times and returns the last seed; skiprand(s, 0) == s.
// A negative n applies random no times and returns the seed unchanged.
// Costs O(log n) for a non-negative seed (the draws are stepped over arithmetically, with
// exactly the result of n single draws); a negative seed is drawn one step at a time until it
// turns non-negative.
std::int32_t skiprand(std::int32_t seed, std::int32_t n);

// Builds a perfect tree for `size` values from `seed` and returns its root; `depth` is the
// root's depth and selects nothing. For size >= 2 the tree has 2^k - 1 nodes, 2^k the largest
// power of two not above size. Each node takes the value random(s) % 100 of its seed s (negative
// for negative seeds); its left subtree starts from random(s), its right subtree from
// skiprand(random(s), size + 1), both for size / 2 values. Nodes are taken from the run arena one
// at a time, in pre-order. Returns null, drawing nothing and taking no node, when size <= 1.
// The same (size, seed) always gives the same values.
node* RandTree(std::int32_t size, std::int32_t seed, std::int32_t depth);

// The driver's argument step: returns argc. Reads none of argv and changes nothing (flag
// included). argv may be null.
std::int32_t dealwithargs(std::int32_t argc, char** argv);

// ---------------------------------------------------------------------------------------------
// The bitonic sort and merge.
//
// `dir` 0 sorts upward (ascending), 1 downward (descending); any other non-zero dir is taken as
// 1. Ties follow fixed rules that are part of the result: upward, equal values are never
// exchanged; downward they always are, and in a merge such an exchange also exchanges the
// subtrees below. With distinct values the result is fully ordered; with many repeated values
// it need not be.
// ---------------------------------------------------------------------------------------------

// Exchanges the value fields of a and b. REQUIRES: a, b non-null.
void SwapVal(node* a, node* b);
// Exchanges the left fields of a and b (whole left subtrees change places).
// REQUIRES: a, b non-null.
void SwapLeft(node* a, node* b);
// Exchanges the right fields of a and b. REQUIRES: a, b non-null.
void SwapRight(node* a, node* b);

// Merges root's subtree plus `spare` into the order `dir` and returns the new spare: puts
// root's value and the spare in order, walks its two halves in lockstep exchanging values
// (and, with them, the subtrees on the side the walk leaves), then merges each half, the left
// one with root's value as its spare. The input should be bitonic for the result to be sorted;
// any input gives the same result as those steps.
// REQUIRES: root is null or the root of a perfect tree. A null root returns spare unchanged.
std::int32_t Bimerge(node* root, std::int32_t spare, std::int32_t dir);

// Sorts root's subtree plus `spare` into the order `dir` and returns the new spare: sorts the
// left half (with root's value as its spare) in `dir`, the right half (with the spare) the other
// way, then merges. Upward the spare comes back as the largest value, downward as the smallest.
// A single node keeps the smaller of its value and the spare upward, the larger downward.
// REQUIRES: root is null or the root of a perfect tree. A null root returns spare unchanged.
// Uses no storage beyond the recursion (depth = tree height).
std::int32_t Bisort(node* root, std::int32_t spare, std::int32_t dir);

// Walks the tree: at each node it reads both children, notifies the observer, then walks the
// left subtree and then the right one. Reads no value and changes nothing; null does nothing.
void InOrder(node* root);

// The print flag: zero at start and set by nothing in this subsystem. When non-zero,
// main_bitonic walks the tree with InOrder before and after each pass; that changes no result.
extern std::int32_t flag;

// The driver: n = dealwithargs(argc, argv); root = RandTree(n, 12345768, 0); spare =
// random(245867) % 100 (that is 8); sorts upward (Bisort(root, spare, 0)), then downward with
// the spare the first pass returned; walks with InOrder before, between and after when flag is
// set. The final spare is dropped and the tree stays in the run arena.
// With argc < 2 the tree would be empty and there is nothing to sort: the driver returns at
// once, drawing nothing, taking no storage and notifying nothing.
void main_bitonic(int argc, char** argv);

// ---------------------------------------------------------------------------------------------
// Observation. With no observer installed (the default) each notification point costs one
// predictable branch. Observing never changes what the operations do. Null members are skipped.
// ---------------------------------------------------------------------------------------------

struct Observer {
  void* context = nullptr;
  // Called by InOrder at each node it walks, before walking that node's subtrees.
  void (*in_order)(void* context, const node* at) = nullptr;
  // Called by main_bitonic right after each of its two passes, with the root, the spare that
  // pass returned and the pass's direction (0 for the upward pass, then 1).
  void (*sorted)(void* context, const node* root, std::int32_t spare, std::int32_t dir) = nullptr;
};

// Installs `observer` (it must outlive its installation); null removes it.
void set_observer(const Observer* observer);

}  // namespace kernels::bisort

#endif  // KERNELS_BISORT_BISORT_H_
