#include <cctype>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/cipher_tests/cipher_tests.h"
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

Frame patterned_frame(unsigned seed) {
  Frame f;
  std::mt19937 rng(seed);
  auto* bytes = reinterpret_cast<unsigned char*>(&f);
  for (std::size_t i = 0; i < sizeof f; ++i) bytes[i] = static_cast<unsigned char>(rng() | 1);
  return f;
}

// The bytes a valid hexadecimal text spells, read pair by pair.
std::vector<unsigned char> hex_bytes(const std::string& text) {
  std::vector<unsigned char> out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    out.push_back(static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
  return out;
}

// Texts for the tests: different from each other and from the driver's, so that a generator
// reading the wrong one shows.
const std::string kKey128 = "e392483d77cd0aac37058196efd15a9e";
const std::string kKey192 = "390539f07b1cd1551dca25c4D406DDACAE26F09E3AB0C94D";
const std::string kKey256 = "cee1fd6063c9684e2c8bb99b357a003585e1d4f46b0c4a17ba47a4cf5c9324e0";
const std::string kBlockText = "08ea1d625566f98e2fc580c47983eeec";
const std::string kIvText = "cf8e6a50001e518f952a8b6ddf49e4cc";

const std::string& key_text(int keyBits) {
  return keyBits == 128 ? kKey128 : keyBits == 192 ? kKey192 : kKey256;
}

using Bytes = std::vector<unsigned char>;

// The key update after one pass, written out per key length: `target` is the buffer the cipher
// calls wrote into, `other` the second one the update reads.
void fold(Bytes& key, int keyBits, const unsigned char* target, const unsigned char* other) {
  if (keyBits == 128) {
    for (int j = 0; j < 16; ++j) key[j] ^= target[j];
  } else if (keyBits == 192) {
    for (int j = 0; j < 8; ++j) key[j] ^= other[8 + j];
    for (int j = 0; j < 16; ++j) key[8 + j] ^= target[j];
  } else if (keyBits == 256) {
    for (int j = 0; j < 16; ++j) key[j] ^= other[j];
    for (int j = 0; j < 16; ++j) key[16 + j] ^= target[j];
  }
}

Bytes key_bytes_of(const Frame& f) {
  return Bytes(f.keyBytes, f.keyBytes + 32);
}

TEST(MonteCarlo, StartingTextsAreHexadecimalOfTheirLengths) {
  for (auto [text, digits] : {std::pair{internal::kShortText, 32},
                              {internal::kMiddleText, 48},
                              {internal::kLongText, 64}}) {
    ASSERT_EQ(std::strlen(text), static_cast<std::size_t>(digits));
    for (int i = 0; i < digits; ++i)
      EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(text[i]))) << text;
  }
}

// ---------------------------------------------------------------------------------------------
// ECB
// ---------------------------------------------------------------------------------------------

TEST(EcbMonteCarlo, CallCountsMatchTheTable) {
  for (auto [k, d] : {std::pair{128, 0}, {256, 1}}) {
    Recorder r;
    internal::rijndaelECB_MCT(stream(), key_text(k).c_str(), k, kBlockText.c_str(), 128,
                              static_cast<unsigned char>(d));
    EXPECT_EQ(r.count(Op::MakeKey), 400u);
    EXPECT_EQ(r.count(Op::CipherInit), 400u);
    EXPECT_EQ(r.count(d == 0 ? Op::Encrypt : Op::Decrypt), 4000000u);
    EXPECT_EQ(r.count(d == 0 ? Op::Decrypt : Op::Encrypt), 0u);
    EXPECT_EQ(r.count(Op::Rounds), 0u);
    EXPECT_EQ(r.count(Op::Print), 800u);
  }
}

TEST(EcbMonteCarlo, CallSequenceFollowsTheSteps) {
  // Direction 2 runs decryption and reaches makeKey as 2.
  for (auto [k, d] : {std::pair{128, 0}, {192, 1}, {256, 2}}) {
    Frame f{};
    Expected e;
    expect_ecb(e, k, 128, d);
    Recorder r(&f);
    r.expect(e);
    internal::rijndaelECB_MCT(stream(), key_text(k).c_str(), k, kBlockText.c_str(), 128,
                              static_cast<unsigned char>(d), f);
    EXPECT_EQ(r.mismatch(), "") << k << " " << d;
  }
}

