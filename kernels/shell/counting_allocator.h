// The counting allocator: it counts requests and their sizes and hands out the shared block.
// Kernels take their records from the run arena (arena.h) instead.
#ifndef KERNELS_SHELL_COUNTING_ALLOCATOR_H_
#define KERNELS_SHELL_COUNTING_ALLOCATOR_H_

#include <cstdint>

namespace kernels::shell {

// Sum of all sizes requested through ssplain_malloc and ssplain_calloc; starts at 0, wraps at 32
// bits. Only those two operations change it.
extern std::int32_t bytes_allocated;
// Number of requests made through ssplain_malloc and ssplain_calloc; starts at 0, wraps at 32
// bits. Only those two operations change it.
extern std::int32_t allocations;

// Counts one allocation of `size` bytes (any value, 0 and negative included) and returns the
// shared block. The block is constant text: the result is read-only and holds no record, hence
// the const pointer.
const void* ssplain_malloc(int size);

// Counts one allocation of the 32-bit wrapped product count * size bytes and returns the shared
// block. Clears nothing (the block is read-only).
const void* ssplain_calloc(int count, int size);

// Hands "Allocation stats: %d bytes allocated in %d allocations\n" with bytes_allocated and
// allocations to chatting. Produces no output.
void ssplain_alloc_stats();

}  // namespace kernels::shell

#endif  // KERNELS_SHELL_COUNTING_ALLOCATOR_H_
