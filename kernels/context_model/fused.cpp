// The coding walks of encode_symbol and decode_symbol at debugLevel 0 and below.
//
// The plain walks (coding.cpp) go over a context's list up to three times while coding a symbol
// (find the symbol, build the table, mark the exclusions) and once more in the update (find it
// again). Here one pass does the first three, and the update reuses what it found. The passes read
// the lists' mirror (mirror.cpp), a contiguous block per node, instead of the lists and their
// child nodes. Exclusion uses stamps instead of an array cleared per call. The model and the calls
// are the same; the dump calls of higher debug levels are left to the plain walks, which those
// levels always use.
#include <cstring>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model::internal {
namespace {

using shell::wrapping_add;
using shell::wrapping_sub;

// A coding walk owns the stamps (base, base + L] for its levels 1 .. L (level 1 is the first
// context it visits). A symbol is excluded at level L when its stamp lies in (base, base + L): a
// longer context of the same walk holds it. Each context stamps the symbols of its list that are
// not excluded yet with its own level (an older stamp must stay: it excludes at every later
// level). Stamps of earlier walks are at most base.
std::uint32_t g_mark[257];
std::uint32_t g_base = 0;

std::uint32_t begin_walk() {
  // A walk takes at most one level per context entry, and one more for order -1.
  if (g_base > UINT32_MAX - 2u * kContextEntries) {
    std::memset(g_mark, 0, sizeof g_mark);
    g_base = 0;
  }
  return g_base;
}

void end_walk(std::uint32_t last_level) {
  g_base = last_level;
}

inline bool excluded(std::uint32_t mark, std::uint32_t base, std::uint32_t level) {
  return mark - base - 1u < level - base - 1u;
}

constexpr int kSeenMax = 32;
Seen g_seen[kSeenMax];
int g_seen_count = 0;

void remember(int ctx, int node, int entry) {
  if (g_seen_count < kSeenMax)
    g_seen[g_seen_count++] = Seen{ctx, node, entry, Trie[node].firstSymbol};
}

struct Interval {
  std::int32_t low = 0;
  std::int32_t high = 0;
  std::int32_t total = 0;
};

// The table of node at walk level `level`: its total and the interval of symbol (the escape's
// when symbol has no non-excluded entry).
Interval node_table(int node, int symbol, std::uint32_t base, std::uint32_t level) {
  const TrieNode& owner = Trie[node];
  const std::int32_t escape = owner.escapeCount;
  Interval r{0, escape, escape};
  const MirrorNode& m = g_mirror[node];
  const MirrorSlot* slots = g_pool + m.offset;
  for (int i = static_cast<int>(m.size) - 1; i >= 0; --i) {
    const int s = key_symbol(slots[i].key);
    if (!excluded(g_mark[s], base, level)) {
      const std::int32_t k = effective_count(slots[i].count, escape, s, owner);
      if (s == symbol) {
        r.low = r.total;
        r.high = wrapping_add(r.total, k);
      }
      r.total = wrapping_add(r.total, k);
    }
  }
  return r;
}

// Halves node's counts until its table fits under max_total_count (or a halving changes nothing).
// False when the escape count has become 0: then nothing is coded.
[[gnu::noinline]] bool halve_until_fits(int node, int symbol, Interval& r, std::uint32_t base,
                                        std::uint32_t level) {
  while (r.total > max_total_count && scale_counts_changed(node)) {
    if (Trie[node].escapeCount == 0) return false;
    r = node_table(node, symbol, base, level);
  }
  return true;
}

// arith_encode, with the call of the coder skipped outright when no observer is installed.
inline void hand_to_coder(const Interval& r) {
  if (r.total > max_total_count) dumpRoot(shared_stream());
  if (g_observer != nullptr && !(r.low == 0 && r.high == r.total))
    arithmetic_encode(r.low, r.high, r.total);
}

// encode_counts from its halving on, for a node whose escape count was not 0 and whose table is r.
inline void code_in_node(int node, int symbol, Interval r, int skipCoding, std::uint32_t base,
                         std::uint32_t level) {
  if (r.total > max_total_count && !halve_until_fits(node, symbol, r, base, level)) return;
  if (r.high <= r.low || r.total < r.high) dumpTrie(shared_stream(), node, 0);
  if (skipCoding == 0) hand_to_coder(r);
  if (r.total > max_total_count) dumpTrie(shared_stream(), node, 0);
}

// The order -1 table at walk level `level`: each symbol that no earlier level excluded counts 1.
Interval order_minus_one(int symbol, std::uint32_t base, std::uint32_t level) {
  Interval r;
  int below = 0;
  for (int s = 0; s <= 256; ++s) {
    if (excluded(g_mark[s], base, level)) continue;
    ++r.total;
    if (s < symbol) ++below;
  }
  if (symbol != kEscape && !excluded(g_mark[symbol], base, level)) {
    r.low = below;
    r.high = below + 1;
  }
  return r;
}

// Stamps the list's symbols that are not excluded yet with this level.
void mark_list(int node, std::uint32_t base, std::uint32_t level) {
  const MirrorNode& m = g_mirror[node];
  const MirrorSlot* slots = g_pool + m.offset;
  for (std::uint32_t i = 0; i < m.size; ++i) {
    std::uint32_t& mark = g_mark[key_symbol(slots[i].key)];
    if (!excluded(mark, base, level)) mark = level;
  }
}

}  // namespace

