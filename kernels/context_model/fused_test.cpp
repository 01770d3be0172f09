// The fused walks against the plain ones, over many random inputs and parameter sets: the same
// calls in the same order and the same model, for encoding and for decoding.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/context_model/test_support.h"

namespace kernels::context_model {
namespace {

using testing::Recorder;
using testing::Snapshot;

struct Config {
  int max_order, max_total_count, tcount_init, tescape_init, tcount_incr, tescape_incr;
  float determ, recent;
  std::uint32_t s_low, s_high, s_value;
  int full_at;    // symbol index at which a table is made (nearly) full, -1 for never
  int full_kind;  // 0: Symbols, 1: Trie
};

Config random_config(std::mt19937& rng) {
  auto pick = [&rng](std::initializer_list<int> v) {
    return *(v.begin() + std::uniform_int_distribution<std::size_t>(0, v.size() - 1)(rng));
  };
  Config s{};
  s.max_order = pick({-1, 0, 1, 2, 3, 5, 5, 5, 8});
  s.max_total_count = pick({258, 300, 1000, 16383, 16383});
  s.tcount_init = pick({1, 1, 3});
  s.tescape_init = pick({1, 1, 2});
  s.tcount_incr = pick({1, 2, 2, 7});
  s.tescape_incr = pick({1, 1, 4});
  s.determ = pick({0, 0, 1}) ? 1.5f : 3.0f;
  s.recent = pick({0, 0, 1}) ? 0.7f : 0.1f;
  if (pick({0, 0, 1})) {
    s.s_low = rng();
    s.s_high = s.s_low + rng() % 100000;
    s.s_value = s.s_low + rng() % 100000;
  }
  s.full_at = pick({-1, -1, -1, 50, 400});
  s.full_kind = pick({0, 1});
  return s;
}

std::string random_input(std::mt19937& rng) {
  const int kind = static_cast<int>(rng() % 4);
  const int length = static_cast<int>(rng() % 3000);
  std::string r;
  if (kind == 0) {  // small alphabets
    const int alphabet = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < length; ++i) r += static_cast<char>('a' + rng() % alphabet);
  } else if (kind == 1) {  // all 256 byte values
    for (int i = 0; i < length; ++i) r += static_cast<char>(rng() & 0xff);
  } else if (kind == 2) {  // words
    static const char* words[] = {"the ", "cat ", "sat ", "on ", "mat ", "hat\n", "a ", "catalog "};
    while (static_cast<int>(r.size()) < length) r += words[rng() % 8];
  } else {  // long runs
    while (static_cast<int>(r.size()) < length)
      r.append(1 + rng() % 200, static_cast<char>(rng() % 3));
  }
  return r;
}

struct Outcome {
  std::vector<testing::Call> calls;
  Snapshot state;
  std::vector<int> decoded;
  bool mirror_matches;  // the lists' mirror agrees with the tables at the end
};

class FusedWalks : public testing::ModelTest {
 protected:
  static void apply(const Config& s) {
    max_order = s.max_order;
    max_total_count = s.max_total_count;
    tcount_init = s.tcount_init;
    tescape_init = s.tescape_init;
    tcount_incr = s.tcount_incr;
    tescape_incr = s.tescape_incr;
    determ_factor = s.determ;
    recent_factor = s.recent;
    S_low = s.s_low;
    S_high = s.s_high;
    S_value = s.s_value;
  }
  // Where the counters jumped (the snapshot skips the unused gap).
  static inline int trie_gap = kTrieNodes;
  static inline int symbols_gap = kSymbolEntries;

  static void maybe_fill(const Config& s, int i) {
    if (i != s.full_at) return;
    if (s.full_kind == 0) {
      symbols_gap = symbolsFree;
      symbolsFree = kSymbolEntries - 5;
    } else {
      trie_gap = trieFree;
      trieFree = kTrieNodes - 5;
    }
  }

  static Outcome encode(const Config& s, const std::string& text, unsigned skip_seed, bool plain) {
    init_symbols();
    trie_gap = kTrieNodes;
    symbols_gap = kSymbolEntries;
    apply(s);
    internal::use_plain_walks(plain);
    load(text);
    std::mt19937 skips(skip_seed);
    Outcome o;
    {
      Recorder rec;
      int i = 0;
      for (int c = getInput(); c != -1; c = getInput(), ++i) {
        maybe_fill(s, i);
        encode_symbol(c, skips() % 8 == 0 ? 1 : 0);
      }
      encode_symbol(eof_symbol(), 0);
      o.calls = rec.calls();
    }
    o.state = testing::snapshot(trie_gap, symbols_gap);
    o.mirror_matches = internal::mirror_matches(trie_gap, kTrieNodes - 5);
    return o;
  }

  static Outcome decode(const Config& s, int count, bool plain) {
    init_symbols();
    trie_gap = kTrieNodes;
    symbols_gap = kSymbolEntries;
    apply(s);
    internal::use_plain_walks(plain);
    startInput();
    Outcome o;
    {
      Recorder rec;
      for (int i = 0; i < count; ++i) {
        maybe_fill(s, i);
        o.decoded.push_back(decode_symbol());
      }
      o.calls = rec.calls();
    }
    o.state = testing::snapshot(trie_gap, symbols_gap);
    o.mirror_matches = internal::mirror_matches(trie_gap, kTrieNodes - 5);
    return o;
  }
};

TEST_F(FusedWalks, EncodeLikeThePlainWalks) {
  std::mt19937 rng(20240607);
  for (int round = 0; round < 300; ++round) {
    const Config s = random_config(rng);
    const std::string text = random_input(rng);
    const unsigned skip_seed = rng();
    const Outcome plain = encode(s, text, skip_seed, true);
    const Outcome fused = encode(s, text, skip_seed, false);
    for (std::size_t i = 0; i < std::min(fused.calls.size(), plain.calls.size()); ++i)
      ASSERT_EQ(fused.calls[i], plain.calls[i]) << "round " << round << ", call " << i;
    ASSERT_EQ(fused.calls, plain.calls) << "round " << round;
    ASSERT_EQ(fused.state, plain.state) << "round " << round;
    ASSERT_TRUE(fused.mirror_matches && plain.mirror_matches) << "round " << round;
  }
}

TEST_F(FusedWalks, DecodeLikeThePlainWalks) {
  std::mt19937 rng(7706);
  for (int round = 0; round < 200; ++round) {
    const Config s = random_config(rng);
    const int count = static_cast<int>(rng() % 2000);
    const Outcome plain = decode(s, count, true);
    const Outcome fused = decode(s, count, false);
    ASSERT_EQ(fused.decoded, plain.decoded) << "round " << round;
    ASSERT_EQ(fused.calls, plain.calls) << "round " << round;
    ASSERT_EQ(fused.state, plain.state) << "round " << round;
    ASSERT_TRUE(fused.mirror_matches && plain.mirror_matches) << "round " << round;
  }
}

}  // namespace
}  // namespace kernels::context_model
