// The shared block and the stream handles that stand where an output stream is passed.
#ifndef KERNELS_SHELL_SHARED_BLOCK_H_
#define KERNELS_SHELL_SHARED_BLOCK_H_

namespace kernels::shell {

// The shared block: 4 bytes of constant text, "foo" and its terminator, in read-only data. It is
// what the counting allocator returns and what callers pass wherever an output stream is handed
// on. Nothing reads or writes its bytes.
extern const char shared_block[4];

// A stream handle stands where an output stream is passed. No operation reads or writes through
// one; callers pass stream_handle().
using StreamHandle = int*;

// The shared block as a stream handle. Never null; never dereference it.
StreamHandle stream_handle();

}  // namespace kernels::shell

#endif  // KERNELS_SHELL_SHARED_BLOCK_H_
