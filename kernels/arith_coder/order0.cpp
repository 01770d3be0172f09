// Static order-0 tables for byte streams.
#include <bit>
#include <cstdint>

#include "kernels/arith_coder/arith_coder.h"
#include "kernels/shell/shell.h"

namespace kernels::arith_coder {

namespace {

// floor(a * b / c) for a <= c, exact for all 64-bit values without a wider type (32-bit targets
// have none). b's bits are taken from the top, keeping a * (b's bits so far) = q * c + r with
// 0 <= r < c; whether 2r or r + a reaches c is asked as r >= c - r or r >= c - a, so nothing
// overflows.
std::uint64_t scale(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  std::uint64_t q = 0, r = 0;
  for (int bit = std::bit_width(b) - 1; bit >= 0; --bit) {
    q *= 2;
    if (r >= c - r) {
      r -= c - r;
      ++q;
    } else {
      r *= 2;
    }
    if ((b >> bit) & 1) {
      if (r >= c - a) {
        r -= c - a;
        ++q;
      } else {
        r += a;
      }
    }
  }
  return q;
}

}  // namespace

void order0_table(const std::uint8_t* bytes, std::size_t count, int* table) {
  std::uint64_t counts[kOrder0TableSize] = {};  // by symbol; entry 0 unused
  for (std::size_t i = 0; i < count; ++i) ++counts[bytes[i] + 1];
  counts[kEndOfInput] = 1;

  const std::uint64_t raw_total = static_cast<std::uint64_t>(count) + 1;
  if (raw_total > static_cast<std::uint64_t>(kOrder0MaxTotal)) {
    std::uint64_t present = 0;
    for (int s = 1; s <= kEndOfInput; ++s) present += counts[s] != 0 ? 1 : 0;
    // Each floor loses less than 1 and each raise to 1 adds at most 1, so reserving one unit per
    // present symbol keeps the total at most kOrder0MaxTotal.
    const std::uint64_t budget = static_cast<std::uint64_t>(kOrder0MaxTotal) - present;
    for (int s = 1; s <= kEndOfInput; ++s) {
      if (counts[s] == 0) continue;
      const std::uint64_t scaled = scale(counts[s], budget, raw_total);  // counts[s] <= raw_total
      counts[s] = scaled > 0 ? scaled : 1;
    }
  }

  table[kEndOfInput] = 0;
  for (int s = kEndOfInput; s >= 1; --s) table[s - 1] = table[s] + static_cast<int>(counts[s]);
}

void sample_input(std::uint8_t* bytes, std::size_t count) {
  std::uint32_t x = 2463534242u;
  for (std::size_t i = 0; i < count; ++i) {
    shell::xorshift32(x);
    bytes[i] = static_cast<std::uint8_t>(((x >> 8) & 0xff) * ((x >> 16) & 0xff) * (x >> 24) >> 16);
  }
}

}  // namespace kernels::arith_coder
