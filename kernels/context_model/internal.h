// Helpers shared by the model's source files, and the switches its tests use.
#ifndef KERNELS_CONTEXT_MODEL_INTERNAL_H_
#define KERNELS_CONTEXT_MODEL_INTERNAL_H_

#include <cstdint>

#include "kernels/context_model/context_model.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model::internal {

// The escape symbol of the counting operations (257): one past the end-of-input symbol.
inline constexpr int kEscape = 257;

// The installed observer, null when none.
extern const Observer* g_observer;

// The stream handle the model passes where it has none of its own: the shared block.
inline int* shared_stream() {
  return shell::stream_handle();
}

// Records the first shortage of one kind at the position of the symbol being coded.
inline void note_shortage(std::int32_t& field, std::int32_t position) {
  if (field < 0) field = position;
}

// A double truncated toward zero to 32 bits; values outside the range (and NaN) give INT32_MIN,
// as the 32-bit hardware conversion does.
inline std::int32_t truncate_count(double x) {
  return (x > -2147483649.0 && x < 2147483648.0) ? static_cast<std::int32_t>(x) : INT32_MIN;
}

// The effective count of a list entry of node `owner` whose raw count is k and symbol is `symbol`,
// with escape count `escape` (the owner's escapeCount).
inline std::int32_t effective_count(std::int32_t k, std::int32_t escape, std::int32_t symbol,
                                    const TrieNode& owner) {
  if (escape == 1 && k > 1) {
    // With the factor at its initial 3, the product is exact in double: integers give the same.
    if (determ_factor == 3.0f) {
      const std::int64_t product = std::int64_t{k} * 3;
      return product <= INT32_MAX ? static_cast<std::int32_t>(product) : INT32_MIN;
    }
    return truncate_count(static_cast<double>(k) * static_cast<double>(determ_factor));
  }
  if (symbol == owner.lastSymbol && owner.count != 0) {
    return truncate_count(static_cast<double>(k) +
                          static_cast<double>(owner.count) * static_cast<double>(recent_factor));
  }
  return k;
}

// The raw count of an entry whose child is `child` (getCount without its dump).
inline std::int32_t raw_count(std::int32_t child) {
  return child > 0 ? Trie[child].count : (child < 0 ? 1 : 0);
}

// (x + 1) / 2 with the addition wrapping.
inline std::int32_t halve(std::int32_t x) {
  return shell::wrapping_add(x, 1) / 2;
}

// scale_counts, reporting whether any count changed (a halving that changes nothing would repeat
// forever).
bool scale_counts_changed(int nodeIndex);

// The coding walks of encode_symbol and decode_symbol at debugLevel <= 0: one pass over each
// context's list where the plain walks make two or three, with the update reusing what the coding
// found. Same model, same calls. Defined in fused.cpp.
void encode_symbol_fused(int symbol, int skipCoding);
int decode_symbol_fused();

// Which walks encode_symbol and decode_symbol use at debugLevel <= 0: the fused ones (the default),
// or the plain composition of encode_context / decode_context and update that they always use at
// higher debug levels. Both give the same model and the same calls; tests compare them.
void use_plain_walks(bool plain);
bool plain_walks();

// Forgets what the fused walks remember between calls (init_symbols calls it).
void reset_fused_state();

// Stores a decoded symbol's low 8 bits at inputPos, or records the shortage when inputPos is
// outside Input.
void store_decoded(int symbol);

// Forgets every remembered list lookup: the tables are being emptied (initSymbols and initTrie
// call it).
void forget_lookups();

// What a coding walk found in one context's list: the entry of the coded symbol (0 for none) and
// the list's first entry at the time. The update trusts a found entry (entries never leave a list)
// and a "none" while the list still starts with the same entry (entries are only added in front).
struct Seen {
  std::int32_t ctx;
  std::int32_t node;
  std::int32_t entry;
  std::int32_t first;
};

// update(symbol), taking the entries of the contexts in seen[0 .. count) (in list order) from
// there, and the others from remembered lookups. Same result as update.
void update_fused(int symbol, const Seen* seen, int count);

// ---------------------------------------------------------------------------------------------
// The mirror of the symbol lists (mirror.cpp): for each node, its list as one contiguous block of
// slots, oldest entry first, so that the list order is the block read backwards and a slot keeps
// its position for good. A slot holds the entry's raw count (getCount without its dump) and its
// index and symbol. Kept up to date wherever the model changes a list, a child or a node's count;
// the fused walks read it instead of Symbols and Trie. Tests that write the tables directly leave
// it behind; only the fused walks rely on it.
// ---------------------------------------------------------------------------------------------

struct MirrorSlot {
  std::int32_t count;  // the entry's raw count
  std::uint32_t key;   // entry << 9 | symbol
};

// A node's block: where it starts, how many slots it holds and its size class (2 << cls slots, or
// 257 for the last class), and where the entry leading to the node sits: parent << 9 | position in
// the parent's block, 0 for none (the root, or a node not linked by the model).
struct MirrorNode {
  std::uint32_t offset;
  std::uint16_t size;
  std::uint8_t cls;
  std::uint8_t unused;
  std::uint32_t home;
};

// Slots in the pool: four per Symbols entry, so that the model's own operations never run it out
// (mirror.cpp tells why).
inline constexpr std::uint32_t kMirrorSlots = 4u * kSymbolEntries;

extern MirrorSlot g_pool[kMirrorSlots];
extern MirrorNode g_mirror[kTrieNodes];
// False once the pool has run out (until mirror_reset): the mirror is then incomplete and the
// model codes with the plain walks.
extern bool g_mirror_ok;

