// The arithmetic encoder: interval narrowing, renormalisation and follow bits.
//
// The range invariant. start_encoding leaves low = 0, high = 0xffff. After a renormalisation
// none of its three cases applies: high >= 0x8000 and low < 0x8000 (cases 1 and 2), and not both
// low >= 0x4000 and high < 0xc000 (case 3), so low < 0x4000 or high >= 0xc000. Either way
// high - low >= 0x4001: between symbols the interval holds at least 0x4002 values.
//
// Why kMaxSafeTotal is safe. With range = high - low + 1 >= 0x4002 and a total T <= 0x4002 <=
// range, a share [lower, upper) of width at least 1 narrows the interval to
//   floor(range * upper / T) - floor(range * lower / T)
// values, and two numbers at least range / T >= 1 apart have floors at least 1 apart: the
// interval is never empty. The products stay below 0x10000 * 0x4002 < 2^31, so nothing is
// refused as too large either. Above kMaxSafeTotal a share of 1 can fall between two code values.
#include "kernels/arith_coder/arith_coder.h"

#include <bit>
#include <limits>

#include "kernels/shell/shell.h"

namespace kernels::arith_coder {

std::int32_t low = 0;
std::int32_t high = 0;
std::int32_t bits_to_follow = 0;

namespace {

const Observer* g_observer = nullptr;

// Hands `bit` to output_bit, then the owed opposite bits.
void bit_plus_follow(int bit) {
  output_bit(bit);
  while (bits_to_follow > 0) {
    output_bit(bit == 0 ? 1 : 0);
    bits_to_follow = bits_to_follow - 1;
  }
}

// The renormalisation loop, pass by pass. The interval is non-empty inside [0, 0xffff]; every
// pass keeps it there and doubles its width, so the loop ends within 16 passes.
void renormalise() {
  for (;;) {
    if (high < kHalf) {
      bit_plus_follow(0);
    } else if (low >= kHalf) {
      bit_plus_follow(1);
      low -= kHalf;
      high -= kHalf;
    } else if (low >= kFirstQuarter && high < kThirdQuarter) {
      bits_to_follow = shell::wrapping_add(bits_to_follow, 1);
      low -= kFirstQuarter;
      high -= kFirstQuarter;
    } else {
      break;
    }
    low = 2 * low;
    high = 2 * high + 1;
  }
}

// The same loop when nobody observes output_bit, whose calls then do nothing: all passes at
// once, in a few word operations instead of one pass per bit, to the same low, high and
// bits_to_follow. encode takes it whenever no observer is installed; with one installed it runs
// the loop pass by pass, so the observer sees every bit and every intermediate state. As 16-bit
// values with low <= high:
// - cases 1 and 2 apply while the top bits of low and high agree; they shift out the common
//   leading bits, the first of them paying the owed follow bits;
// - then the top bits are 0 in low and 1 in high, and case 3 applies while the next bit is 1 in
//   low and 0 in high; each pass drops that bit from both and owes one more follow bit;
// - neither case 1 nor 2 can apply after case 3 (high stays at or above 0x8000 and low below).
void renormalise_unobserved() {
  auto l = static_cast<std::uint32_t>(low);
  auto h = static_cast<std::uint32_t>(high);
  const int settled = std::countl_zero(static_cast<std::uint16_t>(l ^ h));  // 16 when equal
  if (settled > 0) {
    if (bits_to_follow > 0) bits_to_follow = 0;
    l = (l << settled) & 0xffff;
    h = ((h << settled) | ((1u << settled) - 1)) & 0xffff;
  }
  const int straddles = std::countl_one(static_cast<std::uint16_t>((l & ~h) << 1));
  l = (l << straddles) & 0x7fff;
  h = ((h << straddles) & 0x7fff) | 0x8000 | ((1u << straddles) - 1);
  bits_to_follow = shell::wrapping_add(bits_to_follow, straddles);
  low = static_cast<std::int32_t>(l);
  high = static_cast<std::int32_t>(h);
}

// Checks one call and, if it is sound, narrows the interval and renormalises. `size` is the
// table's length when known; the unchecked entry passes the largest value.
inline EncodeResult encode(int symbol, const int* table, std::size_t size) {
  if (symbol < 1 || static_cast<std::size_t>(symbol) >= size)
    return EncodeResult::kSymbolOutOfRange;
  // The state only leaves this range when set from outside; checking it keeps range in
  // [1, 0x10000] and every product below exact.
  if (low < 0 || low > high || high > kTopValue) return EncodeResult::kStateOutOfRange;
  const int total = table[0];
  const int upper = table[symbol - 1];
  const int lower = table[symbol];
  if (total <= 0 || lower < 0 || lower > upper || upper > total) return EncodeResult::kTableInvalid;
  const std::int32_t range = high - low + 1;
  if (static_cast<std::int64_t>(range) * total > std::numeric_limits<std::int32_t>::max())
    return EncodeResult::kTotalTooLarge;
  // Both products are at most range * total: exact in 32 bits, and both ends stay in
  // [low, high] because 0 <= lower <= upper <= total.
  const std::int32_t new_high = low + (range * upper) / total - 1;
  const std::int32_t new_low = low + (range * lower) / total;
  if (new_high < new_low) return EncodeResult::kEmptyInterval;
  high = new_high;
  low = new_low;

  if (g_observer != nullptr) {
    renormalise();
  } else {
    renormalise_unobserved();
  }
  return EncodeResult::kEncoded;
}

}  // namespace

void start_encoding() {
  low = 0;
  high = kTopValue;
  bits_to_follow = 0;
}

const char* encode_result_name(EncodeResult result) {
  switch (result) {
    case EncodeResult::kEncoded:
      return "encoded";
    case EncodeResult::kSymbolOutOfRange:
      return "symbol out of range";
    case EncodeResult::kStateOutOfRange:
      return "state out of range";
    case EncodeResult::kTableInvalid:
      return "invalid table";
    case EncodeResult::kTotalTooLarge:
      return "total too large";
    case EncodeResult::kEmptyInterval:
      return "empty interval";
  }
  return "unknown result";
}

EncodeResult encode_symbol_checked(int symbol, std::span<const int> table) {
  return encode(symbol, table.data(), table.size());
}

void encode_symbol(int symbol, int* table) {
  encode(symbol, table, std::numeric_limits<std::size_t>::max());
}

void done_encoding() {
  bits_to_follow = shell::wrapping_add(bits_to_follow, 1);
  if (low < kFirstQuarter) {
    bit_plus_follow(0);
  } else {
    bit_plus_follow(1);
  }
}

void output_bit(int bit) {
  if (g_observer != nullptr && g_observer->output_bit != nullptr)
    g_observer->output_bit(g_observer->context, bit);
}

void set_observer(const Observer* observer) {
  g_observer = observer;
}

}  // namespace kernels::arith_coder
