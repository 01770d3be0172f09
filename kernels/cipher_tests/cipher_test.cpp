#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/cipher_tests/cipher_tests.h"
#include "kernels/cipher_tests/internal.h"
#include "kernels/cipher_tests/test_support.h"

namespace kernels::cipher_tests {
namespace {

using namespace testing;
using Bytes = std::vector<unsigned char>;

// Decodes `text` for `bits` and returns the first `n` bytes written, checking that no byte after
// them was. The text sits in storage of exactly its length, so the address sanitizer catches a
// read past it.
Bytes decode(const std::string& text, int bits, std::size_t n) {
  const Bytes exact(text.begin(), text.end());
  Bytes out(40, 0xEE);
  internal::HexToBin(out.data(), exact.data(), bits);
  for (std::size_t i = n; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << text << " byte " << i;
  return {out.begin(), out.begin() + static_cast<long>(n)};
}

TEST(HexToBin, DecodesDigitPairsHighDigitFirstInEitherCase) {
  EXPECT_EQ(decode("aB", 8, 1), Bytes{0xAB});
  EXPECT_EQ(decode("Ab", 8, 1), Bytes{0xAB});
  std::mt19937 rng(5);
  const std::string digits = "0123456789abcdefABCDEF";
  for (int trial = 0; trial < 500; ++trial) {
    const std::size_t n = 1 + rng() % 32;
    std::string text;
    Bytes want;
    for (std::size_t i = 0; i < 2 * n; ++i) text += digits[rng() % digits.size()];
    for (std::size_t i = 0; i < n; ++i)
      want.push_back(static_cast<unsigned char>(std::stoul(text.substr(2 * i, 2), nullptr, 16)));
    ASSERT_EQ(decode(text, static_cast<int>(8 * n), n), want) << text;
  }
}

TEST(HexToBin, NonDigitsKeepTheAccumulator) {
  EXPECT_EQ(decode("7x", 8, 1), Bytes{0x70});             // low: the high nibble stays
  EXPECT_EQ(decode("12x5", 16, 2), (Bytes{0x12, 0x17}));  // high: the previous byte stays
  EXPECT_EQ(decode("12xx", 16, 2), (Bytes{0x12, 0x12}));
  EXPECT_EQ(decode("x5", 8, 1), Bytes{0x05});  // ... which is 0 at first
  EXPECT_EQ(decode(std::string("3\0\0c", 4), 16, 2), (Bytes{0x30, 0x3C}));  // no terminator
}

TEST(HexToBin, WritesOneByteForEveryStartedEightBits) {
  // 0 or fewer bits read and write nothing: the null pointers are never touched.
  internal::HexToBin(nullptr, nullptr, 0);
  internal::HexToBin(nullptr, nullptr, -1);
  internal::HexToBin(nullptr, nullptr, -2147483647 - 1);
  EXPECT_EQ(decode("5c", 4, 1), Bytes{0x5C});
  EXPECT_EQ(decode("5c3d", 12, 2), (Bytes{0x5C, 0x3D}));
  EXPECT_EQ(decode(std::string(64, 'f'), 256, 32), Bytes(32, 0xFF));
}

TEST(CipherOperations, ReturnZeroTouchNothingAndReportTheirArguments) {
  Frame f = patterned_frame(9);
  const Frame before = f;
  unsigned char* block = f.block;
  unsigned char* second = f.secondBlock;
  for (bool observed : {false, true}) {
    Recorder r(observed ? &f : nullptr);
    if (!observed) set_observer(nullptr);
    Call last;
    r.on_call = [&](const Call& c) { last = c; };
    const auto saw = [&](const Call& want) {
      if (observed) {
        EXPECT_EQ(last, want);
      }
    };
    const int key_bits = f.key.blockBits, cipher_bits = f.cipher.blockBits;
    EXPECT_EQ(makeKey(&f.key, 2, 192, f.keyText), 0);
    saw(Expected::make_key(2, 192, key_bits));
    EXPECT_EQ(cipherInit(&f.cipher, 7, f.ivText), 0);
    saw(Expected::init(7, Buf::IvText, cipher_bits));
    EXPECT_EQ(blockEncrypt(&f.cipher, &f.key, block, 128, second), 0);
    saw(Expected::encrypt(Buf::Block, 128, Buf::Second));
    EXPECT_EQ(blockDecrypt(&f.cipher, &f.key, second, -5, block), 0);
    saw(Expected::decrypt(Buf::Second, -5, Buf::Block));
    EXPECT_EQ(cipherUpdateRounds(&f.cipher, &f.key, block, 256, block, 9), 0);
    saw(Expected::rounds(Buf::Block, 256, Buf::Block, 9));
    EXPECT_EQ(r.counts(), observed ? (Counts{1, 1, 1, 1, 1, 0}) : Counts{});
    EXPECT_TRUE(same_buffers(f, before));
    if (!observed) {  // unobserved, not even the records change
      EXPECT_EQ(f.key.blockBits, before.key.blockBits);
      EXPECT_EQ(f.cipher.blockBits, before.cipher.blockBits);
    }
  }
  // Null pointers and nonsense values are accepted too.
  EXPECT_EQ(makeKey(nullptr, 9, -1, nullptr), 0);
  EXPECT_EQ(cipherInit(nullptr, 0, nullptr), 0);
  EXPECT_EQ(blockEncrypt(nullptr, nullptr, nullptr, 1 << 30, nullptr), 0);
  EXPECT_EQ(blockDecrypt(nullptr, nullptr, nullptr, -5, nullptr), 0);
  EXPECT_EQ(cipherUpdateRounds(nullptr, nullptr, nullptr, 0, nullptr, -1), 0);
}

TEST(BlockPrint, ReadsNothingAndReportsItsArguments) {
  internal::blockPrint(nullptr, nullptr, 128, nullptr);  // nothing is read
  Frame f{};
  Recorder r(&f);
  Call last;
  r.on_call = [&](const Call& c) { last = c; };
  internal::blockPrint(shell::stream_handle(), f.secondBlock, 7, "IV");
  EXPECT_EQ(last, Expected::print(Buf::Second, 7, Label::IV));
  internal::blockPrint(nullptr, nullptr, 128, f.roundLabel);
  EXPECT_EQ(last,
            (Call{Op::Print, 128, 0, Buf::Null, Buf::Null, Buf::Null, Buf::Null, 0, Label::Round}));
}

TEST(Observer, NullMembersAreSkipped) {
  int prints = 0;
  Observer o;
  o.context = &prints;
  o.blockPrint = [](void* c, int*, const unsigned char*, int, const char*) {
    ++*static_cast<int*>(c);
  };
  set_observer(&o);
  EXPECT_EQ(makeKey(nullptr, 0, 128, nullptr), 0);
  EXPECT_EQ(cipherInit(nullptr, 1, nullptr), 0);
  EXPECT_EQ(blockEncrypt(nullptr, nullptr, nullptr, 128, nullptr), 0);
  EXPECT_EQ(blockDecrypt(nullptr, nullptr, nullptr, 128, nullptr), 0);
  EXPECT_EQ(cipherUpdateRounds(nullptr, nullptr, nullptr, 128, nullptr, 3), 0);
  internal::blockPrint(nullptr, nullptr, 128, "CT");
  set_observer(nullptr);
  EXPECT_EQ(prints, 1);
}

}  // namespace
}  // namespace kernels::cipher_tests
