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
// Written without branches: how many bits settle depends on the data and is not predictable.
// Both counts are taken on 32-bit words whose top bits are the 16-bit values in question and
// whose lower bits hold a guard that ends the count, so no count meets a zero word.
struct Renormalised {
  std::uint32_t low;
  std::uint32_t high;
  std::int32_t bits_to_follow;
};
inline Renormalised renormalise_unobserved(std::uint32_t l, std::uint32_t h, std::int32_t follow) {
  // Leading bits on which low and high agree: 16 when they are equal.
  const int settled = std::countl_zero(((l ^ h) << 16) | 0x8000u);
  // Settling any bit pays the owed follow bits (only counted while positive): a positive count
  // drops to 0. As a mask rather than a branch: all ones keeps the count, zero clears it.
  const bool keep = (settled == 0) | (follow < 0);
  follow &= -static_cast<std::int32_t>(keep);
  // The run of straddling bits below the top differing one: 1 in low, 0 in high, taken from the
  // words as they are and moved up past the settled bits. The shift by 17 more drops the top
  // differing bit (0 in low, 1 in high: it never straddles) and leaves bit 16 clear, which ends
  // the run.
  const std::uint32_t straddling = ((l & ~h) << settled) << 17;
  const int straddles = std::countl_zero(~straddling | 1u);  // countl_one(straddling), <= 15
  // Every pass doubles both ends and drops the top bit: all passes are one shift by their
  // number, at most 16. Low comes out below 0x8000 and high at or above it, with a 1 shifted
  // in at the bottom of high for each pass.
  const int passes = settled + straddles;
  l = (l << passes) & 0x7fff;
  h = ((h << passes) & 0x7fff) | 0x8000 | ((1u << passes) - 1);
  return {l, h, shell::wrapping_add(follow, straddles)};
}

// Division by the table's total, which stays the same for a whole run, as a multiplication by
// its reciprocal. For a divisor d with 2^(k-1) < d <= 2^k, let m = ceil(2^(31+k) / d), so that
// m * d = 2^(31+k) + e with 0 <= e < d <= 2^k. For 0 <= n < 2^31, with n = q * d + r:
//   n * m / 2^(31+k) = q + (r + e * n / 2^(31+k)) / d,
// and e * n < 2^k * 2^31 makes the inner fraction below 1, so r plus it stays below d: the floor
// is exactly q. m < 2^32 (d > 2^(k-1), and m = 2^31 for d = 1), so n * m < 2^63 fits in 64 bits
// on every target. encode divides range * share, which its checks keep at or below
// range * total <= 2^31 - 1.
struct Reciprocal {
  std::int32_t divisor = 0;  // 0: none yet
  std::uint64_t multiplier = 0;
  int shift = 0;
};
Reciprocal g_reciprocal;

void set_reciprocal(std::int32_t divisor) {  // REQUIRES: divisor > 0
  const auto d = static_cast<std::uint64_t>(divisor);
  const int k = std::bit_width(d - 1);  // 0 for d = 1
  g_reciprocal.shift = 31 + k;
  g_reciprocal.multiplier = ((std::uint64_t{1} << g_reciprocal.shift) + d - 1) / d;
  g_reciprocal.divisor = divisor;
}

// Checks one call and, if it is sound, narrows the interval and renormalises. `size` is the
// table's length when known; the unchecked entry passes the largest value.
inline EncodeResult encode(int symbol, const int* table, std::size_t size) {
  if (symbol < 1 || static_cast<std::size_t>(symbol) >= size)
    return EncodeResult::kSymbolOutOfRange;
  // The state only leaves this range when set from outside; checking it keeps range in
  // [1, 0x10000] and every product below exact.
  const std::int32_t l = low, h = high;
  if (l < 0 || l > h || h > kTopValue) return EncodeResult::kStateOutOfRange;
  const int total = table[0];
  const int upper = table[symbol - 1];
  const int lower = table[symbol];
  if (total <= 0 || lower < 0 || lower > upper || upper > total) return EncodeResult::kTableInvalid;
  const std::int32_t range = h - l + 1;
  if (static_cast<std::int64_t>(range) * total > std::numeric_limits<std::int32_t>::max())
    return EncodeResult::kTotalTooLarge;
  // Both products are at most range * total < 2^31: exact, and divided exactly by the
  // reciprocal. Both ends stay in [low, high] because 0 <= lower <= upper <= total. The share
  // is multiplied by the reciprocal first: that product does not wait for the interval.
  if (total != g_reciprocal.divisor) set_reciprocal(total);
  const std::uint64_t r = static_cast<std::uint32_t>(range);
  auto upper_scaled = static_cast<std::uint64_t>(upper) * g_reciprocal.multiplier;
  auto lower_scaled = static_cast<std::uint64_t>(lower) * g_reciprocal.multiplier;
#if defined(__GNUC__) && __SIZEOF_POINTER__ == 8
  // Left alone, the compiler shares range * multiplier between both ends, which puts two
  // multiplications after the interval's load instead of one. The empty statements pin the
  // products of the shares (the same values) so that only range's multiplication waits. On
  // 64-bit targets only, where a 64-bit value fits one register.
  __asm__("" : "+r"(upper_scaled));
  __asm__("" : "+r"(lower_scaled));
#endif
  const std::int32_t new_high =
      l + static_cast<std::int32_t>((r * upper_scaled) >> g_reciprocal.shift) - 1;
  const std::int32_t new_low =
      l + static_cast<std::int32_t>((r * lower_scaled) >> g_reciprocal.shift);
  if (new_high < new_low) return EncodeResult::kEmptyInterval;

  if (g_observer != nullptr) {
    high = new_high;
    low = new_low;
    renormalise();
  } else {
    const Renormalised n = renormalise_unobserved(
        static_cast<std::uint32_t>(new_low), static_cast<std::uint32_t>(new_high), bits_to_follow);
    low = static_cast<std::int32_t>(n.low);
    high = static_cast<std::int32_t>(n.high);
    bits_to_follow = n.bits_to_follow;
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
