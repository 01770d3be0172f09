// Static order-0 tables for byte streams.
#include <cstdint>

#include "kernels/arith_coder/arith_coder.h"
#include "kernels/shell/shell.h"

namespace kernels::arith_coder {

namespace {
__extension__ typedef unsigned __int128 Wide;  // holds count * 16383 for any count
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
      const auto scaled = static_cast<std::uint64_t>(Wide{counts[s]} * budget / raw_total);
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
