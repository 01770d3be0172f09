// The run arena: bump allocation from chunks that are zeroed again and reused after a reset.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kernels/shell/arena.h"

namespace kernels::shell {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;  // ordinary chunk size
constexpr std::size_t kMaxAlign = 4096;

struct Chunk {
  unsigned char* base;
  std::size_t size;
  std::size_t used;  // bytes handed out (and dirtied) since the last reset
};

struct Arena {
  std::vector<Chunk> chunks;
  std::size_t current = 0;  // chunk that serves the next request
  ArenaStats stats;

  ~Arena() {
    for (Chunk& c : chunks) std::free(c.base);
  }
};

// Constant-initialised: no guard on the allocation path, usable from any static constructor.
constinit Arena g_arena;

Arena& arena() {
  return g_arena;
}

ArenaFailureHandler g_failure_handler = nullptr;  // null: the default
std::size_t g_limit = 0;                          // 0: none

// Hands the failed request to the handler; the default, and a handler that returns, end here.
[[noreturn]] void out_of_memory(std::size_t bytes) {
  if (g_failure_handler != nullptr) g_failure_handler(bytes);
  std::fprintf(stderr, "kernels: run arena cannot provide %zu bytes\n", bytes);
  std::abort();
}

// Whether a new chunk of `size` bytes stays within the limit.
bool within_limit(const Arena& a, std::size_t size) {
  if (g_limit == 0) return true;
  std::size_t held = 0;
  for (const Chunk& c : a.chunks) held += c.size;
  return held <= g_limit && size <= g_limit - held;
}

// Offset at which `align`-aligned storage of `bytes` bytes fits in `c`, or SIZE_MAX.
std::size_t fit(const Chunk& c, std::size_t bytes, std::size_t align) {
  auto addr = reinterpret_cast<std::uintptr_t>(c.base) + c.used;
  // align is a power of two: the padding to the next multiple is a mask, not a division.
  std::size_t pad = static_cast<std::size_t>(0 - addr) & (align - 1);
  if (pad > c.size - c.used || bytes > c.size - c.used - pad) return static_cast<std::size_t>(-1);
  return c.used + pad;
}

}  // namespace

void* arena_allocate(std::size_t bytes, std::size_t align) {
  if (align == 0 || (align & (align - 1)) != 0 || align > kMaxAlign) align = kMaxAlign;
  if (bytes > static_cast<std::size_t>(-1) / 2) out_of_memory(bytes);
  Arena& a = arena();
  const std::size_t want = bytes == 0 ? 1 : bytes;  // a zero-byte record still gets its own address
  for (; a.current < a.chunks.size(); ++a.current) {
    Chunk& c = a.chunks[a.current];
    std::size_t at = fit(c, want, align);
    if (at != static_cast<std::size_t>(-1)) {
      c.used = at + want;
      ++a.stats.records;
      a.stats.bytes += bytes;
      return c.base + at;
    }
  }
  // A fresh chunk: calloc hands out zeroed memory, large enough for the request and its padding.
  std::size_t size = want + align > kChunkBytes ? want + align : kChunkBytes;
  if (!within_limit(a, size)) out_of_memory(bytes);
  auto* base = static_cast<unsigned char*>(std::calloc(size, 1));
  if (base == nullptr) out_of_memory(bytes);
  a.chunks.push_back(Chunk{base, size, 0});
  a.current = a.chunks.size() - 1;
  Chunk& c = a.chunks.back();
  std::size_t at = fit(c, want, align);
  c.used = at + want;
  ++a.stats.records;
  a.stats.bytes += bytes;
  return c.base + at;
}

void arena_reset() {
  Arena& a = arena();
  // A chunk that served the run just ended is zeroed and kept, so a repeated run finds the same
  // chunks in the same order and allocates nothing. A chunk that served nothing in that run is
  // given back: memory follows the largest of the last two runs, not every run ever made.
  std::size_t kept = 0;
  for (Chunk& c : a.chunks) {
    if (c.used == 0) {
      std::free(c.base);
      continue;
    }
    std::memset(c.base, 0, c.used);
    c.used = 0;
    a.chunks[kept++] = c;
  }
  a.chunks.resize(kept);
  a.current = 0;
  a.stats = ArenaStats{};
}

ArenaStats arena_stats() {
  return arena().stats;
}

ArenaFailureHandler set_arena_failure_handler(ArenaFailureHandler handler) {
  const ArenaFailureHandler previous = g_failure_handler;
  g_failure_handler = handler;
  return previous;
}

void set_arena_limit(std::size_t bytes) {
  g_limit = bytes;
}

}  // namespace kernels::shell
