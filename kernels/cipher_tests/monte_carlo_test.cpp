#include <cctype>
#include <cstring>
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
using Bytes = std::vector<unsigned char>;

int* stream() {
  return shell::stream_handle();
}

// The bytes a valid hexadecimal text spells, pair by pair.
Bytes hex_bytes(const std::string& text) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    out.push_back(static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
  return out;
}

// Texts of the tests' own, different from each other, so that reading the wrong one shows.
const std::string kKey128 = "e392483d77cd0aac37058196efd15a9e";
const std::string kKey192 = "390539f07b1cd1551dca25c4D406DDACAE26F09E3AB0C94D";
const std::string kKey256 = "cee1fd6063c9684e2c8bb99b357a003585e1d4f46b0c4a17ba47a4cf5c9324e0";
const std::string kBlockText = "08ea1d625566f98e2fc580c47983eeec";
const std::string kIvText = "cf8e6a50001e518f952a8b6ddf49e4cc";

const char* key_text(int keyBits) {
  return (keyBits == 128 ? kKey128 : keyBits == 192 ? kKey192 : kKey256).c_str();
}

// Runs the ECB (cbc false) or CBC generator in `f` with the texts above.
void run(bool cbc, int keyBits, int direction, Frame& f) {
  const auto d = static_cast<unsigned char>(direction);
  if (cbc)
    internal::rijndaelCBC_MCT(stream(), key_text(keyBits), keyBits, kIvText.c_str(),
                              kBlockText.c_str(), 128, d, f);
  else
    internal::rijndaelECB_MCT(stream(), key_text(keyBits), keyBits, kBlockText.c_str(), 128, d, f);
}

TEST(MonteCarlo, StartingTextsAreHexadecimalOfTheirLengths) {
  for (auto [text, digits] : {std::pair{internal::kShortText, 32},
                              {internal::kMiddleText, 48},
                              {internal::kLongText, 64}}) {
    ASSERT_EQ(std::strlen(text), static_cast<std::size_t>(digits));
    for (int i = 0; i < digits; ++i) EXPECT_TRUE(std::isxdigit(text[i])) << text;
  }
}

TEST(MonteCarlo, EcbAndCbcFollowTheirStepsAndCallCounts) {
  // Direction 2 runs decryption and reaches makeKey as 2.
  for (bool cbc : {false, true}) {
    for (auto [k, d] : {std::pair{128, 0}, {192, 1}, {256, 2}}) {
      Frame f{};
      Expected e;
      cbc ? expect_cbc(e, k, 128, d) : expect_ecb(e, k, 128, d);
      Recorder r(&f);
      r.expect(e);
      run(cbc, k, d, f);
      EXPECT_EQ(r.mismatch(), "") << cbc << " " << k << " " << d;
      const std::uint64_t calls = 4000000, encrypt = d == 0 ? calls : 0;
      EXPECT_EQ(r.counts(),
                (Counts{400, cbc ? calls : 400, encrypt, calls - encrypt, 0, cbc ? 1200u : 800u}));
    }
  }
}

TEST(MonteCarlo, KeyBytesFoldTheResultsAfterEveryPassAndNothingElseChanges) {
  const Bytes block = hex_bytes(kBlockText), iv = hex_bytes(kIvText);
  for (bool cbc : {false, true}) {
    for (int keyBits : {128, 192, 256}) {
      for (int direction : {0, 1, 2}) {
        if (!cbc && direction == 2) continue;
        Frame f = patterned_frame(static_cast<unsigned>(keyBits + direction + 10 * cbc));
        std::vector<Bytes> at_pass;  // key bytes as each pass makes its key
        Recorder r(&f);
        r.on_call = [&](const Call& c) {
          if (c.op == Op::MakeKey) at_pass.emplace_back(f.keyBytes, f.keyBytes + 32);
        };
        Frame want = f;
        run(cbc, keyBits, direction, f);

        // The model: decoded texts over the caller's bytes, the key folded after every pass:
        // ECB folds the block and the second block; CBC the second block and the block
        // (encryption) or the IV block (decryption).
        std::copy(block.begin(), block.end(), want.block);
        if (cbc) std::copy(iv.begin(), iv.end(), want.ivBlock);
        const Bytes start = hex_bytes(key_text(keyBits));
        std::copy(start.begin(), start.end(), want.keyBytes);
        Bytes key(want.keyBytes, want.keyBytes + 32);
        const unsigned char* target = cbc ? want.secondBlock : want.block;
        const unsigned char* other = !cbc             ? want.secondBlock
                                     : direction == 0 ? want.block
                                                      : want.ivBlock;
        ASSERT_EQ(at_pass.size(), 400u);
        for (int pass = 0; pass < 400; ++pass) {
          ASSERT_EQ(at_pass[pass], key)
              << cbc << " " << keyBits << " " << direction << " #" << pass;
          fold_key(key.data(), keyBits, target, other);
        }
        std::copy(key.begin(), key.end(), want.keyBytes);
        want.keyText[keyBits / 4] = '\0';
        EXPECT_TRUE(same_buffers(f, want)) << cbc << " " << keyBits << " " << direction;
      }
    }
  }
}