TEST(EcbMonteCarlo, KeyBytesFoldTheBlockAndTheSecondBlockAfterEveryPass) {
  const Bytes block = hex_bytes(kBlockText);
  for (int keyBits : {128, 192, 256}) {
    for (int direction : {0, 1}) {
      Frame f = patterned_frame(static_cast<unsigned>(keyBits + direction));
      const Frame before = f;
      std::vector<Bytes> at_pass;  // key bytes as each pass makes its key
      Recorder r(&f);
      r.on_call = [&](const Call& c) {
        if (c.op == Op::MakeKey) at_pass.push_back(key_bytes_of(f));
      };
      internal::rijndaelECB_MCT(stream(), key_text(keyBits).c_str(), keyBits, kBlockText.c_str(),
                                128, static_cast<unsigned char>(direction), f);

      // The model: the decoded key over the caller's bytes, folded after every pass.
      Bytes key(before.keyBytes, before.keyBytes + 32);
      const Bytes start = hex_bytes(key_text(keyBits));
      std::copy(start.begin(), start.end(), key.begin());
      Frame want = before;
      std::copy(block.begin(), block.end(), want.block);
      ASSERT_EQ(at_pass.size(), 400u);
      for (int pass = 0; pass < 400; ++pass) {
        ASSERT_EQ(at_pass[pass], key) << keyBits << " " << direction << " pass " << pass;
        fold(key, keyBits, want.block, want.secondBlock);
      }
      EXPECT_EQ(key_bytes_of(f), key);

      // Nothing else changed but the decoded block and the key text's terminator.
      std::copy(key.begin(), key.end(), want.keyBytes);
      want.keyText[keyBits / 4] = '\0';
      EXPECT_EQ(std::memcmp(&f.keyText, &want.keyText, sizeof f - offsetof(Frame, keyText)), 0);
    }
  }
}

TEST(EcbMonteCarlo, A128BitKeyComesBackAfterEveryEvenPass) {
  Frame f{};
  std::vector<Bytes> at_pass;
  Recorder r(&f);
  r.on_call = [&](const Call& c) {
    if (c.op == Op::MakeKey) at_pass.push_back(key_bytes_of(f));
  };
  internal::rijndaelECB_MCT(stream(), kKey128.c_str(), 128, kBlockText.c_str(), 128, 0, f);
  Bytes start = hex_bytes(kKey128);
  start.resize(32);
  Bytes odd = start;
  const Bytes block = hex_bytes(kBlockText);
  for (int j = 0; j < 16; ++j) odd[j] ^= block[j];
  for (int pass = 0; pass < 400; ++pass) ASSERT_EQ(at_pass[pass], pass % 2 ? odd : start);
  EXPECT_EQ(key_bytes_of(f), start);  // 400 passes: the starting key again
}

// ---------------------------------------------------------------------------------------------
// CBC
// ---------------------------------------------------------------------------------------------

TEST(CbcMonteCarlo, CallCountsMatchTheTable) {
  for (auto [k, d] : {std::pair{192, 0}, {128, 1}}) {
    Recorder r;
    internal::rijndaelCBC_MCT(stream(), key_text(k).c_str(), k, kIvText.c_str(), kBlockText.c_str(),
                              128, static_cast<unsigned char>(d));
    EXPECT_EQ(r.count(Op::MakeKey), 400u);
    EXPECT_EQ(r.count(Op::CipherInit), 4000000u);
    EXPECT_EQ(r.count(d == 0 ? Op::Encrypt : Op::Decrypt), 4000000u);
    EXPECT_EQ(r.count(d == 0 ? Op::Decrypt : Op::Encrypt), 0u);
    EXPECT_EQ(r.count(Op::Rounds), 0u);
    EXPECT_EQ(r.count(Op::Print), 1200u);
  }
}

TEST(CbcMonteCarlo, CallSequenceFollowsTheSteps) {
  for (auto [k, d] : {std::pair{128, 2}, {192, 0}, {256, 1}}) {
    Frame f{};
    Expected e;
    expect_cbc(e, k, 128, d);
    Recorder r(&f);
    r.expect(e);
    internal::rijndaelCBC_MCT(stream(), key_text(k).c_str(), k, kIvText.c_str(), kBlockText.c_str(),
                              128, static_cast<unsigned char>(d), f);
    EXPECT_EQ(r.mismatch(), "") << k << " " << d;
  }
}

