// The program shell: the counting allocator, the diagnostics sink, the shared block and stream
// handles, the run arena every kernel takes its records from, the 32-bit wrapping helpers, and
// the generator and byte order that sample inputs and input files share.
#ifndef KERNELS_SHELL_SHELL_H_
#define KERNELS_SHELL_SHELL_H_

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace kernels::shell {

// ---------------------------------------------------------------------------------------------
// 32-bit arithmetic that wraps. The kernels' integer arithmetic is signed 32-bit and wraps
// silently; these do it with unsigned arithmetic and a conversion back, so it is defined C++.
// ---------------------------------------------------------------------------------------------

// a + b, wrapping modulo 2^32.
constexpr std::int32_t wrapping_add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
// a - b, wrapping modulo 2^32.
constexpr std::int32_t wrapping_sub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
// a * b, wrapping modulo 2^32.
constexpr std::int32_t wrapping_mul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
// -a, wrapping modulo 2^32 (the negation of INT32_MIN is INT32_MIN).
constexpr std::int32_t wrapping_neg(std::int32_t a) {
  return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(a));
}

// ---------------------------------------------------------------------------------------------
// Sample data and input files. The kernels' sample inputs, the runner's generated inputs and the
// fuzz targets draw from one generator; int32 values in files are 4 bytes, least significant
// first, two's complement.
// ---------------------------------------------------------------------------------------------

// One step of the 32-bit xorshift generator: state ^= state << 13; state ^= state >> 17;
// state ^= state << 5. Returns the new state. A state of 0 stays 0; any other runs through all
// 2^32 - 1 nonzero values before it repeats.
constexpr std::uint32_t xorshift32(std::uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

// Stores `value` in bytes[0 .. 3], least significant byte first.
constexpr void store_int32_le(std::uint8_t* bytes, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int b = 0; b < 4; ++b) bytes[b] = static_cast<std::uint8_t>(v >> (8 * b));
}

// The int32 in bytes[0 .. 3], least significant byte first.
constexpr std::int32_t load_int32_le(const std::uint8_t* bytes) {
  std::uint32_t v = 0;
  for (int b = 0; b < 4; ++b) v |= std::uint32_t{bytes[b]} << (8 * b);
  return static_cast<std::int32_t>(v);
}

// ---------------------------------------------------------------------------------------------
// The shared block and stream handles.
// ---------------------------------------------------------------------------------------------

// The shared block: 4 bytes of constant text, "foo" and its terminator, in read-only data. It is
// what the counting allocator returns and what callers pass wherever an output stream is handed
// on. Nothing reads or writes its bytes.
extern const char shared_block[4];

// A stream handle stands where an output stream is passed. No operation reads or writes through
// one; callers pass stream_handle().
using StreamHandle = int*;

// The shared block as a stream handle. Never null; never dereference it.
StreamHandle stream_handle();

// ---------------------------------------------------------------------------------------------
// The counting allocator and the diagnostics sink.
// ---------------------------------------------------------------------------------------------

// Sum of all sizes requested through ssplain_malloc and ssplain_calloc; starts at 0, wraps at 32
// bits. Only those two operations change it.
extern std::int32_t bytes_allocated;
// Number of requests made through ssplain_malloc and ssplain_calloc; starts at 0, wraps at 32
// bits. Only those two operations change it.
extern std::int32_t allocations;

// Counts one allocation of `size` bytes (any value, 0 and negative included) and returns the
// shared block. The block is constant text: the result is read-only and holds no record, hence
// the const pointer. Kernels take their records from the run arena instead.
const void* ssplain_malloc(int size);

// Counts one allocation of the 32-bit wrapped product count * size bytes and returns the shared
// block. Clears nothing (the block is read-only).
const void* ssplain_calloc(int count, int size);

// Hands "Allocation stats: %d bytes allocated in %d allocations\n" with bytes_allocated and
// allocations to chatting. Produces no output.
void ssplain_alloc_stats();

// The diagnostics sink: accepts a printf-style format and its arguments and does nothing with
// them, except notify the observer when one is installed.
void chatting(const char* format, ...);

// ---------------------------------------------------------------------------------------------
// Observers of fixed-form operations.
//
// Every operation whose form is fixed (it takes its arguments and does nothing or returns a
// constant) notifies an optional observer: a plain record of function pointers, one per
// operation, plus a context pointer handed back on every call. Each subsystem declares its own
// `Observer` record and `set_observer`. With no observer installed (the default) the cost is one
// predictable branch. Observing never changes what the system does. Null members are skipped.
// ---------------------------------------------------------------------------------------------

struct Observer {
  void* context = nullptr;
  // Called by chatting with its format and the rest of its arguments.
  void (*chatting)(void* context, const char* format, std::va_list args) = nullptr;
};

// Installs `observer` (it must outlive its installation); null removes it.
void set_observer(const Observer* observer);

// ---------------------------------------------------------------------------------------------
// The run arena.
//
// Kernels obtain every record from the run arena: fresh, zeroed storage, aligned for its type,
// valid until the arena is reset. Nothing releases a single record. Callers outside the kernels
// (the runner, the tests) call arena_reset() between runs, so repeated runs reuse the same memory.
// Not thread-safe: the kernels are single-threaded.
// ---------------------------------------------------------------------------------------------

// What the arena has handed out since the last reset.
struct ArenaStats {
  std::uint64_t records = 0;  // number of arena_allocate calls
  std::uint64_t bytes = 0;    // sum of the sizes requested
};

// Returns `bytes` bytes of zeroed storage aligned to `align` (a power of two, at most 4096).
// A request of 0 bytes returns a valid, distinct pointer to no storage. Never returns null: when
// memory runs out the process ends with a message on stderr.
void* arena_allocate(std::size_t bytes, std::size_t align = alignof(std::max_align_t));

// Storage for `count` zeroed objects of the trivial type T. count * sizeof(T) must not overflow
// (checked: the process ends with a message if it does).
template <class T>
T* arena_new(std::size_t count = 1) {
  static_assert(alignof(T) <= 4096);
  constexpr std::size_t kMax = static_cast<std::size_t>(-1) / (sizeof(T) == 0 ? 1 : sizeof(T));
  if (count > kMax) arena_allocate(static_cast<std::size_t>(-1));  // reports and ends the process
  return static_cast<T*>(arena_allocate(count * sizeof(T), alignof(T)));
}

// Invalidates every record handed out, zeroes what was used, and zeroes the counters. The memory
// that served the run since the previous reset is kept for the next one, large records' chunks
// included, so a repeated run allocates nothing; memory that served nothing since the previous
// reset is given back. What the arena holds is thus bounded by the last two runs' needs.
void arena_reset();

// Records and bytes handed out since the last reset.
ArenaStats arena_stats();

}  // namespace kernels::shell

#endif  // KERNELS_SHELL_SHELL_H_
