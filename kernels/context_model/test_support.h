// What the model's tests share: a fixture that gives each test a fresh model with the initial
// parameters, an observer that records every fixed-form call, and a snapshot of the whole state.
#ifndef KERNELS_CONTEXT_MODEL_TEST_SUPPORT_H_
#define KERNELS_CONTEXT_MODEL_TEST_SUPPORT_H_

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"

namespace kernels::context_model::testing {

// One observed call: its name and its integer arguments (a stream handle is not recorded).
struct Call {
  std::string name;
  std::vector<int> args;
  bool operator==(const Call&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Call& c) {
  os << c.name << "(";
  for (std::size_t i = 0; i < c.args.size(); ++i) os << (i ? "," : "") << c.args[i];
  return os << ")";
}

inline Call enc(int low, int high, int total) {
  return {"encode", {low, high, total}};
}
inline Call dec(int low, int high, int total) {
  return {"decode", {low, high, total}};
}

// Records every notification, in order, while installed.
class Recorder {
 public:
  Recorder() {
    observer_.context = this;
    observer_.arithmetic_encode = [](void* c, int l, int h, int t) {
      self(c).add("encode", {l, h, t});
    };
    observer_.arithmetic_decode = [](void* c, int l, int h, int t) {
      self(c).add("decode", {l, h, t});
    };
    observer_.dumpSymbol = [](void* c, int*, int s) { self(c).add("dumpSymbol", {s}); };
    observer_.dumpString = [](void* c, int*, const char* text, int start, int length) {
      self(c).add("dumpString", {text == dumpTrieStr ? 1 : 0, start, length});
    };
    observer_.dumpTrie = [](void* c, int*, int n, int d) { self(c).add("dumpTrie", {n, d}); };
    observer_.dumpRoot = [](void* c, int*) { self(c).add("dumpRoot", {}); };
    observer_.dumpList = [](void* c, int*, int ctx) { self(c).add("dumpList", {ctx}); };
    observer_.printFree = [](void* c, int*) { self(c).add("printFree", {}); };
    set_observer(&observer_);
  }
  ~Recorder() { set_observer(nullptr); }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  const std::vector<Call>& calls() const { return calls_; }
  // Only the calls with this name.
  std::vector<Call> only(std::string_view name) const {
    std::vector<Call> r;
    for (const Call& c : calls_)
      if (c.name == name) r.push_back(c);
    return r;
  }
  void clear() { calls_.clear(); }

 private:
  static Recorder& self(void* c) { return *static_cast<Recorder*>(c); }
  void add(const char* name, std::vector<int> args) { calls_.push_back({name, std::move(args)}); }
  Observer observer_;
  std::vector<Call> calls_;
};

// Everything the model keeps, as plain values.
struct Snapshot {
  std::vector<std::tuple<int, int, int, int>> trie;  // nodes 1 .. trieFree - 1
  std::vector<std::tuple<int, int, int>> symbols;    // entries 1 .. symbolsFree - 1
  std::vector<std::pair<int, int>> context;          // entries 0 .. contextFree
  std::vector<int> scalars;
  bool operator==(const Snapshot&) const = default;
};

// Nodes and entries from `*_gap` up to the last 16 of their table are left out: a test that makes
// a table look full by moving its counter leaves them unused.
inline Snapshot snapshot(int trie_gap = kTrieNodes, int symbols_gap = kSymbolEntries) {
  Snapshot s;
  for (int n = 1; n < trieFree; ++n) {
    if (n == trie_gap) n = std::max(n, kTrieNodes - 16);
    s.trie.emplace_back(Trie[n].firstSymbol, Trie[n].count, Trie[n].escapeCount,
                        Trie[n].lastSymbol);
  }
  for (int e = 1; e < symbolsFree; ++e) {
    if (e == symbols_gap) e = std::max(e, kSymbolEntries - 16);
    s.symbols.emplace_back(Symbols[e].child, Symbols[e].next, Symbols[e].symbol);
  }
  for (int c = 0; c <= contextFree && c < kContextEntries; ++c)
    s.context.emplace_back(Context[c].trieNode, Context[c].next);
  s.scalars = {contextLength,    contextUsed,   contextFree,     contextHead, contextTail,
               inputPos,         inputLen,      symbolsFree,     trieFree,    shortage.context,
               shortage.symbols, shortage.trie, shortage.history};
  return s;
}

// A fresh model with the initial parameters, no observer, the fused walks, inputPos at 0.
class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_model(); }
  void TearDown() override { reset_model(); }

  static void reset_model() {
    set_observer(nullptr);
    internal::use_plain_walks(false);
    max_total_count = 16383;
    max_order = 5;
    preload_limit = -1;
    tcount_init = 1;
    tescape_init = 1;
    tcount_incr = 2;
    tescape_incr = 1;
    determ_factor = 3.0f;
    recent_factor = 0.1f;
    debugLevel = 0;
    S_low = S_high = S_value = 0;
    init_symbols();
    inputLen = 0;
    startInput();
  }

  // Loads text into Input the way a caller does: loadInput for its length, then its bytes.
  static void load(std::string_view text) {
    loadInput(internal::shared_stream(), 0, static_cast<int>(text.size()));
    std::memcpy(Input, text.data(), text.size());
    startInput();
  }

  // Encodes what getInput yields, then the end-of-input symbol when `eof`.
  static void encode_all(bool eof) {
    for (int c = getInput(); c != -1; c = getInput()) encode_symbol(c, 0);
    if (eof) encode_symbol(eof_symbol(), 0);
  }
};

}  // namespace kernels::context_model::testing

#endif  // KERNELS_CONTEXT_MODEL_TEST_SUPPORT_H_
