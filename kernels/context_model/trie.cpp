// Symbol lists, the trie of contexts, and the diagnostic walks over them.
#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model {

using internal::g_observer;

SymbolEntry Symbols[kSymbolEntries];
std::int32_t symbolsFree = 0;
TrieNode Trie[kTrieNodes];
std::int32_t trieFree = 0;
char dumpTrieStr[kDumpTrieStrSize];

namespace {

// The list position of each level of a dumpTrie walk. A walk descends at most once per node, so
// the trie's size bounds its depth.
std::int32_t g_walk[kTrieNodes];

// The position of the symbol being coded, for the shortage record: update has already advanced
// inputPos past it when it asks for room.
std::int32_t coding_position() {
  return shell::wrapping_sub(inputPos, 1);
}

}  // namespace

void initSymbols() {
  symbolsFree = 1;
}

int freeSymbol(int symbol) {
  if (symbolsFree < 1 || symbolsFree >= kSymbolEntries) {
    if (symbolsFree >= kSymbolEntries) internal::note_shortage(shortage.symbols, coding_position());
    return 0;
  }
  const int entry = symbolsFree++;
  Symbols[entry] = SymbolEntry{0, 0, symbol};
  return entry;
}

int findSymbol(int nodeIndex, int symbol) {
  return internal::find_symbol(nodeIndex, symbol);
}

int addSymbol(int nodeIndex, int symbol) {
  int entry = findSymbol(nodeIndex, symbol);
  if (entry != 0) return entry;
  entry = freeSymbol(symbol);
  if (entry == 0) return 0;
  Symbols[entry].next = Trie[nodeIndex].firstSymbol;
  Trie[nodeIndex].firstSymbol = entry;
  internal::mirror_append(nodeIndex, entry, symbol, 0);
  return entry;
}

void initTrie() {
  internal::forget_lookups();
  internal::mirror_reset();
  trieFree = 2;
  Trie[1] = TrieNode{0, 0, 0, -1};
  internal::mirror_clear(1);
}

int freeTrie() {
  if (trieFree < 1 || trieFree >= kTrieNodes) {
    if (trieFree >= kTrieNodes) internal::note_shortage(shortage.trie, coding_position());
    return 0;
  }
  const int node = trieFree++;
  Trie[node] = TrieNode{0, 0, 0, -1};
  internal::mirror_clear(node);
  return node;
}

int getCount(int entry) {
  if (entry == 0) return 0;
  const int count = internal::raw_count(Symbols[entry].child);
  if (debugLevel > 3 && count > 0) dumpSymbol(internal::shared_stream(), Symbols[entry].symbol);
  return count;
}

void dumpSymbol(int* stream, int symbol) {
  if (g_observer != nullptr && g_observer->dumpSymbol != nullptr)
    g_observer->dumpSymbol(g_observer->context, stream, symbol);
}

// Reading the text would change nothing, so only the call is observed.
void dumpString(int* stream, char* text, int start, int length) {
  if (g_observer != nullptr && g_observer->dumpString != nullptr)
    g_observer->dumpString(g_observer->context, stream, text, start, length);
}

namespace {

// One step of the walk as a call of its own: the observer sees it, then the path so far.
void visit(int* stream, int nodeIndex, int depth) {
  if (g_observer != nullptr && g_observer->dumpTrie != nullptr)
    g_observer->dumpTrie(g_observer->context, stream, nodeIndex, depth);
  dumpString(stream, dumpTrieStr, 0, depth);
}

}  // namespace

// Depth first over an explicit stack of list positions, so that a deep trie (a large max_order)
// cannot exhaust the machine stack. Visits exactly what the recursive walk visits, in its order.
void dumpTrie(int* stream, int nodeIndex, int depth) {
  visit(stream, nodeIndex, depth);
  if (nodeIndex < 1) return;
  int level = 0;
  g_walk[0] = Trie[nodeIndex].firstSymbol;
  while (level >= 0) {
    const int entry = g_walk[level];
    if (entry == 0) {
      --level;
      continue;
    }
    g_walk[level] = Symbols[entry].next;
    const int at = shell::wrapping_add(depth, level);
    if (at >= 0 && at < kDumpTrieStrSize)
      dumpTrieStr[at] = static_cast<char>(static_cast<unsigned char>(Symbols[entry].symbol));
    const int child = Symbols[entry].child;
    visit(stream, child, shell::wrapping_add(at, 1));
    if (child >= 1 && level + 1 < kTrieNodes) {
      ++level;
      g_walk[level] = Trie[child].firstSymbol;
    }
  }
}

void dumpRoot(int* stream) {
  if (g_observer != nullptr && g_observer->dumpRoot != nullptr)
    g_observer->dumpRoot(g_observer->context, stream);
  dumpTrie(stream, 1, 0);
}

void junk() {
  dumpRoot(internal::shared_stream());
}

}  // namespace kernels::context_model
