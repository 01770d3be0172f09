// Runs the harness's decoder and generators on inputs built from the fuzz data: the decoder
// against a plain reading of its accumulator rule, and each generator with lengths from the data
// (also lengths its buffers cannot hold) in a frame filled with a pattern, checking its call
// counts and that it wrote nothing outside what its steps write. The Monte Carlo generators run
// with a few passes of a few calls; their full counts are the tests' business.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kernels/cipher_tests/cipher_tests.h"
#include "kernels/cipher_tests/internal.h"
#include "kernels/cipher_tests/test_support.h"
#include "kernels/shell/shell.h"

namespace {

namespace ct = kernels::cipher_tests;
namespace in = kernels::cipher_tests::internal;
using in::Frame;
using kernels::cipher_tests::testing::fold_key;
using kernels::cipher_tests::testing::same_buffers;

void check(bool ok) {
  if (!ok) std::abort();
}

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::uint8_t byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  int in_range(int lo, int hi) {  // lo..hi inclusive
    const unsigned v = static_cast<unsigned>(byte()) << 8 | byte();
    return lo + static_cast<int>(v % static_cast<unsigned>(hi - lo + 1));
  }
};

int nibble(unsigned char c) {
  switch (c) {
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
      return c - '0';
    case 'a':
    case 'b':
    case 'c':
    case 'd':
    case 'e':
    case 'f':
      return c - 'a' + 10;
    case 'A':
    case 'B':
    case 'C':
    case 'D':
    case 'E':
    case 'F':
      return c - 'A' + 10;
    default:
      return -1;
  }
}

void fuzz_hex(Reader& r) {
  const int bits = r.in_range(-40, 300);
  const std::size_t bytes = bits > 0 ? static_cast<std::size_t>((bits + 7) / 8) : 0;
  std::vector<unsigned char> text(2 * bytes);  // exactly what may be read
  for (auto& c : text) c = r.byte() % 2 ? "0123456789abcdefABCDEF"[r.byte() % 22] : r.byte();
  std::vector<unsigned char> got(bytes + 8, 0x5A);
  in::HexToBin(got.data(), text.data(), bits);
  int previous = 0;
  for (std::size_t i = 0; i < bytes; ++i) {
    const int hi = nibble(text[2 * i]), lo = nibble(text[2 * i + 1]);
    int value = hi >= 0 ? hi * 16 : previous;
    if (lo >= 0) value ^= lo;
    check(got[i] == value);
    previous = value;
  }
  for (std::size_t i = bytes; i < got.size(); ++i) check(got[i] == 0x5A);
}

// Counts of the six observable operations.
std::array<std::uint64_t, 6> g_counts;

ct::Observer counting_observer() {
  ct::Observer o;
  o.makeKey = [](void*, ct::keyInstance*, unsigned char, int, char*) { ++g_counts[0]; };
  o.cipherInit = [](void*, ct::cipherInstance*, unsigned char, char*) { ++g_counts[1]; };
  o.blockEncrypt = [](void*, ct::cipherInstance*, ct::keyInstance*, unsigned char*, int,
                      unsigned char*) { ++g_counts[2]; };
  o.blockDecrypt = [](void*, ct::cipherInstance*, ct::keyInstance*, unsigned char*, int,
                      unsigned char*) { ++g_counts[3]; };
  o.cipherUpdateRounds = [](void*, ct::cipherInstance*, ct::keyInstance*, unsigned char*, int,
                            unsigned char*, int) { ++g_counts[4]; };
  o.blockPrint = [](void*, int*, const unsigned char*, int, const char*) { ++g_counts[5]; };
  return o;
}

using Counts = std::array<std::uint64_t, 6>;

std::uint64_t positive(int n) {
  return n > 0 ? static_cast<std::uint64_t>(n) : 0;
}

