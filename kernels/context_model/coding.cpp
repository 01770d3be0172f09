// Coding one symbol through the context list, and updating the model with it.
#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model {

using internal::shared_stream;
using shell::wrapping_add;
using shell::wrapping_sub;

namespace {

constexpr int kEscape = 257;

bool g_plain_walks = false;

// A position that a pending child may name: a later node creation reads Input there.
bool recordable(std::int32_t position) {
  return position >= 1 && position < kInputSize;
}

// Room for one more Symbols entry; records the shortage when there is none.
bool symbols_room() {
  if (symbolsFree >= 1 && symbolsFree < kSymbolEntries) return true;
  internal::note_shortage(shortage.symbols, wrapping_sub(inputPos, 1));
  return false;
}

// A new entry for symbol at the front of node's list, which must not hold symbol yet.
// REQUIRES: symbols_room().
int prepend_symbol(int node, int symbol) {
  const int entry = freeSymbol(symbol);
  Symbols[entry].next = Trie[node].firstSymbol;
  Trie[node].firstSymbol = entry;
  return entry;
}

void mark_list(int node, int* exclusion) {
  for (int entry = Trie[node].firstSymbol; entry != 0; entry = Symbols[entry].next)
    exclusion[Symbols[entry].symbol] = 1;
}

}  // namespace

void internal::use_plain_walks(bool plain) {
  g_plain_walks = plain;
}
bool internal::plain_walks() {
  return g_plain_walks;
}

void init_symbols() {
  initContext();
  contextLength = 0;
  initSymbols();
  initTrie();
  shortage = Shortage{};
  internal::reset_fused_state();
}

int eof_symbol() {
  return 256;
}

void encode_symbol(int symbol, int skipCoding) {
  if (symbol < 0 || symbol > 256) return;
  if (debugLevel <= 0 && !g_plain_walks) {
    internal::encode_symbol_fused(symbol, skipCoding);
    return;
  }
  if (debugLevel > 1) dumpSymbol(shared_stream(), symbol);
  startContext();
  encode_context(predict(), symbol, skipCoding);
  update(symbol);
  if (debugLevel > 2) dumpRoot(shared_stream());
}

int decode_symbol() {
  if (debugLevel <= 0 && !g_plain_walks) return internal::decode_symbol_fused();
  startContext();
  const int symbol = decode_context(predict());
  if (inputPos >= 0 && inputPos < kInputSize) {
    Input[inputPos] = static_cast<unsigned char>(symbol);
  } else {
    internal::note_shortage(shortage.history, inputPos);
  }
  update(symbol);
  if (debugLevel > 2) dumpRoot(shared_stream());
  return symbol;
}

void report_model() {
  dumpRoot(shared_stream());
}

void encode_context(int ctx, int symbol, int skipCoding) {
  int exclusion[257] = {};
  while (ctx > 0) {
    const int node = Context[ctx].trieNode;
    if (getCount(findSymbol(node, symbol)) != 0) break;
    encode_counts(node, kEscape, exclusion, skipCoding);
    Trie[node].escapeCount = wrapping_add(Trie[node].escapeCount, tescape_incr);
    mark_list(node, exclusion);
    ctx = Context[ctx].next;
  }
  encode_counts(ctx > 0 ? Context[ctx].trieNode : 0, symbol, exclusion, skipCoding);
}

int decode_context(int ctx) {
  int exclusion[257] = {};
  for (;;) {
    const int node = Context[ctx].trieNode;
    const int symbol = decode_counts(node, exclusion);
    if (symbol != kEscape) return symbol;
    Trie[node].escapeCount = wrapping_add(Trie[node].escapeCount, tescape_incr);
    mark_list(node, exclusion);
    ctx = Context[ctx].next;
  }
}

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
  if (firstVisit != 0) owner.count = wrapping_add(owner.count, tcount_incr);
  const std::int32_t order = wrapping_sub(level, 1);
  if (order > max_order) return dropContext(ctx);
  return internal::upd_with_entry(ctx, node, findSymbol(node, symbol), symbol, order);
}

int internal::upd_with_entry(int ctx, int node, int entry, int symbol, std::int32_t order) {
  const std::int32_t child = entry != 0 ? Symbols[entry].child : 0;
  if (child > 0) {
    // The extended context has a node: go down to it.
    Context[ctx].trieNode = child;
    return nextContext(ctx);
  }
  if (child == 0) {
    // New in this context: remember where it was seen (the position after it) and drop.
    if (!recordable(inputPos)) {
      note_shortage(shortage.history, wrapping_sub(inputPos, 1));
      return dropContext(ctx);
    }
    if (entry == 0) {
      if (!symbols_room()) return dropContext(ctx);
      entry = prepend_symbol(node, symbol);
    }
    Symbols[entry].child = shell::wrapping_neg(inputPos);
    return dropContext(ctx);
  }
  // Seen once before: make the node, seeded with the symbol that followed that occurrence.
  const std::int32_t seen = shell::wrapping_neg(child);
  const bool extend = order < max_order;
  if (extend) {
    if (!(seen >= 0 && recordable(wrapping_add(seen, 1)))) {
      note_shortage(shortage.history, wrapping_sub(inputPos, 1));
      return dropContext(ctx);
    }
    if (!symbols_room()) return dropContext(ctx);
  }
  const int created = freeTrie();
  if (created == 0) return dropContext(ctx);
  Trie[created].count = tcount_init;
  Trie[created].escapeCount = tescape_init;
  Symbols[entry].child = created;
  if (extend) {
    const int seeded = prepend_symbol(created, Input[seen]);
    Symbols[seeded].child = -(seen + 1);
  }
  Context[ctx].trieNode = created;
  return nextContext(ctx);
}

}  // namespace kernels::context_model
