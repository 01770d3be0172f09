// The counting allocator, the diagnostics sink and the shared block.
#include "kernels/shell/shell.h"

namespace kernels::shell {

const char shared_block[4] = "foo";

std::int32_t bytes_allocated = 0;
std::int32_t allocations = 0;

namespace {
const Observer* g_observer = nullptr;
}  // namespace

StreamHandle stream_handle() {
  // An opaque handle: it is never read or written through.
  return reinterpret_cast<int*>(const_cast<char*>(shared_block));
}

const void* ssplain_malloc(int size) {
  allocations = wrapping_add(allocations, 1);
  bytes_allocated = wrapping_add(bytes_allocated, size);
  return shared_block;
}

const void* ssplain_calloc(int count, int size) {
  allocations = wrapping_add(allocations, 1);
  bytes_allocated = wrapping_add(bytes_allocated, wrapping_mul(count, size));
  return shared_block;
}

void ssplain_alloc_stats() {
  chatting("Allocation stats: %d bytes allocated in %d allocations\n", bytes_allocated,
           allocations);
}

void chatting(const char* format, ...) {
  if (g_observer != nullptr && g_observer->chatting != nullptr) {
    std::va_list args;
    va_start(args, format);
    g_observer->chatting(g_observer->context, format, args);
    va_end(args);
  }
}

void set_observer(const Observer* observer) {
  g_observer = observer;
}

}  // namespace kernels::shell
