#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/cipher_tests/cipher_tests.h"
#include "kernels/cipher_tests/internal.h"

namespace kernels::cipher_tests {
namespace {

using internal::HexToBin;

// Decodes `text` for `bits` into a 40-byte buffer preset to 0xEE and returns the whole buffer.
// The text is copied into storage of exactly its length, so that reading past it is caught by
// the address sanitizer.
std::vector<unsigned char> decode(const std::string& text, int bits) {
  std::vector<unsigned char> exact(text.begin(), text.end());
  std::vector<unsigned char> out(40, 0xEE);
  HexToBin(out.data(), exact.data(), bits);
  return out;
}

// The first `n` bytes that decode() returns, checking that the rest kept their 0xEE.
std::vector<unsigned char> decoded_bytes(const std::string& text, int bits, std::size_t n) {
  std::vector<unsigned char> out = decode(text, bits);
  for (std::size_t i = n; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << "byte " << i;
  return {out.begin(), out.begin() + static_cast<long>(n)};
}

using Bytes = std::vector<unsigned char>;

TEST(HexToBin, DecodesDigitPairsHighDigitFirstInEitherCase) {
  EXPECT_EQ(decoded_bytes("aB", 8, 1), Bytes{0xAB});
  EXPECT_EQ(decoded_bytes("Ab", 8, 1), Bytes{0xAB});
  EXPECT_EQ(decoded_bytes("09fF", 16, 2), (Bytes{0x09, 0xFF}));

  // Any valid text decodes as the ordinary reading of its pairs.
  std::mt19937 rng(5);
  const std::string digits = "0123456789abcdefABCDEF";
  for (int trial = 0; trial < 500; ++trial) {
    const std::size_t n = 1 + rng() % 32;
    std::string text;
    for (std::size_t i = 0; i < 2 * n; ++i) text += digits[rng() % digits.size()];
    Bytes want;
    for (std::size_t i = 0; i < n; ++i)
      want.push_back(static_cast<unsigned char>(std::stoul(text.substr(2 * i, 2), nullptr, 16)));
    ASSERT_EQ(decoded_bytes(text, static_cast<int>(8 * n), n), want) << text;
  }
}

TEST(HexToBin, NonDigitsKeepTheAccumulator) {
  // A non-digit low character leaves the high nibble alone.
  EXPECT_EQ(decoded_bytes("7x", 8, 1), Bytes{0x70});
  // A non-digit high character keeps the previous output byte in the accumulator.
  EXPECT_EQ(decoded_bytes("12x5", 16, 2), (Bytes{0x12, 0x17}));
  EXPECT_EQ(decoded_bytes("12xx", 16, 2), (Bytes{0x12, 0x12}));
  // ... which is 0 before the first byte.
  EXPECT_EQ(decoded_bytes("x5", 8, 1), Bytes{0x05});
  EXPECT_EQ(decoded_bytes("g!", 8, 1), Bytes{0x00});
  // A terminator inside the counted length is just another non-digit.
  EXPECT_EQ(decoded_bytes(std::string("3\0\0c", 4), 16, 2), (Bytes{0x30, 0x3C}));
}

TEST(HexToBin, WritesOneByteForEveryStartedEightBits) {
  // Nothing is read or written for 0 or fewer bits: null pointers are never touched.
  HexToBin(nullptr, nullptr, 0);
  HexToBin(nullptr, nullptr, -1);
  HexToBin(nullptr, nullptr, -2147483647 - 1);
  // 4 bits read two characters and write one byte; 12 bits read four and write two.
  EXPECT_EQ(decoded_bytes("5c", 4, 1), Bytes{0x5C});
  EXPECT_EQ(decoded_bytes("5c3d", 12, 2), (Bytes{0x5C, 0x3D}));
  EXPECT_EQ(decoded_bytes("00112233", 25, 4), (Bytes{0x00, 0x11, 0x22, 0x33}));
  EXPECT_EQ(decoded_bytes(std::string(64, 'f'), 256, 32), Bytes(32, 0xFF));
}

// Records the arguments of the last call of each operation.
struct Seen {
  int calls = 0;
  keyInstance* key = nullptr;
  cipherInstance* cipher = nullptr;
  unsigned char small = 0;  // direction or mode
  int bits = 0;
  int rounds = 0;
  char* text = nullptr;
  unsigned char* source = nullptr;
  unsigned char* target = nullptr;
  int* stream = nullptr;
  const unsigned char* block = nullptr;
  const char* label = nullptr;
};

Observer recording_observer(Seen& s) {
  Observer o;
  o.context = &s;
  o.makeKey = [](void* c, keyInstance* k, unsigned char d, int bits, char* text) {
    auto& s = *static_cast<Seen*>(c);
    ++s.calls, s.key = k, s.small = d, s.bits = bits, s.text = text;
  };
  o.cipherInit = [](void* c, cipherInstance* ci, unsigned char mode, char* iv) {
    auto& s = *static_cast<Seen*>(c);
    ++s.calls, s.cipher = ci, s.small = mode, s.text = iv;
  };
  o.blockEncrypt = [](void* c, cipherInstance* ci, keyInstance* k, unsigned char* src, int bits,
                      unsigned char* t) {
    auto& s = *static_cast<Seen*>(c);
    ++s.calls, s.cipher = ci, s.key = k, s.source = src, s.bits = bits, s.target = t;
  };
  o.blockDecrypt = [](void* c, cipherInstance* ci, keyInstance* k, unsigned char* src, int bits,
                      unsigned char* t) {
    auto& s = *static_cast<Seen*>(c);
    ++s.calls, s.cipher = ci, s.key = k, s.source = src, s.bits = -bits, s.target = t;
  };
  o.cipherUpdateRounds = [](void* c, cipherInstance* ci, keyInstance* k, unsigned char* src,
                            int bits, unsigned char* t, int rounds) {
    auto& s = *static_cast<Seen*>(c);
    ++s.calls, s.cipher = ci, s.key = k, s.source = src, s.bits = bits, s.target = t;
    s.rounds = rounds;
  };
  o.blockPrint = [](void* c, int* stream, const unsigned char* block, int bits, const char* label) {
    auto& s = *static_cast<Seen*>(c);
    ++s.calls, s.stream = stream, s.block = block, s.bits = bits, s.label = label;
  };
  return o;
}

TEST(CipherOperations, ReturnZeroTouchNothingAndReportTheirArguments) {
  std::mt19937 rng(9);
  for (int trial = 0; trial < 200; ++trial) {
    keyInstance key{static_cast<int>(rng())};
    cipherInstance cipher{static_cast<int>(rng())};
    unsigned char a[32], b[32];
    char text[65];
    for (auto& x : a) x = static_cast<unsigned char>(rng());
    for (auto& x : b) x = static_cast<unsigned char>(rng());
    for (auto& x : text) x = static_cast<char>(rng());
    unsigned char a0[32], b0[32];
    char text0[65];
    std::memcpy(a0, a, 32), std::memcpy(b0, b, 32), std::memcpy(text0, text, 65);
    const keyInstance key0 = key;
    const cipherInstance cipher0 = cipher;
    const int bits = static_cast<int>(rng());
    const auto small = static_cast<unsigned char>(rng());

    const auto unchanged = [&] {
      ASSERT_EQ(std::memcmp(a, a0, 32), 0);
      ASSERT_EQ(std::memcmp(b, b0, 32), 0);
      ASSERT_EQ(std::memcmp(text, text0, 65), 0);
      ASSERT_EQ(key.blockBits, key0.blockBits);
      ASSERT_EQ(cipher.blockBits, cipher0.blockBits);
    };

    // Unobserved.
    EXPECT_EQ(makeKey(&key, small, bits, text), 0);
    EXPECT_EQ(cipherInit(&cipher, small, text), 0);
    EXPECT_EQ(blockEncrypt(&cipher, &key, a, bits, b), 0);
    EXPECT_EQ(blockDecrypt(&cipher, &key, b, 7, a), 0);
    EXPECT_EQ(cipherUpdateRounds(&cipher, &key, a, bits, a, small), 0);
    unchanged();

    // Observed: the same results, no effect, and every argument reported as passed.
    Seen s;
    const Observer o = recording_observer(s);
    set_observer(&o);
    EXPECT_EQ(makeKey(&key, small, bits, text), 0);
    EXPECT_TRUE(s.key == &key && s.small == small && s.bits == bits && s.text == text);
    EXPECT_EQ(cipherInit(&cipher, small, text), 0);
    EXPECT_TRUE(s.cipher == &cipher && s.small == small && s.text == text);
    EXPECT_EQ(blockEncrypt(&cipher, &key, a, bits, b), 0);
    EXPECT_TRUE(s.cipher == &cipher && s.key == &key && s.source == a && s.bits == bits &&
                s.target == b);
    EXPECT_EQ(blockDecrypt(&cipher, &key, b, 7, a), 0);
    EXPECT_TRUE(s.source == b && s.bits == -7 && s.target == a);
    EXPECT_EQ(cipherUpdateRounds(&cipher, &key, a, bits, a, small), 0);
    EXPECT_TRUE(s.source == a && s.target == a && s.bits == bits && s.rounds == small);
    set_observer(nullptr);
    EXPECT_EQ(s.calls, 5);
    unchanged();
  }
  // Null pointers and nonsense values are accepted too.
  EXPECT_EQ(makeKey(nullptr, 9, -1, nullptr), 0);
  EXPECT_EQ(cipherInit(nullptr, 0, nullptr), 0);
  EXPECT_EQ(blockEncrypt(nullptr, nullptr, nullptr, 1 << 30, nullptr), 0);
  EXPECT_EQ(blockDecrypt(nullptr, nullptr, nullptr, -5, nullptr), 0);
  EXPECT_EQ(cipherUpdateRounds(nullptr, nullptr, nullptr, 0, nullptr, -1), 0);
}

TEST(BlockPrint, ReadsNothingAndReportsItsArguments) {
  // Null block, label and stream with a long length: nothing is read.
  internal::blockPrint(nullptr, nullptr, 128, nullptr);
  internal::blockPrint(nullptr, nullptr, 7, nullptr);

  Seen s;
  const Observer o = recording_observer(s);
  set_observer(&o);
  int stream = 0;
  const unsigned char block[16] = {};
  internal::blockPrint(&stream, block, 128, "PT");
  set_observer(nullptr);
  EXPECT_EQ(s.calls, 1);
  EXPECT_EQ(s.stream, &stream);
  EXPECT_EQ(s.block, block);
  EXPECT_EQ(s.bits, 128);
  EXPECT_STREQ(s.label, "PT");
}

TEST(Observer, NullMembersAreSkipped) {
  Seen s;
  Observer o;  // only blockPrint
  o.context = &s;
  o.blockPrint = recording_observer(s).blockPrint;
  set_observer(&o);
  unsigned char block[16] = {};
  EXPECT_EQ(makeKey(nullptr, 0, 128, nullptr), 0);
  EXPECT_EQ(cipherInit(nullptr, 1, nullptr), 0);
  EXPECT_EQ(blockEncrypt(nullptr, nullptr, block, 128, block), 0);
  EXPECT_EQ(blockDecrypt(nullptr, nullptr, block, 128, block), 0);
  EXPECT_EQ(cipherUpdateRounds(nullptr, nullptr, block, 128, block, 3), 0);
  internal::blockPrint(nullptr, block, 128, "CT");
  set_observer(nullptr);
  EXPECT_EQ(s.calls, 1);
  EXPECT_STREQ(s.label, "CT");
}

}  // namespace
}  // namespace kernels::cipher_tests