void reset_fused_state() {
  std::memset(g_mark, 0, sizeof g_mark);
  g_base = 0;
  g_seen_count = 0;
}

void encode_symbol_fused(int symbol, int skipCoding) {
  start_context();
  int ctx = predict_context();
  const std::uint32_t base = begin_walk();
  std::uint32_t level = base;
  g_seen_count = 0;
  while (ctx > 0) {
    ++level;
    const int node = Context[ctx].trieNode;
    TrieNode& owner = Trie[node];
    const std::int32_t escape = owner.escapeCount;
    // One pass: the symbol's entry and raw count, the table, and this level's stamps.
    Interval r{0, escape, escape};
    int found = -1;
    std::int32_t found_count = 0;
    const MirrorNode& m = g_mirror[node];
    const MirrorSlot* slots = g_pool + m.offset;
    for (int i = static_cast<int>(m.size) - 1; i >= 0; --i) {
      const int s = key_symbol(slots[i].key);
      const std::int32_t k = slots[i].count;
      const bool is_symbol = s == symbol;
      if (is_symbol) {
        found = i;
        found_count = k;
      }
      // An excluded symbol keeps its older stamp: it stays excluded at every later level.
      if (!excluded(g_mark[s], base, level)) {
        g_mark[s] = level;
        const std::int32_t eff = effective_count(k, escape, s, owner);
        if (is_symbol) {
          r.low = r.total;
          r.high = wrapping_add(r.total, eff);
        }
        r.total = wrapping_add(r.total, eff);
      }
    }
    remember(ctx, node, found < 0 ? 0 : key_entry(slots[found].key));
    if (found_count != 0) {
      if (escape != 0) code_in_node(node, symbol, r, skipCoding, base, level);
      end_walk(level);
      update_fused(symbol, g_seen, g_seen_count);
      return;
    }
    if (escape != 0)
      code_in_node(node, kEscape, Interval{0, escape, r.total}, skipCoding, base, level);
    owner.escapeCount = wrapping_add(owner.escapeCount, tescape_incr);
    ctx = Context[ctx].next;
  }
  const Interval r = order_minus_one(symbol, base, level + 1);
  if (r.high <= r.low || r.total < r.high) dumpTrie(shared_stream(), 0, 0);
  if (skipCoding == 0) hand_to_coder(r);
  if (r.total > max_total_count) dumpTrie(shared_stream(), 0, 0);
  end_walk(level);
  update_fused(symbol, g_seen, g_seen_count);
}

int decode_symbol_fused() {
  start_context();
  int ctx = predict_context();
  const std::uint32_t base = begin_walk();
  std::uint32_t level = base;
  g_seen_count = 0;
  int symbol = kEscape;
  for (;;) {
    ++level;
    const int node = Context[ctx].trieNode;
    if (node == 0) {
      // Order -1: the walk of decode_counts over the symbols no longer context excluded.
      const std::int32_t total = order_minus_one(kEscape, base, level).total;
      const std::int32_t target = arith_decode_target(total);
      std::int32_t sum = 0;
      for (symbol = 0;; ++symbol) {
        if (!excluded(g_mark[symbol], base, level)) ++sum;
        if (sum > target || symbol == 256) break;
      }
      arith_decode(sum - 1, sum, total);
      break;
    }
    TrieNode& owner = Trie[node];
    if (owner.escapeCount != 0) {
      std::int32_t total = node_table(node, kEscape, base, level).total;
      bool escape_at_once = false;
      while (total > max_total_count && scale_counts_changed(node)) {
        if (owner.escapeCount == 0) {
          escape_at_once = true;
          break;
        }
        total = node_table(node, kEscape, base, level).total;
      }
      if (!escape_at_once) {
        const std::int32_t target = arith_decode_target(total);
        const std::int32_t escape = owner.escapeCount;
        int walked = -1;
        symbol = kEscape;
        std::int32_t high = escape;
        std::int32_t last = escape;
        const MirrorNode& m = g_mirror[node];
        const MirrorSlot* slots = g_pool + m.offset;
        for (int i = static_cast<int>(m.size) - 1; i >= 0 && high <= target; --i) {
          walked = i;
          symbol = key_symbol(slots[i].key);
          if (!excluded(g_mark[symbol], base, level)) {
            last = effective_count(slots[i].count, escape, symbol, owner);
            high = wrapping_add(high, last);
          }
        }
        arith_decode(wrapping_sub(high, last), high, total);
        if (symbol != kEscape) {
          remember(ctx, node, key_entry(slots[walked].key));
          break;
        }
      }
    }
    owner.escapeCount = wrapping_add(owner.escapeCount, tescape_incr);
    mark_list(node, base, level);
    ctx = Context[ctx].next;
  }
  end_walk(level);
  store_decoded(symbol);
  update_fused(symbol, g_seen, g_seen_count);
  return symbol;
}

}  // namespace kernels::context_model::internal
