#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/cipher_tests/internal.h"
#include "kernels/cipher_tests/test_support.h"
#include "kernels/shell/shell.h"

namespace kernels::cipher_tests {
namespace {

using namespace testing;
using internal::Frame;

int* stream() {
  return shell::stream_handle();
}

// A frame whose every byte is a recognisable pattern, so that writes show.
Frame patterned_frame(unsigned seed) {
  Frame f;
  std::mt19937 rng(seed);
  auto* bytes = reinterpret_cast<unsigned char*>(&f);
  for (std::size_t i = 0; i < sizeof f; ++i) bytes[i] = static_cast<unsigned char>(rng() | 1);
  return f;
}

// Byte-wise comparison of two frames except the two records (the recorder scribbles on them).
void expect_same_buffers(const Frame& got, const Frame& want, const char* what) {
  EXPECT_EQ(std::memcmp(got.keyText, want.keyText, sizeof got.keyText), 0) << what;
  EXPECT_EQ(std::memcmp(got.block, want.block, sizeof got.block), 0) << what;
  EXPECT_EQ(std::memcmp(got.secondBlock, want.secondBlock, sizeof got.secondBlock), 0) << what;
  EXPECT_EQ(std::memcmp(got.keyBytes, want.keyBytes, sizeof got.keyBytes), 0) << what;
  EXPECT_EQ(std::memcmp(got.ivBlock, want.ivBlock, sizeof got.ivBlock), 0) << what;
  EXPECT_EQ(std::memcmp(got.ivText, want.ivText, sizeof got.ivText), 0) << what;
  EXPECT_EQ(std::memcmp(got.roundLabel, want.roundLabel, sizeof got.roundLabel), 0) << what;
}

struct Counts {
  std::uint64_t makeKey, cipherInit, encrypt, decrypt, rounds, print;
};

void expect_counts(const Recorder& r, Counts c, const std::string& what) {
  EXPECT_EQ(r.count(Op::MakeKey), c.makeKey) << what;
  EXPECT_EQ(r.count(Op::CipherInit), c.cipherInit) << what;
  EXPECT_EQ(r.count(Op::Encrypt), c.encrypt) << what;
  EXPECT_EQ(r.count(Op::Decrypt), c.decrypt) << what;
  EXPECT_EQ(r.count(Op::Rounds), c.rounds) << what;
  EXPECT_EQ(r.count(Op::Print), c.print) << what;
}

std::string pair(int a, int b) {
  return std::to_string(a) + "/" + std::to_string(b);
}

// ---------------------------------------------------------------------------------------------
// Variable key
// ---------------------------------------------------------------------------------------------

TEST(VariableKey, CallCountsMatchTheTable) {
  for (int k : {128, 192, 256, 1, 7, 0, -8}) {
    Recorder r;
    internal::rijndaelVKKAT(stream(), k, 128);
    const std::uint64_t n = k > 0 ? static_cast<std::uint64_t>(k) : 0;
    expect_counts(r, {2 * n, n, n, n, 0, 1 + n}, "key " + std::to_string(k));
  }
}

TEST(VariableKey, CallSequenceFollowsTheSteps) {
  for (auto [k, b] : {std::pair{128, 128}, {192, 128}, {256, 256}, {5, 64}}) {
    Frame f{};
    Expected e;
    expect_variable_key(e, k, b);
    Recorder r(&f);
    r.expect(e);
    internal::rijndaelVKKAT(stream(), k, b, f);
    EXPECT_EQ(r.mismatch(), "") << pair(k, b);
  }
}

TEST(VariableKey, KeyTextWalksOneDigitThroughEachPosition) {
  const int keyBits = 192;
  Frame f = patterned_frame(1);
  const Frame before = f;
  std::vector<std::string> seen;  // key text at each makeKey for encryption
  Recorder r(&f);
  r.on_call = [&](const Call& c) {
    if (c.op == Op::MakeKey && c.x == 0) seen.emplace_back(f.keyText, sizeof f.keyText);
  };
  internal::rijndaelVKKAT(stream(), keyBits, 128, f);

  ASSERT_EQ(seen.size(), 192u);
  // The worked rows: row 4 writes '8' at position 1, row 5 '4'; position 0 is '0' by then.
  EXPECT_EQ(seen[4].substr(0, 2), "08");
  EXPECT_EQ(seen[5].substr(0, 2), "04");
  EXPECT_EQ(seen[7].substr(0, 2), "01");
  EXPECT_EQ(seen[8].substr(0, 3), "008");
  // Every row: '0' before position i / 4, the digit at it, the caller's bytes after it.
  const char digits[] = {'8', '4', '2', '1'};
  for (int i = 0; i < keyBits; ++i) {
    std::string want(before.keyText, sizeof before.keyText);
    for (int p = 0; p < i / 4; ++p) want[p] = '0';
    want[i / 4] = digits[i % 4];
    ASSERT_EQ(seen[i], want) << "row " << i;
  }
  // Afterwards the walked positions hold '0'; nothing else in the frame changed.
  Frame want = before;
  std::memset(want.keyText, '0', keyBits / 4);
  expect_same_buffers(f, want, "after the call");
}

TEST(VariableKey, KeysLongerThanTheKeyTextStopWritingAtItsEnd) {
  const int keyBits = 1290;  // 322 positions; the key text has 320
  Frame f = patterned_frame(2);
  const Frame before = f;
  Recorder r(&f);
  internal::rijndaelVKKAT(stream(), keyBits, 128, f);
  expect_counts(r, {2580, 1290, 1290, 1290, 0, 1291}, "1290-bit key");
  Frame want = before;
  std::memset(want.keyText, '0', sizeof want.keyText);
  expect_same_buffers(f, want, "after the call");
}

// ---------------------------------------------------------------------------------------------
// Variable text
// ---------------------------------------------------------------------------------------------

TEST(VariableText, CallCountsMatchTheTable) {
  for (auto [k, b] : {std::pair{128, 128}, {192, 128}, {256, 256}, {128, 9}, {128, 0}, {128, -3}}) {
    Recorder r;
    internal::rijndaelVTKAT(stream(), k, b);
    const std::uint64_t n = b > 0 ? static_cast<std::uint64_t>(b) : 0;
    expect_counts(r, {1, n, n, 0, 0, 2 * n}, pair(k, b));
  }
}

TEST(VariableText, CallSequenceFollowsTheSteps) {
  for (auto [k, b] : {std::pair{128, 128}, {256, 128}, {192, 256}, {128, 0}}) {
    Frame f{};
    Expected e;
    expect_variable_text(e, k, b);
    Recorder r(&f);
    r.expect(e);
    internal::rijndaelVTKAT(stream(), k, b, f);
    EXPECT_EQ(r.mismatch(), "") << pair(k, b);
  }
}

TEST(VariableText, EachRowSetsOneMoreBitFromTheTop) {
  for (int blockBits : {128, 256}) {
    for (bool zeroed : {true, false}) {
      Frame f = zeroed ? Frame{} : patterned_frame(3);
      const Frame before = f;
      std::vector<std::vector<unsigned char>> rows;  // the block at each "PT" print
      Recorder r(&f);
      r.on_call = [&](const Call& c) {
        if (c.op == Op::Print && c.label == Label::PT) rows.emplace_back(f.block, f.block + 32);
      };
      internal::rijndaelVTKAT(stream(), 128, blockBits, f);
      ASSERT_EQ(rows.size(), static_cast<std::size_t>(blockBits));
      if (zeroed) {
        // The worked row: after row 8, byte 0 is full and byte 1 has its top bit.
        EXPECT_EQ(rows[8][0], 0xFF);
        EXPECT_EQ(rows[8][1], 0x80);
        EXPECT_EQ(rows[8][2], 0x00);
      }
      std::vector<unsigned char> want(before.block, before.block + 32);
      for (int i = 0; i < blockBits; ++i) {
        want[i / 8] |= static_cast<unsigned char>(0x80 >> (i % 8));
        ASSERT_EQ(rows[i], want) << "row " << i << (zeroed ? " zeroed" : " patterned");
      }
      Frame after = before;
      std::memcpy(after.block, want.data(), 32);
      expect_same_buffers(f, after, "after the call");
    }
  }
}

TEST(VariableText, BlocksLongerThanTheBufferStopSettingBitsAtItsEnd) {
  Frame f{};
  Recorder r(&f);
  internal::rijndaelVTKAT(stream(), 128, 300, f);
  expect_counts(r, {1, 300, 300, 0, 0, 600}, "300-bit block");
  Frame want{};
  std::memset(want.block, 0xFF, sizeof want.block);
  expect_same_buffers(f, want, "after the call");
}

// ---------------------------------------------------------------------------------------------
// Table
// ---------------------------------------------------------------------------------------------

TEST(Table, CallCountsMatchTheTable) {
  for (int k : {128, 192, 256, 100}) {
    Recorder r;
    internal::rijndaelTKAT(stream(), 128, k, stream());
    expect_counts(r, {128, 128, 64, 64, 0, 256}, "key " + std::to_string(k));
  }
}

TEST(Table, RowsPrintInputAndOutputUnderTheirLabels) {
  // Encryption rows print the block (input) as "PT" and the second block (output) as "CT";
  // decryption rows print the second block (output) as "PT", then the block (input) as "CT".
  for (auto [b, k] : {std::pair{128, 128}, {128, 192}, {128, 256}, {256, 128}}) {
    Frame f{};
    Expected e;
    expect_table(e, b, k);
    Recorder r(&f);
    r.expect(e);
    internal::rijndaelTKAT(stream(), b, k, nullptr, f);
    EXPECT_EQ(r.mismatch(), "") << pair(b, k);
  }
}

TEST(Table, EveryRowZeroesTheBlocksLeadingBytes) {
  Frame f = patterned_frame(4);
  const Frame before = f;
  int checked = 0;
  Recorder r(&f);
  r.on_call = [&](const Call& c) {
    // Between rows the observer puts a pattern back, so each row must zero again.
    if (c.op == Op::CipherInit) {
      for (int j = 0; j < 24; ++j) ASSERT_EQ(f.block[j], 0) << "byte " << j;
      ASSERT_EQ(std::memcmp(f.block + 24, before.block + 24, 8), 0);
      ++checked;
      std::memcpy(f.block, before.block, 24);
    }
  };
  internal::rijndaelTKAT(stream(), 192, 128, nullptr, f);
  EXPECT_EQ(checked, 128);
  expect_same_buffers(f, before, "after the call");  // key text and second block untouched
}

// ---------------------------------------------------------------------------------------------
// Intermediate values
// ---------------------------------------------------------------------------------------------

TEST(IntermediateValues, RoundCountFollowsTheLargerLength) {
  struct Case {
    int key, block, rounds;
  };
  for (Case c : {Case{128, 128, 10},
                 {192, 128, 12},
                 {256, 128, 14},
                 {128, 192, 12},
                 {128, 256, 14},
                 {100, 256, 14},
                 {256, -5, 14},
                 {128, 160, 0},
                 {160, 128, 0},
                 {100, 100, 0},
                 {0, 0, 0},
                 {-128, -128, 0},
                 {512, 128, 0}}) {
    Frame f{};
    Expected e;
    expect_intermediate(e, c.key, c.block, c.rounds);
    Recorder r(&f);
    r.expect(e);
    r.keep_calls();
    internal::rijndaelIVKAT(stream(), c.key, c.block, f);
    const std::string what = pair(c.key, c.block);
    EXPECT_EQ(r.mismatch(), "") << what;
    const std::uint64_t n = static_cast<std::uint64_t>(c.rounds);
    if (n == 0)
      EXPECT_EQ(r.total(), 0u) << what;
    else
      expect_counts(r, {2, 2, 0, 0, 2 * n, 2 * n + 2}, what);
  }

  // The worked case: key 192, block 128 runs rounds 1 to 12 forwards and 11 down to 0 back.
  Recorder r;
  r.keep_calls();
  internal::rijndaelIVKAT(stream(), 192, 128);
  std::vector<int> rounds;
  for (const Call& c : r.calls())
    if (c.op == Op::Rounds) rounds.push_back(c.y);
  EXPECT_EQ(rounds, (std::vector<int>{1,  2,  3, 4, 5, 6, 7, 8, 9, 10, 11, 12,  //
                                      11, 10, 9, 8, 7, 6, 5, 4, 3, 2,  1,  0}));
  EXPECT_EQ(r.count(Op::Print), 26u);
}

TEST(IntermediateValues, BlockHoldsItsByteIndicesAndTheLabelStaysUnwritten) {
  Frame f = patterned_frame(5);
  const Frame before = f;
  Recorder r(&f);
  std::vector<unsigned char> at_plaintext;
  r.on_call = [&](const Call& c) {
    if (c.op == Op::Print && at_plaintext.empty()) at_plaintext.assign(f.block, f.block + 32);
  };
  internal::rijndaelIVKAT(stream(), 256, 192, f);
  Frame want = before;
  for (int j = 0; j < 24; ++j) want.block[j] = static_cast<unsigned char>(j);
  ASSERT_EQ(at_plaintext.size(), 32u);
  EXPECT_EQ(std::memcmp(at_plaintext.data(), want.block, 32), 0);
  expect_same_buffers(f, want, "after the call");
}

// ---------------------------------------------------------------------------------------------
// makeKATs
// ---------------------------------------------------------------------------------------------

TEST(MakeKATs, RunsTheFourGroupsForThreeKeyLengthsInOrder) {
  Expected e(false);
  expect_known_answer_groups(e);
  Recorder r;
  r.expect(e);
  internal::makeKATs("vk", "vt", "tbl", "iv");
  EXPECT_EQ(r.mismatch(), "");
  // The tables added up: three runs of each generator, for keys of 128, 192 and 256 bits.
  expect_counts(r, {1545, 1350, 1152, 768, 72, 2193}, "makeKATs");
}

}  // namespace
}  // namespace kernels::cipher_tests
