// Cumulative counts of a context, their halving, and the intervals handed to the coder calls.
#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model {

using internal::g_observer;
using internal::kEscape;
using internal::shared_stream;
using shell::wrapping_add;
using shell::wrapping_sub;

std::uint32_t S_low = 0;
std::uint32_t S_high = 0;
std::uint32_t S_value = 0;

namespace {

struct Interval {
  std::int32_t low = 0;
  std::int32_t high = 0;
  std::int32_t total = 0;
};

// The table of node (not 0): its total, and the interval of `symbol` in it, which is the escape's
// [0, E) when the symbol has no non-excluded entry (the escape symbol 257 included).
Interval node_table(int node, int symbol, const int* exclusion) {
  const TrieNode& owner = Trie[node];
  const std::int32_t escape = owner.escapeCount;
  Interval r{0, escape, escape};
  for (int entry = owner.firstSymbol; entry != 0; entry = Symbols[entry].next) {
    const int s = Symbols[entry].symbol;
    if (exclusion[s] != 0) continue;
    const std::int32_t k = internal::effective_count(getCount(entry), escape, s, owner);
    if (s == symbol) {
      r.low = r.total;
      r.high = wrapping_add(r.total, k);
    }
    r.total = wrapping_add(r.total, k);
  }
  return r;
}

// The order -1 table: every non-excluded symbol 0..256 counts 1, in ascending order. An excluded
// symbol and the escape have the empty interval [0, 0).
Interval order_minus_one_table(int symbol, const int* exclusion) {
  Interval r;
  int below = 0;
  for (int s = 0; s <= 256; ++s) {
    if (exclusion[s] != 0) continue;
    ++r.total;
    if (s < symbol) ++below;
  }
  if (symbol != kEscape && exclusion[symbol] == 0) {
    r.low = below;
    r.high = below + 1;
  }
  return r;
}

}  // namespace

bool internal::scale_counts_changed(int nodeIndex) {
  bool changed = false;
  auto halve_in_place = [&changed](std::int32_t& x) {
    const std::int32_t h = halve(x);
    changed = changed || h != x;
    x = h;
  };
  TrieNode& node = Trie[nodeIndex];
  halve_in_place(node.count);
  halve_in_place(node.escapeCount);
  for (int entry = node.firstSymbol; entry != 0; entry = Symbols[entry].next) {
    const int child = Symbols[entry].child;
    if (child > 0) halve_in_place(Trie[child].count);
  }
  internal::mirror_halve(nodeIndex);
  internal::mirror_count_changed(nodeIndex);
  return changed;
}

void scale_counts(int nodeIndex) {
  internal::scale_counts_changed(nodeIndex);
}

// A halving that changes no count would repeat for ever. It leaves every count at most 1, and
// such a node totals at most 258 (its escape and 257 symbols), so it happens only with a
// max_total_count below 258; the total then goes on as computed.
void encode_counts(int nodeIndex, int symbol, int* exclusion, int skipCoding) {
  if (debugLevel > 1 && symbol != kEscape) dumpSymbol(shared_stream(), symbol);
  Interval r;
  if (nodeIndex == 0) {
    r = order_minus_one_table(symbol, exclusion);
  } else {
    for (;;) {
      if (Trie[nodeIndex].escapeCount == 0) return;
      r = node_table(nodeIndex, symbol, exclusion);
      if (r.total <= max_total_count || !internal::scale_counts_changed(nodeIndex)) break;
    }
  }
  if (r.high <= r.low || r.total < r.high) dumpTrie(shared_stream(), nodeIndex, 0);
  if (skipCoding == 0) arith_encode(r.low, r.high, r.total);
  if (r.total > max_total_count) dumpTrie(shared_stream(), nodeIndex, 0);
}

// In the order -1 context the walk takes symbol 0 first whatever the target, so a negative target
// decodes 0; the walk stops at 256, so a target at or past the total decodes 256.
int decode_counts(int nodeIndex, int* exclusion) {
  std::int32_t total;
  if (nodeIndex == 0) {
    total = order_minus_one_table(kEscape, exclusion).total;
  } else {
    for (;;) {
      if (Trie[nodeIndex].escapeCount == 0) return kEscape;
      total = node_table(nodeIndex, kEscape, exclusion).total;
      if (total <= max_total_count || !internal::scale_counts_changed(nodeIndex)) break;
    }
  }
  const std::int32_t target = arith_decode_target(total);
  int symbol;
  std::int32_t low;
  std::int32_t high;
  if (nodeIndex == 0) {
    std::int32_t sum = 0;
    symbol = 0;
    for (;; ++symbol) {
      if (exclusion[symbol] == 0) ++sum;
      if (sum > target || symbol == 256) break;
    }
    low = sum - 1;
    high = sum;
  } else {
    const TrieNode& owner = Trie[nodeIndex];
    const std::int32_t escape = owner.escapeCount;
    symbol = kEscape;
    high = escape;
    std::int32_t last = escape;
    for (int entry = owner.firstSymbol; entry != 0 && high <= target; entry = Symbols[entry].next) {
      symbol = Symbols[entry].symbol;
      if (exclusion[symbol] != 0) continue;
      last = internal::effective_count(getCount(entry), escape, symbol, owner);
      high = wrapping_add(high, last);
    }
    low = wrapping_sub(high, last);
  }
  arith_decode(low, high, total);
  if (debugLevel > 0 && symbol != kEscape) dumpSymbol(shared_stream(), symbol);
  return symbol;
}

void arith_encode(int cumLow, int cumHigh, int total) {
  if (total > max_total_count) dumpRoot(shared_stream());
  if (!(cumLow == 0 && cumHigh == total)) arithmetic_encode(cumLow, cumHigh, total);
}

void arith_decode(int cumLow, int cumHigh, int total) {
  if (!(cumLow == 0 && cumHigh == total)) arithmetic_decode(cumLow, cumHigh, total);
}

int arith_decode_target(int total) {
  const std::uint32_t range = S_high - S_low + 1u;
  const std::uint32_t scaled = (S_value - S_low + 1u) * static_cast<std::uint32_t>(total) - 1u;
  if (range == 0) return 0;  // a range of 2^32: the quotient of a 32-bit value is 0
  return static_cast<std::int32_t>(scaled / range);
}

void arithmetic_encode(int cumLow, int cumHigh, int total) {
  if (g_observer != nullptr && g_observer->arithmetic_encode != nullptr)
    g_observer->arithmetic_encode(g_observer->context, cumLow, cumHigh, total);
}

void arithmetic_decode(int cumLow, int cumHigh, int total) {
  if (g_observer != nullptr && g_observer->arithmetic_decode != nullptr)
    g_observer->arithmetic_decode(g_observer->context, cumLow, cumHigh, total);
}

}  // namespace kernels::context_model
