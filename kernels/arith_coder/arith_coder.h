// A 16-bit integer arithmetic encoder with follow bits.
//
// The coder keeps a code interval [low, high] of 16-bit code values. Each symbol narrows the
// interval to the symbol's share of a cumulative frequency table; the renormalisation then shifts
// out every bit the interval has settled, and counts follow bits (opposite bits owed after the
// next settled bit) while the interval straddles the middle of the code range. The bits go to
// output_bit, which discards them; the coder's only effect is on its three state variables.
//
// A cumulative table is an array of int: entry 0 is the total, entries do not increase with the
// index, and the last entry is normally 0. Symbols are numbered from 1: symbol s owns the share
// from table[s] (inclusive) up to table[s - 1] (exclusive) of the total.
//
// One encoding run: start_encoding(), any number of encode_symbol(), done_encoding(). The state
// is namespace-level data: single-threaded, one run at a time.
#ifndef KERNELS_ARITH_CODER_ARITH_CODER_H_
#define KERNELS_ARITH_CODER_ARITH_CODER_H_

#include <cstddef>
#include <cstdint>
#include <span>

namespace kernels::arith_coder {

// ---------------------------------------------------------------------------------------------
// Code values.
// ---------------------------------------------------------------------------------------------

// Top of the code range; the initial high.
inline constexpr std::int32_t kTopValue = 0xffff;
// Half: high below it settles a 0, low at or above it settles a 1.
inline constexpr std::int32_t kHalf = 0x8000;
// First and third quarters: low at or above the first with high below the third is the
// straddling case, which owes a follow bit.
inline constexpr std::int32_t kFirstQuarter = 0x4000;
inline constexpr std::int32_t kThirdQuarter = 0xc000;
// The largest total for which, after start_encoding, no share of at least 1 is refused as empty.
// Above it a small share can be refused (kEmptyInterval). Before the first start_encoding the
// interval is the single value 0: only a share reaching the total (table[symbol - 1] ==
// table[0]) is coded.
inline constexpr std::int32_t kMaxSafeTotal = 0x4002;

// ---------------------------------------------------------------------------------------------
// State. Each is 0 at program start; start_encoding() sets them for a new run.
// ---------------------------------------------------------------------------------------------

extern std::int32_t low;             // lower end of the code interval, inclusive
extern std::int32_t high;            // upper end of the code interval, inclusive
extern std::int32_t bits_to_follow;  // opposite bits owed after the next settled bit

// ---------------------------------------------------------------------------------------------
// Entry operations.
// ---------------------------------------------------------------------------------------------

// Sets low to 0, high to 0xffff and bits_to_follow to 0.
void start_encoding();

// Why encode_symbol_checked did or did not code a symbol. Every result but kEncoded means the
// call was refused before anything changed: low, high and bits_to_follow are as they were and no
// bit was handed to output_bit.
enum class EncodeResult : int {
  kEncoded = 0,       // the interval was narrowed and renormalised
  kSymbolOutOfRange,  // symbol < 1, or symbol >= table.size()
  kStateOutOfRange,   // not 0 <= low <= high <= 0xffff (only if the state was set from outside)
  kTableInvalid,      // table[0] <= 0, or not 0 <= table[symbol] <= table[symbol-1] <= table[0]
  kTotalTooLarge,     // (high - low + 1) * table[0] does not fit in 32 bits
  kEmptyInterval,     // the narrowed interval would be empty: the share is 0, or too small for
                      // the current interval (possible only with a total above kMaxSafeTotal)
};

// The name of `result`, e.g. "empty interval", for messages.
const char* encode_result_name(EncodeResult result);

// Narrows the interval to symbol's share of table and renormalises:
//   range = high - low + 1
//   high  = low + (range * table[symbol - 1]) / table[0] - 1
//   low   = low + (range * table[symbol]) / table[0]            (with low from before)
// then, until none applies, in this order: high < 0x8000 settles a 0; low >= 0x8000 settles a 1
// and subtracts 0x8000 from both; low >= 0x4000 and high < 0xc000 adds a follow bit and
// subtracts 0x4000 from both; after each, low = 2 * low and high = 2 * high + 1. A settled bit
// goes to output_bit followed by the owed opposite bits. Divisions truncate toward zero.
// A symbol whose share is the whole total leaves the interval unchanged.
// REFUSES (returns the reason, changes nothing, emits nothing) a call that would read before the
// table, divide by zero or overflow, or narrow the interval to nothing; see EncodeResult. After
// start_encoding, with a total of at most kMaxSafeTotal and every share at least 1, no symbol of
// the table is refused.
EncodeResult encode_symbol_checked(int symbol, std::span<const int> table);

// The same as encode_symbol_checked, for a table of unknown length: refuses exactly the same
// calls, silently (use encode_symbol_checked to learn of a refusal). table is not written.
// REQUIRES: table points to at least symbol + 1 entries when symbol >= 1.
void encode_symbol(int symbol, int* table);

// Settles the final bits: adds 1 to bits_to_follow, then settles a 0 if low < 0x4000 and a 1
// otherwise, followed by the owed opposite bits. Afterwards bits_to_follow is 0 (unless it was
// negative, when it is left as it was plus 1; the owed bits are only counted while positive).
// Right after start_encoding it hands 0 then 1 to output_bit. low and high are not changed.
void done_encoding();

// The bit sink: does nothing with `bit` (any value) except notify the observer.
void output_bit(int bit);

// ---------------------------------------------------------------------------------------------
// Observing the bit sink. An installed observer sees every bit in order, and low, high and
// bits_to_follow as each renormalisation pass leaves them. Observing never changes what the
// coder does; with no observer installed (the default) the coder runs faster.
// ---------------------------------------------------------------------------------------------

struct Observer {
  void* context = nullptr;
  // Called by output_bit with its argument. Null is skipped.
  void (*output_bit)(void* context, int bit) = nullptr;
};

// Installs `observer` (it must outlive its installation); null removes it.
void set_observer(const Observer* observer);

// ---------------------------------------------------------------------------------------------
// Static order-0 tables: a helper for callers that code a byte stream. The coder does not use it.
//
// Byte value b is symbol b + 1; symbol kEndOfInput (257) marks the end of the input and is
// counted once. When the raw total T (count + 1) is at most kOrder0MaxTotal the counts are used
// as they are. Otherwise each present symbol's count c becomes max(1, floor(c * (16383 - k) / T)),
// with k the number of present symbols (distinct byte values, plus one for the end of input), so
// the total stays at most 16383 and every present symbol keeps a share of at least 1. Absent
// byte values have a share of 0.
// ---------------------------------------------------------------------------------------------

inline constexpr int kEndOfInput = 257;
inline constexpr int kOrder0TableSize = 258;  // entries 0 .. 257
inline constexpr std::int32_t kOrder0MaxTotal = 16383;

// Fills table[0 .. 257] with the cumulative table of `bytes`: table[s] is the sum of the scaled
// counts of symbols s + 1 .. 257, so table[0] is the total and table[257] is 0.
// REQUIRES: table has kOrder0TableSize entries; bytes points to `count` bytes (or count == 0).
void order0_table(const std::uint8_t* bytes, std::size_t count, int* table);

// The sample input that the runner codes by default and the benchmark measures: skewed bytes
// over nearly every value. x runs through shell::xorshift32 from 2463534242 (one step before
// each byte), and each byte is a * b * c >> 16 for the three upper bytes a, b, c of x: the
// product of three uniform values, so small values are common, large ones rare.
inline constexpr std::size_t kSampleInputSize = 246 * 1024;
// Writes the first `count` bytes of the sample sequence. REQUIRES: bytes holds `count` bytes.
void sample_input(std::uint8_t* bytes, std::size_t count);

}  // namespace kernels::arith_coder

#endif  // KERNELS_ARITH_CODER_ARITH_CODER_H_