TEST(CbcMonteCarlo, KeyBytesFoldTheSecondBlockAndTheBlockOrIvAfterEveryPass) {
  const Bytes block = hex_bytes(kBlockText);
  const Bytes iv = hex_bytes(kIvText);
  for (int keyBits : {128, 192, 256}) {
    for (int direction : {0, 1, 2}) {
      Frame f = patterned_frame(static_cast<unsigned>(100 + keyBits + direction));
      const Frame before = f;
      std::vector<Bytes> at_pass;
      Recorder r(&f);
      r.on_call = [&](const Call& c) {
        if (c.op == Op::MakeKey) at_pass.push_back(key_bytes_of(f));
      };
      internal::rijndaelCBC_MCT(stream(), key_text(keyBits).c_str(), keyBits, kIvText.c_str(),
                                kBlockText.c_str(), 128, static_cast<unsigned char>(direction), f);

      Bytes key(before.keyBytes, before.keyBytes + 32);
      const Bytes start = hex_bytes(key_text(keyBits));
      std::copy(start.begin(), start.end(), key.begin());
      Frame want = before;
      std::copy(block.begin(), block.end(), want.block);
      std::copy(iv.begin(), iv.end(), want.ivBlock);
      const unsigned char* other = direction == 0 ? want.block : want.ivBlock;
      ASSERT_EQ(at_pass.size(), 400u);
      for (int pass = 0; pass < 400; ++pass) {
        ASSERT_EQ(at_pass[pass], key) << keyBits << " " << direction << " pass " << pass;
        fold(key, keyBits, want.secondBlock, other);
      }
      EXPECT_EQ(key_bytes_of(f), key);

      std::copy(key.begin(), key.end(), want.keyBytes);
      want.keyText[keyBits / 4] = '\0';
      EXPECT_EQ(std::memcmp(&f.keyText, &want.keyText, sizeof f - offsetof(Frame, keyText)), 0);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Lengths the buffers cannot hold
// ---------------------------------------------------------------------------------------------

TEST(MonteCarlo, LengthsBeyondTheBuffersStayInsideThem) {
  const std::string text64 = kKey256;  // 256 bits: as much as any buffer decodes
  const Bytes decoded = hex_bytes(text64);
  struct Case {
    int keyBits, blockBits;
  };
  for (Case c : {Case{2000, 128}, {512, 300}, {-4, 128}}) {
    Frame f = patterned_frame(7);
    const Frame before = f;
    Recorder r(&f);
    internal::rijndaelCBC_MCT(stream(), text64.c_str(), c.keyBits, text64.c_str(), text64.c_str(),
                              c.blockBits, 1, f);
    EXPECT_EQ(r.count(Op::MakeKey), 400u);
    EXPECT_EQ(r.count(Op::CipherInit), 4000000u);
    EXPECT_EQ(r.count(Op::Decrypt), 4000000u);

    Frame want = before;
    const std::size_t block_bytes = c.blockBits >= 256 ? 32 : 16;
    std::copy_n(decoded.begin(), block_bytes, want.block);
    std::copy_n(decoded.begin(), block_bytes, want.ivBlock);
    if (c.keyBits > 0) std::copy_n(decoded.begin(), 32, want.keyBytes);  // never folded
    if (c.keyBits / 4 >= 0 && c.keyBits / 4 < 320) want.keyText[c.keyBits / 4] = '\0';
    EXPECT_EQ(std::memcmp(&f.keyText, &want.keyText, sizeof f - offsetof(Frame, keyText)), 0)
        << c.keyBits << "/" << c.blockBits;
  }
}

// ---------------------------------------------------------------------------------------------
// The driver
// ---------------------------------------------------------------------------------------------

TEST(MainRijndael, RunsTheEightGroupsInOrderAndReturnsZero) {
  Expected e(false);
  expect_known_answer_groups(e);
  expect_monte_carlo_groups(e);
  Recorder r;
  r.expect(e);
  EXPECT_EQ(main_rijndael(), 0);
  EXPECT_EQ(r.mismatch(), "");
  // The tables of the generators added up over the driver's 24 generator calls.
  EXPECT_EQ(r.count(Op::MakeKey), 6345u);
  EXPECT_EQ(r.count(Op::CipherInit), 24003750u);
  EXPECT_EQ(r.count(Op::Encrypt), 24001152u);
  EXPECT_EQ(r.count(Op::Decrypt), 24000768u);
  EXPECT_EQ(r.count(Op::Rounds), 72u);
  EXPECT_EQ(r.count(Op::Print), 14193u);
  EXPECT_EQ(r.total(), 72026280u);
}

}  // namespace
}  // namespace kernels::cipher_tests
