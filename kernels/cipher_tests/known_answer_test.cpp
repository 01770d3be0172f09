#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/cipher_tests/internal.h"
#include "kernels/cipher_tests/test_support.h"
#include "kernels/shell/shell.h"

namespace kernels::cipher_tests {
namespace {

using namespace testing;

int* stream() {
  return shell::stream_handle();
}
std::uint64_t n(int bits) {
  return bits > 0 ? static_cast<std::uint64_t>(bits) : 0;
}

// Runs `generator` in a zeroed frame against the expected sequence; returns the counts.
template <class Generator>
Counts run_checked(const Expected& e, Generator generator, const std::string& what) {
  Frame f{};
  Recorder r(&f);
  r.expect(e);
  generator(f);
  EXPECT_EQ(r.mismatch(), "") << what;
  return r.counts();
}

TEST(VariableKey, FollowsItsStepsAndCallCounts) {
  for (const auto& lengths :
       {std::pair{128, 128}, {192, 128}, {256, 256}, {5, 64}, {0, 128}, {-8, 8}}) {
    const int k = lengths.first, b = lengths.second;
    Expected e;
    expect_variable_key(e, k, b);
    const Counts c = run_checked(
        e, [&](Frame& f) { internal::rijndaelVKKAT(stream(), k, b, f); },
        "VK " + std::to_string(k));
    EXPECT_EQ(c, (Counts{2 * n(k), n(k), n(k), n(k), 0, 1 + n(k)})) << k;
  }
}

TEST(VariableKey, KeyTextWalksOneDigitThroughEachPosition) {
  for (int keyBits : {192, 1290}) {  // 1290 bits name 323 positions: the text has 320
    Frame f = patterned_frame(1);
    const Frame before = f;
    std::vector<std::string> rows;  // the key text as each row makes its encryption key
    Recorder r(&f);
    r.on_call = [&](const Call& c) {
      if (c.op == Op::MakeKey && c.x == 0) rows.emplace_back(f.keyText, sizeof f.keyText);
    };
    internal::rijndaelVKKAT(stream(), keyBits, 128, f);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(keyBits));
    // Row 4 writes '8' at position 1, row 5 '4'; after row 7 it is '0' again.
    EXPECT_EQ(rows[4].substr(0, 2), "08");
    EXPECT_EQ(rows[5].substr(0, 2), "04");
    EXPECT_EQ(rows[8].substr(0, 3), "008");
    std::string want(before.keyText, sizeof before.keyText);
    for (int i = 0; i < keyBits; ++i) {
      const bool inside = i / 4 < 320;
      if (inside) want[i / 4] = "8421"[i % 4];
      ASSERT_EQ(rows[i], want) << "row " << i;
      if (inside) want[i / 4] = '0';
    }
    // Afterwards the walked positions hold '0'; nothing else in the frame changed.
    Frame after = before;
    std::memcpy(after.keyText, want.data(), sizeof after.keyText);
    EXPECT_TRUE(same_buffers(f, after)) << keyBits;
  }
}

TEST(VariableText, FollowsItsStepsAndCallCounts) {
  for (const auto& lengths :
       {std::pair{128, 128}, {256, 128}, {192, 256}, {128, 9}, {128, 0}, {8, -3}}) {
    const int k = lengths.first, b = lengths.second;
    Expected e;
    expect_variable_text(e, k, b);
    const Counts c = run_checked(
        e, [&](Frame& f) { internal::rijndaelVTKAT(stream(), k, b, f); },
        "VT " + std::to_string(b));
    EXPECT_EQ(c, (Counts{1, n(b), n(b), 0, 0, 2 * n(b)})) << b;
  }
}

TEST(VariableText, EachRowSetsOneMoreBitFromTheTop) {
  for (int blockBits : {128, 256, 300}) {  // 300 bits: the buffer holds the first 256
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
      if (zeroed) {  // after row 8, byte 0 is full and byte 1 has its top bit
        EXPECT_EQ(rows[8][0], 0xFF);
        EXPECT_EQ(rows[8][1], 0x80);
        EXPECT_EQ(rows[8][2], 0x00);
      }
      std::vector<unsigned char> want(before.block, before.block + 32);
      for (int i = 0; i < blockBits; ++i) {
        if (i < 256) want[i / 8] |= static_cast<unsigned char>(0x80 >> (i % 8));
        ASSERT_EQ(rows[i], want) << "row " << i << (zeroed ? " zeroed" : " patterned");
      }
      Frame after = before;
      std::memcpy(after.block, want.data(), 32);
      EXPECT_TRUE(same_buffers(f, after));
    }
  }
}

