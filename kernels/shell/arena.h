// The run arena.
//
// Kernels obtain every record from the run arena: fresh, zeroed storage, aligned for its type,
// valid until the arena is reset. Nothing releases a single record. Callers outside the kernels
// (the runner, the tests) call arena_reset() between runs, so repeated runs reuse the same memory.
// Not thread-safe: the kernels are single-threaded.
#ifndef KERNELS_SHELL_ARENA_H_
#define KERNELS_SHELL_ARENA_H_

#include <cstddef>
#include <cstdint>

namespace kernels::shell {

// What the arena has handed out since the last reset.
struct ArenaStats {
  std::uint64_t records = 0;  // number of arena_allocate calls
  std::uint64_t bytes = 0;    // sum of the sizes requested
};

// Returns `bytes` bytes of zeroed storage aligned to `align` (a power of two, at most 4096).
// A request of 0 bytes returns a valid, distinct pointer to no storage. Never returns null: a
// request that cannot be met (memory ran out, the limit set by set_arena_limit, a size above
// SIZE_MAX / 2) goes to the failure handler, which does not return.
void* arena_allocate(std::size_t bytes, std::size_t align = alignof(std::max_align_t));

// Storage for `count` zeroed objects of the trivial type T. A count whose size overflows goes to
// the failure handler as a request of SIZE_MAX bytes.
template <class T>
T* arena_new(std::size_t count = 1) {
  static_assert(alignof(T) <= 4096);
  constexpr std::size_t kMax = static_cast<std::size_t>(-1) / (sizeof(T) == 0 ? 1 : sizeof(T));
  if (count > kMax) arena_allocate(static_cast<std::size_t>(-1));  // goes to the failure handler
  return static_cast<T*>(arena_allocate(count * sizeof(T), alignof(T)));
}

// Invalidates every record handed out, zeroes what was used, and zeroes the counters. The memory
// that served the run since the previous reset is kept for the next one, large records' chunks
// included, so a repeated run allocates nothing; memory that served nothing since the previous
// reset is given back. What the arena holds is thus bounded by the last two runs' needs.
void arena_reset();

// Records and bytes handed out since the last reset.
ArenaStats arena_stats();

// What happens when the arena cannot meet a request of `bytes` bytes. A handler must not return:
// it ends the process, or throws. Throwing is how a caller turns running out of memory into an
// error of its own: the kernels are compiled with exceptions enabled and have no noexcept frame
// and no C callback between their entry and the arena, so the exception unwinds through them to
// the caller as any C++ exception does (longjmp would skip destructors and is not allowed). The
// arena is then as it was before the failed request; the interrupted kernel's state is whatever
// it had reached, so the caller resets the arena and initialises the kernel again before another
// run.
using ArenaFailureHandler = void (*)(std::size_t bytes);

// Makes `handler` the failure handler and returns the previous one. Null restores the default,
// which prints "kernels: run arena cannot provide N bytes" on stderr and aborts. A handler that
// returns is followed by the default.
ArenaFailureHandler set_arena_failure_handler(ArenaFailureHandler handler);

// Caps the storage the arena holds (its chunks, whatever they serve) at `bytes`: a request that
// would need a new chunk past the cap fails as when memory runs out. 0, the default, sets no cap.
// A cap below what the arena already holds refuses every new chunk until a reset gives memory
// back; nothing held is given back by setting it.
void set_arena_limit(std::size_t bytes);

}  // namespace kernels::shell

#endif  // KERNELS_SHELL_ARENA_H_
