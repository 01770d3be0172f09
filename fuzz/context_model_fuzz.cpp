// Encodes a fuzzed byte stream after a fuzzed prefix of ones, checking the model's structure and
// the lists' mirror against the tables as it goes, then encodes it again with the plain walks and
// checks that the coder calls and the final state are the same. Unless some symbols skip coding,
// it then decodes the stream from a fresh model, with the coder's state set before each call so
// that the target is the low end of the interval the encoder handed over, and checks that the
// decoder gives back the bytes, makes the same calls and ends in the same state.
//
// Input: byte 0 picks max_order (-1 to 8); byte 1 holds flags (bit 0: skip coding for every
// third symbol, bit 1: Symbols nearly full, bit 2: Trie nearly full, bit 3: a max_total_count of
// 40, so that short inputs halve, bit 4: no end-of-input symbol, bit 5: a mirror pool of byte 4
// times 4 slots, so that it runs out); byte 2 the number of ones (0 to 63); byte 3 is unused; the
// rest is the text, of which the first 64 bytes are used. An input asks for little work, so that
// the target runs fast; the long runs (full lists, large tables) are in the unit tests.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace {

namespace cm = kernels::context_model;

[[noreturn]] void fail(const char* what, long a = 0, long b = 0) {
  std::fprintf(stderr, "context_model_fuzz: %s (%ld, %ld)\n", what, a, b);
  std::abort();
}

void check(bool ok, const char* what, long a = 0, long b = 0) {
  if (!ok) fail(what, a, b);
}

// The structure after a symbol. `gapped`: the counters were moved, so only what the root reaches
// is checked, not that it is everything below the counters.
void check_structure(bool gapped) {
  check(cm::symbolsFree >= 1 && cm::symbolsFree <= cm::kSymbolEntries, "symbolsFree",
        cm::symbolsFree);
  check(cm::trieFree >= 2 && cm::trieFree <= cm::kTrieNodes, "trieFree", cm::trieFree);
  check(cm::Context[0].trieNode == 0, "entry 0 was written");

  // The active list and the released chain: disjoint, within the entries handed out, and with
  // every other entry handed out lost by a drop behind the head, counted in contextLength.
  static std::vector<std::uint8_t> seen;
  seen.assign(static_cast<std::size_t>(cm::contextFree) + 1, 0);
  long length = 0;
  int last = 0;
  for (int c = cm::contextHead; c != 0; c = cm::Context[c].next) {
    check(c >= 1 && c <= cm::contextFree, "list entry out of range", c, cm::contextFree);
    check(seen[c] == 0, "list entry twice", c);
    seen[c] = 1;
    const int node = cm::Context[c].trieNode;
    check(node >= 1 && node < cm::trieFree, "context node out of range", node, cm::trieFree);
    ++length;
    last = c;
  }
  check(cm::contextTail == last, "tail is not the list's last entry", cm::contextTail, last);
  long chain = 0;
  for (int c = cm::contextUsed; c != 0; c = cm::Context[c].next) {
    check(c >= 1 && c <= cm::contextFree, "chain entry out of range", c, cm::contextFree);
    check(seen[c] == 0, "chain entry in the list or twice", c);
    seen[c] = 2;
    ++chain;
  }
  const long lost = cm::contextFree - length - chain;
  check(cm::contextLength == length + lost, "contextLength", cm::contextLength, length + lost);
  check(length <= cm::max_order + 2, "list too long", length);

  // The trie from the root: entries and children within the counters, each symbol once per
  // list, pending children naming positions already coded.
  static std::vector<int> stack;
  static std::vector<std::uint8_t> symbols_seen;
  stack.assign(1, 1);
  long nodes = 0;
  while (!stack.empty()) {
    const int node = stack.back();
    stack.pop_back();
    ++nodes;
    symbols_seen.assign(257, 0);
    for (int e = cm::Trie[node].firstSymbol; e != 0; e = cm::Symbols[e].next) {
      check(e >= 1 && e < cm::symbolsFree, "entry out of range", e, cm::symbolsFree);
      const cm::SymbolEntry& s = cm::Symbols[e];
      check(s.symbol >= 0 && s.symbol <= 256, "symbol out of range", s.symbol);
      check(symbols_seen[s.symbol] == 0, "symbol twice in a list", node, s.symbol);
      symbols_seen[s.symbol] = 1;
      check(s.child < cm::trieFree, "child out of range", s.child, cm::trieFree);
      check(s.child != 0, "entry without a successor", e);
      check(s.child > 0 || -s.child <= cm::inputPos, "pending child ahead", s.child, cm::inputPos);
      if (s.child > 0) stack.push_back(s.child);
    }
  }
  if (!gapped) check(nodes == cm::trieFree - 1, "unreachable nodes", nodes, cm::trieFree);
  const bool trie_gap = cm::trieFree >= cm::kTrieNodes - 20;  // the counter was moved
  check(trie_gap ? cm::internal::mirror_matches(2, cm::kTrieNodes - 20)
                 : cm::internal::mirror_matches(),
        "the mirror differs from the lists");
}