TEST(Table, FollowsItsStepsLabelsBufferRolesAndCallCounts) {
  // Encryption rows print the block (input) as "PT" and the second block (output) as "CT";
  // decryption rows print the second block (output) as "PT", then the block (input) as "CT".
  for (const auto& lengths : {std::pair{128, 128}, {128, 192}, {128, 256}, {256, 100}}) {
    const int b = lengths.first, k = lengths.second;
    Expected e;
    expect_table(e, b, k);
    const Counts c = run_checked(
        e, [&](Frame& f) { internal::rijndaelTKAT(stream(), b, k, stream(), f); },
        "table " + std::to_string(k));
    EXPECT_EQ(c, (Counts{128, 128, 64, 64, 0, 256}));
  }
}

TEST(Table, EveryRowZeroesTheBlocksLeadingBytes) {
  Frame f = patterned_frame(4);
  const Frame before = f;
  int rows = 0;
  Recorder r(&f);
  r.on_call = [&](const Call& c) {
    if (c.op != Op::CipherInit) return;
    // 192 bits: 24 zero bytes, the rest as they were. The pattern goes back for the next row.
    for (int j = 0; j < 24; ++j) ASSERT_EQ(f.block[j], 0) << "byte " << j;
    ASSERT_EQ(std::memcmp(f.block + 24, before.block + 24, 8), 0);
    std::memcpy(f.block, before.block, 24);
    ++rows;
  };
  internal::rijndaelTKAT(stream(), 192, 128, nullptr, f);
  EXPECT_EQ(rows, 128);
  EXPECT_TRUE(same_buffers(f, before));  // key text and second block never written
}

TEST(IntermediateValues, RoundCountFollowsTheLargerLength) {
  struct Case {
    int key, block, rounds;
  };
  for (Case c : {Case{128, 128, 10},
                 {192, 128, 12},
                 {256, 128, 14},
                 {128, 192, 12},
                 {128, 256, 14},
                 {256, -5, 14},
                 {128, 160, 0},
                 {160, 128, 0},
                 {100, 100, 0},
                 {-128, -128, 0},
                 {512, 128, 0}}) {
    Expected e;
    expect_intermediate(e, c.key, c.block, c.rounds);
    const auto r = static_cast<std::uint64_t>(c.rounds);
    const Counts counts = run_checked(
        e, [&](Frame& f) { internal::rijndaelIVKAT(stream(), c.key, c.block, f); },
        "IV " + std::to_string(c.key) + "/" + std::to_string(c.block));
    EXPECT_EQ(counts, r == 0 ? Counts{} : (Counts{2, 2, 0, 0, 2 * r, 2 * r + 2}));
  }
  // Key 192, block 128: rounds 1 to 12 forwards, 11 down to 0 backwards, 26 prints.
  std::vector<int> rounds;
  Recorder r;
  r.on_call = [&](const Call& c) {
    if (c.op == Op::Rounds) rounds.push_back(c.y);
  };
  internal::rijndaelIVKAT(stream(), 192, 128);
  EXPECT_EQ(rounds, (std::vector<int>{1,  2,  3, 4, 5, 6, 7, 8, 9, 10, 11, 12,  //
                                      11, 10, 9, 8, 7, 6, 5, 4, 3, 2,  1,  0}));
  EXPECT_EQ(r.count(Op::Print), 26u);
}

TEST(IntermediateValues, BlockHoldsItsByteIndicesAndNothingElseChanges) {
  Frame f = patterned_frame(5);
  Frame want = f;
  for (int j = 0; j < 24; ++j) want.block[j] = static_cast<unsigned char>(j);
  bool first = true;
  Recorder r(&f);
  r.on_call = [&](const Call& c) {
    if (c.op == Op::Print && first) {  // the "PT" print
      EXPECT_EQ(std::memcmp(f.block, want.block, 32), 0);
      first = false;
    }
  };
  internal::rijndaelIVKAT(stream(), 256, 192, f);
  EXPECT_TRUE(same_buffers(f, want));  // the round label included
}

TEST(MakeKATs, RunsTheFourGroupsForThreeKeyLengthsInOrder) {
  Expected e(false);
  expect_known_answer_groups(e);
  Recorder r;
  r.expect(e);
  internal::makeKATs("vk", "vt", "tbl", "iv");
  EXPECT_EQ(r.mismatch(), "");
  EXPECT_EQ(r.counts(), (Counts{1545, 1350, 1152, 768, 72, 2193}));  // the tables added up
}

}  // namespace
}  // namespace kernels::cipher_tests
