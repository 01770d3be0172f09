// Helpers shared by the model's source files, and the switches its tests use.
#ifndef KERNELS_CONTEXT_MODEL_INTERNAL_H_
#define KERNELS_CONTEXT_MODEL_INTERNAL_H_

#include <cstdint>

#include "kernels/context_model/context_model.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model::internal {

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
