// The program shell: every name the subsystem owns, one header per concern.
//   wrapping.h            32-bit arithmetic that wraps
//   sample_data.h         the generator and byte order that sample inputs and input files share
//   shared_block.h        the shared block and the stream handles
//   counting_allocator.h  the counting allocator
//   diagnostics.h         the diagnostics sink and the observers of fixed-form operations
//   arena.h               the run arena every kernel takes its records from
#ifndef KERNELS_SHELL_SHELL_H_
#define KERNELS_SHELL_SHELL_H_

#include "kernels/shell/arena.h"
#include "kernels/shell/counting_allocator.h"
#include "kernels/shell/diagnostics.h"
#include "kernels/shell/sample_data.h"
#include "kernels/shell/shared_block.h"
#include "kernels/shell/wrapping.h"

#endif  // KERNELS_SHELL_SHELL_H_
