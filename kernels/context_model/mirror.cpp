// The mirror of the symbol lists: each node's list as one contiguous block of (count, entry and
// symbol) slots, which the fused walks read in place of the lists.
//
// Why: a list entry and its child node lie anywhere in tables of tens of megabytes, so walking a
// long list costs one or two cache misses per entry. On input that does not compress, every
// symbol walks an order-1 list of some 256 entries and the update looks the symbol up in the
// root's list; the walks over Symbols and Trie were nearly all the time spent. A block of 257
// slots is 2 KB read in sequence.
//
// Layout. A block's slots run from the oldest entry to the newest, so a new entry (which the list
// puts in front) is appended, every slot keeps its position for good, and the list order is the
// block read backwards. A node records where the entry leading to it sits in its parent's block
// (its home), so that a change of its count reaches its slot at once.
//
// Blocks hold 2, 4, ..., 128 or 257 slots. A full block moves to one of the next size, and the old
// one goes onto a free chain of its size, for the next block of that size. Room: a node's block
// holds at most twice its list's entries (1 entry in 2 slots, 129 in 257), and the blocks it
// left behind hold fewer slots than its block (2 + 4 + ... + 128 < 257). So the pool never hands
// out more than four slots per Symbols entry in use, and kMirrorSlots is that for the whole table.
// (On random bytes, where every order-2 context grows its list step by step, the blocks left
// behind do pile up: a pool of twice the table ran out there.) Only lists written outside the
// model's operations can run it out; then the mirror is given up until the tables are emptied
// again, and the model codes with the plain walks meanwhile (same results, slower).
#include <cstring>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"

namespace kernels::context_model::internal {

MirrorSlot g_pool[kMirrorSlots];
MirrorNode g_mirror[kTrieNodes];
bool g_mirror_ok = true;

namespace {

constexpr int kClasses = 8;
constexpr std::uint32_t kNoBlock = UINT32_MAX;

constexpr std::uint32_t capacity_of(int cls) {
  return cls == kClasses - 1 ? 257u : 2u << cls;
}

std::uint32_t g_pool_used = 0;  // slots handed out from the pool's end
std::uint32_t g_pool_limit = kMirrorSlots;
std::uint32_t g_free[kClasses];  // first block of each size's free chain, kNoBlock for none

void reset_free_chains() {
  for (std::uint32_t& f : g_free) f = kNoBlock;
}

// A block of class cls, kNoBlock when the pool is spent. A free block keeps the offset of the next
// free block of its size in its first slot's key.
std::uint32_t take_block(int cls) {
  std::uint32_t block = g_free[cls];
  if (block != kNoBlock) {
    g_free[cls] = g_pool[block].key;
    return block;
  }
  const std::uint32_t capacity = capacity_of(cls);
  if (g_pool_limit - g_pool_used < capacity) return kNoBlock;
  block = g_pool_used;
  g_pool_used += capacity;
  return block;
}

void give_block(std::uint32_t block, int cls) {
  g_pool[block].key = g_free[cls];
  g_free[cls] = block;
}

}  // namespace

void mirror_reset() {
  g_pool_used = 0;
  reset_free_chains();
  g_mirror_ok = true;
}

void set_mirror_limit(std::uint32_t slots) {
  g_pool_limit = slots < kMirrorSlots ? slots : kMirrorSlots;
}

void mirror_append(int node, int entry, int symbol, std::int32_t count) {
  if (!g_mirror_ok) return;
  MirrorNode& m = g_mirror[node];
  if (m.size == 0 || m.size == capacity_of(m.cls)) {
    const int cls = m.size == 0 ? 0 : m.cls + 1;
    if (cls >= kClasses) {  // a list holds at most 257 symbols: the tables were written directly
      g_mirror_ok = false;
      return;
    }
    const std::uint32_t block = take_block(cls);
    if (block == kNoBlock) {
      g_mirror_ok = false;
      return;
    }
    if (m.size != 0) {
      std::memcpy(&g_pool[block], &g_pool[m.offset], m.size * sizeof(MirrorSlot));
      give_block(m.offset, m.cls);
    }
    m.offset = block;
    m.cls = static_cast<std::uint8_t>(cls);
  }
  g_pool[m.offset + m.size] = MirrorSlot{count, mirror_key(entry, symbol)};
  ++m.size;
}

void mirror_halve(int node) {
  const MirrorNode& m = g_mirror[node];
  MirrorSlot* slots = g_pool + m.offset;
  // Pending children count 1 and entries without a successor 0: halving keeps both, so every
  // slot can be halved, as the child nodes' counts are.
  for (std::uint32_t i = 0; i < m.size; ++i) slots[i].count = halve(slots[i].count);
}

bool mirror_matches(int skip_trie_from, int skip_trie_to) {
  if (!g_mirror_ok) return true;
  for (int node = 1; node < trieFree; ++node) {
    if (node == skip_trie_from) {
      node = skip_trie_to - 1;
      continue;
    }
    const MirrorNode& m = g_mirror[node];
    std::uint32_t pos = m.size;
    for (int e = Trie[node].firstSymbol; e != 0; e = Symbols[e].next) {
      if (pos == 0) return false;
      --pos;
      const MirrorSlot& slot = g_pool[m.offset + pos];
      if (slot.key != mirror_key(e, Symbols[e].symbol)) return false;
      const std::int32_t child = Symbols[e].child;
      if (slot.count != raw_count(child)) return false;
      if (child > 0 && g_mirror[child].home != mirror_home(node, static_cast<int>(pos)))
        return false;
    }
    if (pos != 0) return false;
  }
  return true;
}

std::uint32_t mirror_slots_used() {
  return g_pool_used;
}

}  // namespace kernels::context_model::internal