inline std::uint32_t mirror_key(int entry, int symbol) {
  return static_cast<std::uint32_t>(entry) << 9 | static_cast<std::uint32_t>(symbol);
}
inline int key_entry(std::uint32_t key) {
  return static_cast<int>(key >> 9);
}
inline int key_symbol(std::uint32_t key) {
  return static_cast<int>(key & 511u);
}
inline std::uint32_t mirror_home(int parent, int pos) {
  return static_cast<std::uint32_t>(parent) << 9 | static_cast<std::uint32_t>(pos);
}

// Empties the pool and takes the mirror up again: the tables are being emptied (initTrie).
void mirror_reset();

// Limits the pool to `slots` (at most kMirrorSlots), so that tests can run it out. Takes effect
// for blocks handed out from then on.
void set_mirror_limit(std::uint32_t slots);

// Makes node's block empty and unlinked: a node handed out anew.
inline void mirror_clear(int node) {
  g_mirror[node] = MirrorNode{0, 0, 0, 0, 0};
}

// Appends a slot for a new entry at the front of node's list. When the pool has no block for it,
// gives the mirror up (g_mirror_ok becomes false). REQUIRES: 0 < entry < kSymbolEntries,
// 0 <= symbol <= 256, 0 <= node < kTrieNodes.
void mirror_append(int node, int entry, int symbol, std::int32_t count);

// Sets the count of slot pos of node's block; a position outside the block is ignored.
inline void mirror_set_count(int node, int pos, std::int32_t count) {
  const MirrorNode& m = g_mirror[node];
  if (pos >= 0 && static_cast<std::uint32_t>(pos) < m.size) g_pool[m.offset + pos].count = count;
}

// Links node to slot pos of parent's block, the slot of the entry whose child it has become; a pos
// of -1 (no slot: the mirror was given up) leaves node unlinked.
inline void mirror_link(int node, int parent, int pos) {
  g_mirror[node].home = pos >= 0 ? mirror_home(parent, pos) : 0;
}

// Copies node's count into its slot in the parent's block, if it has one.
inline void mirror_count_changed(int node) {
  const std::uint32_t home = g_mirror[node].home;
  if (home != 0)
    mirror_set_count(static_cast<int>(home >> 9), static_cast<int>(home & 511u), Trie[node].count);
}

// The position of symbol in node's block, or -1. The newest slots are looked at first.
inline int mirror_find(int node, int symbol) {
  const MirrorNode& m = g_mirror[node];
  const MirrorSlot* slots = g_pool + m.offset;
  for (int i = static_cast<int>(m.size) - 1; i >= 0; --i)
    if (key_symbol(slots[i].key) == symbol) return i;
  return -1;
}

// The position of entry (which holds symbol) in node's block, or -1. The newest slots are looked
// at first.
inline int mirror_slot_of(int node, int entry, int symbol) {
  const MirrorNode& m = g_mirror[node];
  const MirrorSlot* slots = g_pool + m.offset;
  const std::uint32_t key = mirror_key(entry, symbol);
  for (int i = static_cast<int>(m.size) - 1; i >= 0; --i)
    if (slots[i].key == key) return i;
  return -1;
}

// Halves every count of node's block, as scale_counts halves the counts of node's children.
void mirror_halve(int node);

// Whether the mirror agrees with the tables for every node below trieFree, leaving out the nodes
// from skip_trie_from up to skip_trie_to (a gap a test made by moving trieFree); true while the
// mirror is given up.
bool mirror_matches(int skip_trie_from = 0, int skip_trie_to = 0);

// Slots handed out from the pool's end since the last mirror_reset.
std::uint32_t mirror_slots_used();

// The context list's operations, inline for the walks; the public ones are these.

inline int free_context() {
  int entry;
  if (contextUsed != 0) {
    entry = contextUsed;
    contextUsed = Context[entry].next;
  } else if (contextFree < kContextEntries - 1) {
    entry = ++contextFree;
  } else {
    note_shortage(shortage.context, inputPos);
    return 0;
  }
  Context[entry] = ContextEntry{0, 0};
  return entry;
}

inline void start_context() {
  if (shell::wrapping_sub(contextLength, 1) > max_order) return;
  const int entry = free_context();
  if (entry == 0) return;  // no room: the list stays as it is, entry 0 untouched
  Context[entry] = ContextEntry{1, 0};
  if (contextTail == 0) {
    contextHead = entry;
  } else {
    Context[contextTail].next = entry;
  }
  contextTail = entry;
  contextLength = shell::wrapping_add(contextLength, 1);
  if (debugLevel > 2) dumpList(shared_stream(), contextHead);
}

inline int predict_context() {
  int ctx = contextHead;
  if (ctx != 0 && shell::wrapping_sub(contextLength, 1) > max_order) ctx = Context[ctx].next;
  return ctx;
}

inline void release_list(int ctx) {
  Context[ctx].next = contextUsed;
  contextUsed = ctx;
  contextLength = shell::wrapping_sub(contextLength, 1);
}

inline int drop_context(int ctx) {
  if (ctx != contextHead) printFree(shared_stream());
  contextHead = Context[ctx].next;
  if (contextHead == 0) contextTail = 0;
  release_list(ctx);
  return contextHead;
}

inline int find_symbol(int node, int symbol) {
  int entry = Trie[node].firstSymbol;
  while (entry != 0 && Symbols[entry].symbol != symbol) entry = Symbols[entry].next;
  return entry;
}

}  // namespace kernels::context_model::internal

#endif  // KERNELS_CONTEXT_MODEL_INTERNAL_H_
