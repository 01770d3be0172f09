// The mirror of the symbol lists: it follows the tables through long lists, halvings and full
// tables, and when its pool runs out the model goes on with the plain walks, unchanged.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/context_model/test_support.h"

namespace kernels::context_model {
namespace {

using testing::Recorder;

struct Outcome {
  std::vector<testing::Call> calls;  // every notification
  std::vector<testing::Call> coder;  // the intervals handed to the coder
  testing::Snapshot state;
};

class Mirror : public testing::ModelTest {
 protected:
  void TearDown() override {
    internal::set_mirror_limit(internal::kMirrorSlots);
    ModelTest::TearDown();
  }

  static Outcome encode(const std::string& text, bool plain) {
    init_symbols();
    internal::use_plain_walks(plain);
    load(text);
    Recorder rec;
    encode_all(true);
    return Outcome{rec.calls(), rec.only("encode"), testing::snapshot()};
  }

  // Decodes text (and the end-of-input symbol) from a fresh model, the coder's state set before
  // each call so that the target is the low end of the interval that encoding handed over.
  static Outcome decode(const std::string& text, const std::vector<testing::Call>& encoded) {
    struct Playback {
      const std::vector<testing::Call>* encoded;
      std::size_t next;
      std::vector<testing::Call> calls;
      void aim() {
        if (next >= encoded->size()) return;
        const std::vector<int>& a = (*encoded)[next].args;
        S_low = 0;
        S_high = static_cast<std::uint32_t>(a[2]) - 1;
        S_value = static_cast<std::uint32_t>(a[0]);
      }
    } playback{&encoded, 0, {}};
    Observer observer;
    observer.context = &playback;
    observer.arithmetic_decode = [](void* c, int low, int high, int total) {
      auto& p = *static_cast<Playback*>(c);
      p.calls.push_back(testing::enc(low, high, total));
      ++p.next;
      p.aim();
    };
    init_symbols();
    startInput();
    playback.aim();
    set_observer(&observer);
    for (std::size_t i = 0; i <= text.size(); ++i) {
      const int expected = i < text.size() ? static_cast<unsigned char>(text[i]) : eof_symbol();
      const int got = decode_symbol();
      if (got != expected) {
        ADD_FAILURE() << "symbol " << i << " decoded as " << got << ", encoded " << expected;
        break;
      }
    }
    set_observer(nullptr);
    S_low = S_high = S_value = 0;
    return Outcome{{}, playback.calls, testing::snapshot()};
  }
};

std::string random_bytes(int length, unsigned seed) {
  std::mt19937 rng(seed);
  std::string r(static_cast<std::size_t>(length), '\0');
  for (char& c : r) c = static_cast<char>(rng() & 0xff);
  return r;
}

TEST_F(Mirror, FollowsTheTablesOnInputThatDoesNotCompress) {
  // 48 KB of random bytes: the root's and the order-1 lists grow through every block size up to
  // all 257 symbols; the deeper contexts escape and gain nodes from pending children.
  const std::string text = random_bytes(48 * 1024, 77);
  const Outcome fused = encode(text, false);
  EXPECT_TRUE(internal::mirror_matches());
  EXPECT_EQ(internal::g_mirror[1].size, 257);
  const Outcome plain = encode(text, true);
  EXPECT_TRUE(internal::mirror_matches());
  EXPECT_EQ(fused.calls.size(), plain.calls.size());
  EXPECT_TRUE(fused.calls == plain.calls);
  EXPECT_TRUE(fused.state == plain.state);

  // The decoder walks the same blocks and gives the bytes back.
  const Outcome decoded = decode(text, fused.coder);
  EXPECT_TRUE(internal::mirror_matches());
  EXPECT_TRUE(decoded.coder == fused.coder);
  EXPECT_TRUE(decoded.state.trie == fused.state.trie);
  EXPECT_TRUE(decoded.state.symbols == fused.state.symbols);
}

TEST_F(Mirror, HalvingAndSmallTotalsKeepItInStep) {
  // A low ceiling halves the counts of long lists again and again: each halving must reach the
  // blocks (the children's counts) and the parent's slot (the node's own count).
  max_total_count = 258;
  tcount_incr = 7;
  std::string text = random_bytes(6000, 5);
  for (int i = 0; i < 6000; ++i) text += static_cast<char>('a' + i % 3);
  const Outcome fused = encode(text, false);
  EXPECT_TRUE(internal::mirror_matches());
  const Outcome plain = encode(text, true);
  EXPECT_TRUE(fused.calls == plain.calls);
  EXPECT_TRUE(fused.state == plain.state);
}

TEST_F(Mirror, ARunOutPoolHandsTheWalksToThePlainOnes) {
  std::string text;
  std::mt19937 rng(3);
  static const char* words[] = {"the ", "cat ", "sat ", "on ", "mat ", "hat\n", "a ", "catalog "};
  while (text.size() < 4000) text += words[rng() % 8];
  text += random_bytes(3000, 9);
  const Outcome plain = encode(text, true);
  const std::uint32_t needed = internal::mirror_slots_used();
  ASSERT_GT(needed, 1000u);

  // Pools that run out at the start, in the middle of the words, in the random bytes and at the
  // last block.
  for (std::uint32_t limit : {0u, 300u, needed / 2, needed - 1}) {
    internal::set_mirror_limit(limit);
    const Outcome fused = encode(text, false);
    EXPECT_FALSE(internal::g_mirror_ok) << limit;
    EXPECT_LE(internal::mirror_slots_used(), limit);
    EXPECT_TRUE(fused.calls == plain.calls) << limit;
    EXPECT_TRUE(fused.state == plain.state) << limit;
    const Outcome decoded = decode(text, plain.coder);
    EXPECT_FALSE(internal::g_mirror_ok) << limit;
    EXPECT_TRUE(decoded.coder == plain.coder) << limit;
    EXPECT_TRUE(decoded.state.trie == plain.state.trie) << limit;
    EXPECT_TRUE(decoded.state.symbols == plain.state.symbols) << limit;
  }

  // Emptying the tables takes the mirror up again, with the whole pool.
  internal::set_mirror_limit(internal::kMirrorSlots);
  init_symbols();
  EXPECT_TRUE(internal::g_mirror_ok);
  EXPECT_EQ(internal::mirror_slots_used(), 0u);
  const Outcome fused = encode(text, false);
  EXPECT_TRUE(internal::g_mirror_ok);
  EXPECT_TRUE(internal::mirror_matches());
  EXPECT_TRUE(fused.state == plain.state);
  EXPECT_EQ(internal::mirror_slots_used(), needed);
}

}  // namespace
}  // namespace kernels::context_model