TEST(MonteCarlo, A128BitEcbKeyComesBackAfterEveryEvenPass) {
  Frame f{};
  std::vector<Bytes> at_pass;
  Recorder r(&f);
  r.on_call = [&](const Call& c) {
    if (c.op == Op::MakeKey) at_pass.emplace_back(f.keyBytes, f.keyBytes + 32);
  };
  run(false, 128, 0, f);
  Bytes start = hex_bytes(kKey128), odd = start;
  const Bytes block = hex_bytes(kBlockText);
  for (int j = 0; j < 16; ++j) odd[j] ^= block[j];
  start.resize(32), odd.resize(32);
  for (int pass = 0; pass < 400; ++pass) ASSERT_EQ(at_pass[pass], pass % 2 ? odd : start);
  EXPECT_EQ(Bytes(f.keyBytes, f.keyBytes + 32), start);  // after 400 passes, the start again
}

TEST(MonteCarlo, CountedRunsMakeTheirPassesOfTheirCallsAndFoldOncePerPass) {
  const Bytes block = hex_bytes(kBlockText), iv = hex_bytes(kIvText);
  for (bool cbc : {false, true}) {
    for (auto [passes, calls] : {std::pair{3, 5}, {2, 0}, {0, 7}}) {
      Frame f = patterned_frame(static_cast<unsigned>(passes * 10 + calls + cbc));
      Frame want = f;
      Recorder r(&f);
      const internal::MonteCarloCounts counts{passes, calls};
      if (cbc)
        internal::rijndaelCBC_MCT(stream(), kKey192.c_str(), 192, kIvText.c_str(),
                                  kBlockText.c_str(), 128, 1, f, counts);
      else
        internal::rijndaelECB_MCT(stream(), kKey192.c_str(), 192, kBlockText.c_str(), 128, 0, f,
                                  counts);
      const std::uint64_t p = passes, n = p * calls;
      EXPECT_EQ(r.counts(),
                (Counts{p, cbc ? n : p, cbc ? 0 : n, cbc ? n : 0, 0, (cbc ? 3 : 2) * p}))
          << cbc << " " << passes << " " << calls;
      std::copy(block.begin(), block.end(), want.block);
      if (cbc) std::copy(iv.begin(), iv.end(), want.ivBlock);
      Bytes key = hex_bytes(kKey192);
      key.resize(32);
      std::copy(want.keyBytes + 24, want.keyBytes + 32, key.begin() + 24);
      for (int pass = 0; pass < passes; ++pass)
        fold_key(key.data(), 192, cbc ? want.secondBlock : want.block,
                 cbc ? want.ivBlock : want.secondBlock);
      std::copy(key.begin(), key.end(), want.keyBytes);
      if (passes > 0) want.keyText[192 / 4] = '\0';
      EXPECT_TRUE(same_buffers(f, want)) << cbc << " " << passes << " " << calls;
    }
  }
}

TEST(MonteCarlo, LengthsBeyondTheBuffersStayInsideThem) {
  const Bytes decoded = hex_bytes(kKey256);  // 256 bits: as much as any buffer decodes
  for (auto [keyBits, blockBits] : {std::pair{2000, 128}, {512, 300}, {-4, 128}}) {
    Frame f = patterned_frame(7);
    Frame want = f;
    Recorder r(&f);
    internal::rijndaelCBC_MCT(stream(), kKey256.c_str(), keyBits, kKey256.c_str(), kKey256.c_str(),
                              blockBits, 1, f);
    EXPECT_EQ(r.counts(), (Counts{400, 4000000, 0, 4000000, 0, 1200}));
    const std::size_t block_bytes = blockBits >= 256 ? 32 : 16;
    std::copy_n(decoded.begin(), block_bytes, want.block);
    std::copy_n(decoded.begin(), block_bytes, want.ivBlock);
    if (keyBits > 0) std::copy_n(decoded.begin(), 32, want.keyBytes);  // never folded
    if (keyBits / 4 >= 0 && keyBits / 4 < 320) want.keyText[keyBits / 4] = '\0';
    EXPECT_TRUE(same_buffers(f, want)) << keyBits << "/" << blockBits;
  }
}

TEST(MainRijndael, RunsTheEightGroupsInOrderAndReturnsZero) {
  Expected e(false);
  expect_known_answer_groups(e);
  expect_monte_carlo_groups(e);
  Recorder r;
  r.expect(e);
  EXPECT_EQ(main_rijndael(), 0);
  EXPECT_EQ(r.mismatch(), "");
  // The generators' tables added up over the driver's 24 generator runs: 72,026,280 calls.
  EXPECT_EQ(r.counts(), (Counts{6345, 24003750, 24001152, 24000768, 72, 14193}));
}

}  // namespace
}  // namespace kernels::cipher_tests
