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

// What upd does once it knows `entry`, the entry of `symbol` in the list of `node` (the trieNode of
// ctx), or 0 when the list has none; `order` is the context's order (level - 1), at most
// max_order. Returns the entry to visit next.
int upd_with_entry(int ctx, int node, int entry, int symbol, std::int32_t order);

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

}  // namespace kernels::context_model::internal

#endif  // KERNELS_CONTEXT_MODEL_INTERNAL_H_
