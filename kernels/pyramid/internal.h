// Helpers private to the pyramid subsystem that its tests reach. Not installed.
#ifndef KERNELS_PYRAMID_INTERNAL_H_
#define KERNELS_PYRAMID_INTERNAL_H_

#include <cstdint>

namespace kernels::pyramid::internal {

// The top 64 bits of the 128-bit product a * b. Targets without a 128-bit type (the 32-bit ones)
// use 32-bit halves, whose middle sum stays below 2^64; both forms give the same bits.
inline std::uint64_t high_product(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
  __extension__ using uint128 = unsigned __int128;
  return static_cast<std::uint64_t>((static_cast<uint128>(a) * b) >> 64);
#else
  const std::uint64_t a_lo = a & 0xffffffffu, a_hi = a >> 32;
  const std::uint64_t b_lo = b & 0xffffffffu, b_hi = b >> 32;
  const std::uint64_t hi_lo = a_hi * b_lo;
  const std::uint64_t middle = ((a_lo * b_lo) >> 32) + (hi_lo & 0xffffffffu) + a_lo * b_hi;
  return a_hi * b_hi + (hi_lo >> 32) + (middle >> 32);
#endif
}

// The transpose's index step, (j * factor) mod n, without a division: a fixed-point reciprocal
// of n with the factor folded in, so one step is two multiplications. Exact for every
// j * factor < 2^32 (the remainder of a product below 2^32 by a divisor below 2^32 is the top
// half of (ceil(2^64 / n) * j * factor mod 2^64) * n).
// REQUIRES: 2 <= n < 2^32, 0 <= j < n, (n - 1) * factor < 2^32.
class ShortProductMod {
 public:
  ShortProductMod(std::uint64_t n, std::uint64_t factor)
      : n_(n), scaled_((~std::uint64_t{0} / n + 1) * factor) {}
  std::uint64_t operator()(std::uint64_t j) const { return high_product(scaled_ * j, n_); }

 private:
  std::uint64_t n_;
  std::uint64_t scaled_;  // ceil(2^64 / n) * factor, modulo 2^64
};

// The same step for larger products: x = j * factor is reduced with a quotient estimate from
// floor((2^64 - 1) / n), which for x < 2^63 is the true quotient or one less, so one conditional
// subtraction finishes it.
// REQUIRES: 1 <= n, 0 <= j < n, (n - 1) * factor < 2^63.
class LongProductMod {
 public:
  LongProductMod(std::uint64_t n, std::uint64_t factor)
      : n_(n), factor_(factor), reciprocal_(~std::uint64_t{0} / n) {}
  std::uint64_t operator()(std::uint64_t j) const {
    const std::uint64_t x = j * factor_;
    const std::uint64_t quotient = high_product(x, reciprocal_);
    const std::uint64_t r = x - quotient * n_;
    return r >= n_ ? r - n_ : r;
  }

 private:
  std::uint64_t n_;
  std::uint64_t factor_;
  std::uint64_t reciprocal_;  // floor((2^64 - 1) / n)
};

}  // namespace kernels::pyramid::internal

#endif  // KERNELS_PYRAMID_INTERNAL_H_
