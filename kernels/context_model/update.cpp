// The model update: every active context records the coded symbol and moves one symbol deeper,
// or leaves the list.
#include <cstring>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model {

using shell::wrapping_add;
using shell::wrapping_sub;

namespace {

// A position that a pending child may name: a later node creation reads Input there.
inline bool recordable(std::int32_t position) {
  return position >= 1 && position < kInputSize;
}

// Room for one more Symbols entry; records the shortage when there is none.
inline bool symbols_room() {
  if (symbolsFree >= 1 && symbolsFree < kSymbolEntries) return true;
  internal::note_shortage(shortage.symbols, wrapping_sub(inputPos, 1));
  return false;
}

// A new entry for symbol at the front of node's list, which must not hold symbol yet, with a
// pending child naming `position`. REQUIRES: symbols_room().
inline int prepend_pending(int node, int symbol, std::int32_t position) {
  const int entry = symbolsFree++;
  Symbols[entry] = SymbolEntry{shell::wrapping_neg(position), Trie[node].firstSymbol, symbol};
  Trie[node].firstSymbol = entry;
  internal::mirror_append(node, entry, symbol, 1);
  return entry;
}

// What upd does once it knows `entry`, the entry of symbol in the list of node (the trieNode of
// ctx), or 0 when the list has none, when the entry has no child node yet (child = its child, or
// 0); `order` is the context's order, at most max_order. Returns the entry to visit next.
[[gnu::noinline]] int upd_without_node(int ctx, int node, int entry, std::int32_t child, int symbol,
                                       std::int32_t order) {
  // The entry's slot, for the count that changes below. Lists that still gain nodes are mostly
  // short, and the slot is looked for only here.
  const int pos = entry != 0 ? internal::mirror_slot_of(node, entry, symbol) : -1;
  if (child == 0) {
    // New in this context: remember where it was seen (the position after it) and drop.
    if (!recordable(inputPos)) {
      internal::note_shortage(shortage.history, wrapping_sub(inputPos, 1));
    } else if (entry != 0) {
      Symbols[entry].child = shell::wrapping_neg(inputPos);
      internal::mirror_set_count(node, pos, 1);
    } else if (symbols_room()) {
      prepend_pending(node, symbol, inputPos);
    }
    return internal::drop_context(ctx);
  }
  // Seen once before: make the node, seeded with the symbol that followed that occurrence.
  const std::int32_t seen = shell::wrapping_neg(child);
  const bool extend = order < max_order;
  if (extend) {
    if (!(seen >= 0 && recordable(wrapping_add(seen, 1)))) {
      internal::note_shortage(shortage.history, wrapping_sub(inputPos, 1));
      return internal::drop_context(ctx);
    }
    if (!symbols_room()) return internal::drop_context(ctx);
  }
  const int created = freeTrie();
  if (created == 0) return internal::drop_context(ctx);
  Trie[created].count = tcount_init;
  Trie[created].escapeCount = tescape_init;
  Symbols[entry].child = created;
  internal::mirror_set_count(node, pos, tcount_init);
  internal::mirror_link(created, node, pos);
  if (extend) prepend_pending(created, Input[seen], seen + 1);
  Context[ctx].trieNode = created;
  return Context[ctx].next;
}

// The whole of upd once the entry is known: down to the child node, or upd_without_node.
inline int upd_with_entry(int ctx, int node, int entry, int symbol, std::int32_t order) {
  const std::int32_t child = entry != 0 ? Symbols[entry].child : 0;
  if (child > 0) {
    Context[ctx].trieNode = child;
    return Context[ctx].next;
  }
  return upd_without_node(ctx, node, entry, child, symbol, order);
}

// Remembered lookups: (node, symbol) -> entry, direct-mapped, valid for one emptying of the
// tables (epoch). The update looks up the coded symbol in the contexts shorter than the one that
// coded it; in text their lists are long, and the common symbols stand far back, since lists keep
// the order in which symbols first appeared.
struct Lookup {
  std::int32_t node;
  std::int32_t symbol;
  std::int32_t entry;
  std::uint32_t epoch;
};
constexpr int kLookupBits = 16;
Lookup g_lookups[1 << kLookupBits];
std::uint32_t g_epoch = 1;

// The entry of node's list holding symbol, or 0: the list's first entry (runs of one symbol, and
// symbols added lately), a remembered one, or one from the mirror block, newest slot first.
inline int find_remembered(int node, int symbol) {
  const int first = Trie[node].firstSymbol;
  if (first == 0 || Symbols[first].symbol == symbol) return first;
  const std::uint32_t h = static_cast<std::uint32_t>(node) * 0x9e3779b1u +
                          static_cast<std::uint32_t>(symbol) * 0x85ebca6bu;
  Lookup& slot = g_lookups[h >> (32 - kLookupBits)];
  if (slot.epoch == g_epoch && slot.node == node && slot.symbol == symbol) return slot.entry;
  const int pos = internal::mirror_find(node, symbol);
  if (pos < 0) return 0;
  const int entry =
      internal::key_entry(internal::g_pool[internal::g_mirror[node].offset + pos].key);
  slot = Lookup{node, symbol, entry, g_epoch};
  return entry;
}

}  // namespace

void update(int symbol) {
  inputPos = wrapping_add(inputPos, 1);
  std::int32_t level = contextLength;
  int firstVisit = 1;
  int ctx = contextHead;
  while (ctx != 0) {
    ctx = upd(ctx, symbol, level, firstVisit);
    level = wrapping_sub(level, 1);
    firstVisit = 0;
  }
}

int upd(int ctx, int symbol, int level, int firstVisit) {
  const int node = Context[ctx].trieNode;
  TrieNode& owner = Trie[node];
  owner.lastSymbol = symbol;
  if (firstVisit != 0) {
    owner.count = wrapping_add(owner.count, tcount_incr);
    internal::mirror_count_changed(node);
  }
  const std::int32_t order = wrapping_sub(level, 1);
  if (order > max_order) return dropContext(ctx);
  return upd_with_entry(ctx, node, findSymbol(node, symbol), symbol, order);
}

void internal::forget_lookups() {
  if (++g_epoch == 0) {  // after 2^32 emptyings: start the epochs again
    std::memset(g_lookups, 0, sizeof g_lookups);
    g_epoch = 1;
  }
}

void internal::update_fused(int symbol, const Seen* seen, int count) {
  inputPos = wrapping_add(inputPos, 1);
  std::int32_t level = contextLength;
  bool first = true;
  int next_seen = 0;
  int ctx = contextHead;
  while (ctx != 0) {
    const int node = Context[ctx].trieNode;
    TrieNode& owner = Trie[node];
    owner.lastSymbol = symbol;
    if (first) {
      owner.count = wrapping_add(owner.count, tcount_incr);
      internal::mirror_count_changed(node);
    }
    first = false;
    const std::int32_t order = wrapping_sub(level, 1);
    level = order;
    if (order > max_order) {
      ctx = drop_context(ctx);
      continue;
    }
    int entry = -1;
    if (next_seen < count && seen[next_seen].ctx == ctx) {
      const Seen& s = seen[next_seen++];
      if (s.node == node && (s.entry != 0 || s.first == owner.firstSymbol)) entry = s.entry;
    }
    if (entry < 0) {
      // Should the pool run out during this update, the mirror may lack an entry: then the list.
      entry = internal::g_mirror_ok ? find_remembered(node, symbol)
                                    : internal::find_symbol(node, symbol);
    }
    ctx = upd_with_entry(ctx, node, entry, symbol, order);
  }
}

}  // namespace kernels::context_model
