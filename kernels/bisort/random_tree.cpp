// The seeded generator and the random tree built from it.
//
// Building a tree asks for about size * log2(size) draws, almost all of them to move each right
// subtree's seed size + 1 draws ahead. Those skips are done arithmetically, which is what makes a
// tree of a million nodes cost a few milliseconds instead of a large fraction of a second:
//
// For a seed s >= 0, random(s) depends only on s mod 10^8 and is congruent to
// s * 31415821 + 1 modulo 10^8. (In mult, p1's multiples of 10^4 vanish in the "% 10000" of the
// middle term, and p0 is s mod 10^4.) It is not fully reduced, random(s) can reach 199970002,
// but it is non-negative. So the residues modulo 10^8 of s, random(s), random(random(s)), ...
// follow the affine map L(x) = (31415821 * x + 1) mod 10^8, whose powers compose into one
// affine map; and the exact n-th seed is random applied once to the residue of the (n-1)-th.
// A node's value, seed % 100, needs only the residue, since 100 divides 10^8.
#include <cstdint>

#include "kernels/bisort/bisort.h"
#include "kernels/shell/shell.h"

namespace kernels::bisort {
namespace {

using shell::wrapping_add;
using shell::wrapping_mul;

constexpr std::int32_t kMultiplier = 31415821;
constexpr std::uint64_t kModulus = 100000000;  // 10^8

// x -> (a * x + c) mod 10^8, with a, c, x below 10^8 (so a * x + c fits in 64 bits).
struct Affine {
  std::uint64_t a = 1;
  std::uint64_t c = 0;
  constexpr std::uint64_t operator()(std::uint64_t x) const { return (a * x + c) % kModulus; }
};

// g after f.
constexpr Affine then(Affine f, Affine g) {
  return {(g.a * f.a) % kModulus, g(f.c)};
}

constexpr Affine kStep{kMultiplier, 1};  // one draw, on residues

// kPowers[i] = L^(2^i). 64 entries cover every count a 64-bit integer can hold.
struct Powers {
  Affine p[64];
  constexpr Powers() {
    p[0] = kStep;
    for (int i = 1; i < 64; ++i) p[i] = then(p[i - 1], p[i - 1]);
  }
};
constexpr Powers kPowers;

// L^n. Powers of one map commute, so the order of composition does not matter.
constexpr Affine power(std::uint64_t n) {
  Affine r;
  for (int i = 0; n != 0; ++i, n >>= 1)
    if (n & 1) r = then(r, kPowers.p[i]);
  return r;
}

std::uint64_t residue(std::int32_t seed) {  // REQUIRES: seed >= 0
  return static_cast<std::uint64_t>(seed) % kModulus;
}

// random applied `count` times. Steps one draw at a time while the seed is negative (where the
// residue alone does not give the exact value), then jumps.
std::int32_t advance(std::int32_t seed, std::uint64_t count) {
  for (; count != 0 && seed < 0; --count) seed = random(seed);
  if (count == 0) return seed;
  // The (count-1)-th seed is known by its residue; one real draw from it gives the exact value.
  return random(static_cast<std::int32_t>(power(count - 1)(residue(seed))));
}

// The tree below a node whose seed has residue x, `levels` levels deep; skips[0] moves the seed
// of a node at this level to its right child's seed, skips[1] the same one level down, and so on.
node* build(std::uint64_t x, const Affine* skips, int levels) {
  x = kStep(x);  // this node's draw
  node* n = shell::arena_new<node>();
  n->value = static_cast<std::int32_t>(x % 100);
  n->left = nullptr;
  n->right = nullptr;
  if (levels > 1) {
    n->left = build(x, skips + 1, levels - 1);
    n->right = build(skips[0](x), skips + 1, levels - 1);
  }
  return n;
}

}  // namespace

std::int32_t mult(std::int32_t p, std::int32_t q) {
  const std::int32_t p1 = p / 10000, p0 = p % 10000;
  const std::int32_t q1 = q / 10000, q0 = q % 10000;
  const std::int32_t middle = wrapping_add(wrapping_mul(p0, q1), wrapping_mul(p1, q0));
  return wrapping_add(wrapping_mul(middle % 10000, 10000), p0 * q0);
}

std::int32_t random(std::int32_t seed) {
  return wrapping_add(mult(seed, kMultiplier), 1);
}

std::int32_t skiprand(std::int32_t seed, std::int32_t n) {
  if (n <= 0) return seed;
  return advance(seed, static_cast<std::uint64_t>(n));
}

node* RandTree(std::int32_t size, std::int32_t seed, std::int32_t depth) {
  if (size <= 1) return nullptr;
  if (seed >= 0) {
    // Every seed in the tree is non-negative from here on: build it on residues. Level d holds
    // nodes for size_d = size >> d values while size_d >= 2; its right seeds skip size_d + 1
    // draws beyond the node's own.
    Affine skips[32];
    int levels = 0;
    for (std::int32_t s = size; s >= 2; s /= 2)
      skips[levels++] = power(static_cast<std::uint64_t>(s) + 1);
    return build(residue(seed), skips, levels);
  }
  // A negative seed: draw by draw, as long as it stays negative.
  seed = random(seed);
  node* n = shell::arena_new<node>();
  n->value = seed % 100;
  n->left = RandTree(size / 2, seed, wrapping_add(depth, 1));
  const std::int32_t right_seed = advance(seed, static_cast<std::uint64_t>(size) + 1);
  n->right = RandTree(size / 2, right_seed, wrapping_add(depth, 1));
  return n;
}

std::int32_t dealwithargs(std::int32_t argc, char** /*argv*/) {
  return argc;
}

}  // namespace kernels::bisort