void fuzz_generator(Reader& r, int which) {
  Frame f;
  const std::uint8_t seed = r.byte();
  auto* raw = reinterpret_cast<unsigned char*>(&f);
  for (std::size_t i = 0; i < sizeof f; ++i) raw[i] = static_cast<unsigned char>(seed + i * 7);
  Frame want = f;
  int* stream = kernels::shell::stream_handle();
  const ct::Observer observer = counting_observer();
  g_counts = {};
  Counts expect{};
  ct::set_observer(&observer);
  switch (which) {
    case 0: {  // variable key
      const int k = r.in_range(-64, 1400), b = r.in_range(-64, 400);
      in::rijndaelVKKAT(stream, k, b, f);
      const std::uint64_t n = positive(k);
      expect = {2 * n, n, n, n, 0, 1 + n};
      for (int p = 0; p < 320 && 4 * p < k; ++p) want.keyText[p] = '0';
      break;
    }
    case 1: {  // variable text
      const int k = r.in_range(-64, 400), b = r.in_range(-64, 400);
      in::rijndaelVTKAT(stream, k, b, f);
      const std::uint64_t n = positive(b);
      expect = {1, n, n, 0, 0, 2 * n};
      for (int i = 0; i < b && i < 256; ++i)
        want.block[i / 8] |= static_cast<unsigned char>(0x80 >> (i % 8));
      break;
    }
    case 2: {  // table
      const int b = r.in_range(-64, 400), k = r.in_range(-64, 400);
      in::rijndaelTKAT(stream, b, k, stream, f);
      expect = {128, 128, 64, 64, 0, 256};
      for (int j = 0; j < b / 8 && j < 32; ++j) want.block[j] = 0;
      break;
    }
    default: {  // intermediate values; favour the lengths in the table
      const int choices[] = {128, 192, 256, 160, 0, -128};
      const int k = r.byte() % 2 ? choices[r.byte() % 6] : r.in_range(-300, 300);
      const int b = r.byte() % 2 ? choices[r.byte() % 6] : r.in_range(-300, 300);
      in::rijndaelIVKAT(stream, k, b, f);
      const int larger = k >= b ? k : b;
      const std::uint64_t rounds = larger == 128 ? 10 : larger == 192 ? 12 : larger == 256 ? 14 : 0;
      if (rounds != 0) {
        expect = {2, 2, 0, 0, 2 * rounds, 2 * rounds + 2};
        for (int j = 0; j < b / 8; ++j) want.block[j] = static_cast<unsigned char>(j);
      }
      break;
    }
  }
  ct::set_observer(nullptr);
  check(g_counts == expect);
  check(same_buffers(f, want));
}

// The Monte Carlo generators with a few passes of a few calls: every step of a pass, with the
// fold's result checked exactly (the cipher operations write nothing, so each pass folds the
// same buffers, and an odd number of passes leaves them folded in once).
void fuzz_monte_carlo(Reader& r, bool cbc) {
  Frame f;
  const std::uint8_t seed = r.byte();
  auto* raw = reinterpret_cast<unsigned char*>(&f);
  for (std::size_t i = 0; i < sizeof f; ++i) raw[i] = static_cast<unsigned char>(seed ^ i);
  const int choices[] = {128, 192, 256};
  const int k = r.byte() % 2 ? choices[r.byte() % 3] : r.in_range(-100, 1500);
  const int b = r.in_range(-40, 300);
  const auto direction = r.byte();
  const in::MonteCarloCounts counts{r.byte() % 8, r.byte() % 16};
  char key[65] = {}, block[65] = {}, iv[65] = {};
  for (char* t : {key, block, iv})
    for (int i = 0; i < 64; ++i) t[i] = static_cast<char>(r.byte());
  int* stream = kernels::shell::stream_handle();

  Frame want = f;
  const ct::Observer observer = counting_observer();
  g_counts = {};
  ct::set_observer(&observer);
  if (cbc)
    in::rijndaelCBC_MCT(stream, key, k, iv, block, b, direction, f, counts);
  else
    in::rijndaelECB_MCT(stream, key, k, block, b, direction, f, counts);
  ct::set_observer(nullptr);
  const std::uint64_t passes = positive(counts.passes);
  const std::uint64_t calls = passes * positive(counts.callsPerPass);
  const bool decrypt = direction != 0;
  const Counts expect = {passes, cbc ? calls : passes,  decrypt ? 0 : calls, decrypt ? calls : 0,
                         0,      (cbc ? 3 : 2) * passes};
  check(g_counts == expect);

  // The decoded buffers, the terminator once a pass has run, and the key bytes folded once per
  // pass.
  const int block_bits = b < 256 ? b : 256, key_bits = k < 256 ? k : 256;
  in::HexToBin(want.block, reinterpret_cast<const unsigned char*>(block), block_bits);
  if (cbc) in::HexToBin(want.ivBlock, reinterpret_cast<const unsigned char*>(iv), block_bits);
  in::HexToBin(want.keyBytes, reinterpret_cast<const unsigned char*>(key), key_bits);
  if (passes > 0 && k / 4 >= 0 && k / 4 < 320) want.keyText[k / 4] = '\0';
  const unsigned char* target = cbc ? want.secondBlock : want.block;
  const unsigned char* other = !cbc ? want.secondBlock : decrypt ? want.ivBlock : want.block;
  for (std::uint64_t pass = 0; pass < passes; ++pass) fold_key(want.keyBytes, k, target, other);
  check(same_buffers(f, want));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Reader r{data + 1, size - 1};
  const int which = data[0] % 8;
  if (which < 2)
    fuzz_hex(r);
  else if (which < 6)
    fuzz_generator(r, which % 4);
  else
    fuzz_monte_carlo(r, which == 7);
  return 0;
}
