// Coding one symbol through the context list: the model's entry operations and the plain walks.
#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model {

using internal::kEscape;
using internal::shared_stream;

namespace {

bool g_plain_walks = false;

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
  if (debugLevel <= 0 && !g_plain_walks && internal::g_mirror_ok) {
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
  if (debugLevel <= 0 && !g_plain_walks && internal::g_mirror_ok)
    return internal::decode_symbol_fused();
  startContext();
  const int symbol = decode_context(predict());
  internal::store_decoded(symbol);
  update(symbol);
  if (debugLevel > 2) dumpRoot(shared_stream());
  return symbol;
}

void internal::store_decoded(int symbol) {
  if (inputPos >= 0 && inputPos < kInputSize) {
    Input[inputPos] = static_cast<unsigned char>(symbol);
  } else {
    note_shortage(shortage.history, inputPos);
  }
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
    Trie[node].escapeCount = shell::wrapping_add(Trie[node].escapeCount, tescape_incr);
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
    Trie[node].escapeCount = shell::wrapping_add(Trie[node].escapeCount, tescape_incr);
    mark_list(node, exclusion);
    ctx = Context[ctx].next;
  }
}

}  // namespace kernels::context_model