// Whether to check the structure after symbol i (0-based): after each of the first 32, then after
// every 8th; the run's last symbol is always checked. A fault in the mirror stays until the end.
bool check_after(int i) {
  return i < 32 || i % 8 == 0;
}

struct Trace {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  std::uint64_t calls = 0;
  void add(int v) {
    for (int i = 0; i < 4; ++i)
      hash = (hash ^ ((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xff)) * 0x100000001b3ull;
  }
};

// The state, leaving out the nodes and entries that a moved counter skipped.
std::uint64_t state_hash(std::uint8_t flags) {
  Trace t;
  for (int n = 1; n < cm::trieFree; ++n) {
    if (n == 2 && (flags & 4)) n = cm::kTrieNodes - 20;
    const cm::TrieNode& x = cm::Trie[n];
    for (int v : {x.firstSymbol, x.count, x.escapeCount, x.lastSymbol}) t.add(v);
  }
  for (int e = 1; e < cm::symbolsFree; ++e) {
    if (e == 1 && (flags & 2)) e = cm::kSymbolEntries - 40;
    const cm::SymbolEntry& x = cm::Symbols[e];
    for (int v : {x.child, x.next, x.symbol}) t.add(v);
  }
  for (int v : {cm::contextLength, cm::contextHead, cm::contextTail, cm::contextUsed,
                cm::contextFree, cm::inputPos, cm::shortage.symbols, cm::shortage.trie})
    t.add(v);
  return t.hash;
}

struct Run {
  std::uint64_t calls_hash;
  std::uint64_t calls;
  std::uint64_t state;
};

struct Interval {
  int low, high, total;
};

// The intervals the fused encoder handed to the coder, for the decoder to be aimed at. Room for
// any input is kept from the first one on, so that no input allocates.
std::vector<Interval> g_intervals;

// Sets the coder's state so that the decoder's target is the low end of interval `next`.
void aim(std::size_t next) {
  if (next >= g_intervals.size()) return;
  const Interval& i = g_intervals[next];
  cm::S_low = 0;
  cm::S_high = static_cast<std::uint32_t>(i.total) - 1;
  cm::S_value = static_cast<std::uint32_t>(i.low);
}

void start_model(std::uint8_t flags, bool plain) {
  cm::init_symbols();
  cm::internal::use_plain_walks(plain);
  if (flags & 2) cm::symbolsFree = cm::kSymbolEntries - 40;
  if (flags & 4) cm::trieFree = cm::kTrieNodes - 20;
}

Run encode(const std::uint8_t* text, std::size_t size, int ones, std::uint8_t flags, bool plain,
           bool check_each) {
  start_model(flags, plain);
  const bool gapped = (flags & 6) != 0;
  const int length = ones + static_cast<int>(size);
  if (length > 0) {
    cm::loadInput(kernels::shell::stream_handle(), 0, length);
    std::memcpy(cm::Input + ones, text, size);
  } else {
    cm::inputLen = 0;
  }
  Trace trace;
  cm::Observer observer;
  observer.context = &trace;
  observer.arithmetic_encode = [](void* c, int low, int high, int total) {
    auto& t = *static_cast<Trace*>(c);
    ++t.calls;
    t.add(low);
    t.add(high);
    t.add(total);
    g_intervals.push_back({low, high, total});
  };
  observer.printFree = [](void* c, int*) { static_cast<Trace*>(c)->add(-7); };
  cm::set_observer(&observer);
  g_intervals.clear();
  g_intervals.reserve(1 << 14);
  cm::startInput();
  int i = 0;
  for (int c = cm::getInput(); c != -1; c = cm::getInput(), ++i) {
    cm::encode_symbol(c, (flags & 1) != 0 && i % 3 == 0);
    if (check_each && check_after(i)) check_structure(gapped);
  }
  if ((flags & 16) == 0) cm::encode_symbol(cm::eof_symbol(), 0);
  if (check_each) check_structure(gapped);
  cm::set_observer(nullptr);
  if (!gapped) {
    check(cm::shortage.symbols == -1 && cm::shortage.trie == -1, "shortage without a full table");
  }
  return Run{trace.hash, trace.calls, state_hash(flags)};
}

struct Playback {
  Trace trace;
  std::size_t next = 0;
};

// Decodes `symbols` symbols from a fresh model, aimed at the encoder's intervals, and checks that
// they are the encoded bytes (the end-of-input symbol stored as 0).
Run decode(const std::uint8_t* text, std::size_t size, int ones, std::uint8_t flags) {
  start_model(flags, false);
  const int length = ones + static_cast<int>(size);
  const int symbols = length + ((flags & 16) == 0 ? 1 : 0);
  Playback playback;
  cm::Observer observer;
  observer.context = &playback;
  observer.arithmetic_decode = [](void* c, int low, int high, int total) {
    auto& p = *static_cast<Playback*>(c);
    ++p.trace.calls;
    p.trace.add(low);
    p.trace.add(high);
    p.trace.add(total);
    aim(++p.next);
  };
  observer.printFree = [](void* c, int*) { static_cast<Playback*>(c)->trace.add(-7); };
  cm::set_observer(&observer);
  aim(0);
  cm::startInput();
  for (int i = 0; i < symbols; ++i) {
    const int expected = i < ones ? 1 : i < length ? text[i - ones] : cm::eof_symbol();
    const int got = cm::decode_symbol();
    check(got == expected, "decoded another symbol", i, got);
  }
  cm::set_observer(nullptr);
  cm::S_low = cm::S_high = cm::S_value = 0;
  return Run{playback.trace.hash, playback.trace.calls, state_hash(flags)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const int max_order = data[0] % 10 - 1;
  const std::uint8_t flags = data[1];
  const int ones = data[2] & 63;
  const std::uint32_t pool =
      (flags & 32) != 0 && size > 4 ? 4u * data[4] : cm::internal::kMirrorSlots;
  data += 4;
  size -= 4;
  if (size > 64) size = 64;
  cm::max_order = max_order;
  cm::max_total_count = (flags & 8) ? 40 : 16383;
  cm::internal::set_mirror_limit(pool);
  const Run fused = encode(data, size, ones, flags, false, true);
  const Run plain = encode(data, size, ones, flags, true, false);
  check(fused.calls == plain.calls, "coder calls differ from the plain walks",
        static_cast<long>(fused.calls), static_cast<long>(plain.calls));
  check(fused.calls_hash == plain.calls_hash, "coder intervals differ from the plain walks");
  check(fused.state == plain.state, "state differs from the plain walks");
  if ((flags & 1) == 0) {
    const Run decoded = decode(data, size, ones, flags);
    check(decoded.calls == fused.calls, "the decoder's calls differ from the encoder's",
          static_cast<long>(decoded.calls), static_cast<long>(fused.calls));
    check(decoded.calls_hash == fused.calls_hash, "the decoder's intervals differ");
    check(decoded.state == fused.state, "the decoder's model differs from the encoder's");
  }
  cm::internal::set_mirror_limit(cm::internal::kMirrorSlots);
  cm::internal::use_plain_walks(false);
  cm::max_order = 5;
  cm::max_total_count = 16383;
  return 0;
}
