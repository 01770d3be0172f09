// Known-answer generators: variable key, variable text, table and intermediate values.
//
// The steps that only count through a buffer without touching it (the key bytes, the key-text
// digits, the block's bytes) have no effect and are not spelled out.
#include "kernels/cipher_tests/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::cipher_tests::internal {
namespace {

constexpr unsigned char kEncrypt = 0;
constexpr unsigned char kDecrypt = 1;
constexpr unsigned char kEcb = 1;

// Sets the key record's block length, then makes the key.
void make_key(Frame& f, unsigned char direction, int keyBits, int blockBits) {
  f.key.blockBits = blockBits;
  makeKey(&f.key, direction, keyBits, f.keyText);
}

// Sets the cipher record's block length, then initialises ECB with no IV.
void init_ecb(Frame& f, int blockBits) {
  f.cipher.blockBits = blockBits;
  cipherInit(&f.cipher, kEcb, nullptr);
}

// The number of leading bytes of a block that a length of `bits` names and the buffer holds.
int block_bytes(int bits) {
  const int bytes = bits / 8;
  return bytes < 0 ? 0 : (bytes > kBlockSize ? kBlockSize : bytes);
}

// The intermediate-value test's round count for the larger length, or 0 outside the table.
int round_count(int largerBits) {
  switch (largerBits) {
    case 128:
      return 10;
    case 192:
      return 12;
    case 256:
      return 14;
    default:
      return 0;
  }
}

// Zeroes the frame and runs `generator` in it: the frame-less forms.
template <class Generator>
void in_fresh_frame(Generator generator) {
  Frame frame{};
  generator(frame);
}

}  // namespace

void rijndaelVKKAT(int* stream, int keyBits, int blockBits, Frame& f) {
  char digit = '8';
  blockPrint(stream, f.block, blockBits, "PT");
  for (int i = 0; i < keyBits; ++i) {
    const int position = i / 4;
    const bool inside = position < kKeyTextSize;
    if (inside) f.keyText[position] = digit;
    make_key(f, kEncrypt, keyBits, blockBits);
    init_ecb(f, blockBits);
    blockEncrypt(&f.cipher, &f.key, f.block, blockBits, f.block);
    blockPrint(stream, f.block, blockBits, "CT");
    make_key(f, kDecrypt, keyBits, blockBits);
    blockDecrypt(&f.cipher, &f.key, f.block, blockBits, f.block);
    if (inside) f.keyText[position] = '0';
    digit = digit == '8' ? '4' : digit == '4' ? '2' : digit == '2' ? '1' : '8';
  }
}

void rijndaelVTKAT(int* stream, int keyBits, int blockBits, Frame& f) {
  make_key(f, kEncrypt, keyBits, blockBits);
  for (int i = 0; i < blockBits; ++i) {
    if (i / 8 < kBlockSize) f.block[i / 8] |= static_cast<unsigned char>(1u << (7 - i % 8));
    blockPrint(stream, f.block, blockBits, "PT");
    init_ecb(f, blockBits);
    blockEncrypt(&f.cipher, &f.key, f.block, blockBits, f.block);
    blockPrint(stream, f.block, blockBits, "CT");
  }
}

void rijndaelTKAT(int* stream, int blockBits, int keyBits, int* /*tableInput*/, Frame& f) {
  const int fill = 0;
  const int bytes = block_bytes(blockBits);
  for (int row = 0; row < 64; ++row) {
    make_key(f, kEncrypt, keyBits, blockBits);
    for (int j = 0; j < bytes; ++j) f.block[j] = static_cast<unsigned char>(fill);
    blockPrint(stream, f.block, blockBits, "PT");
    init_ecb(f, blockBits);
    blockEncrypt(&f.cipher, &f.key, f.block, blockBits, f.secondBlock);
    blockPrint(stream, f.secondBlock, blockBits, "CT");
  }
  for (int row = 64; row < 128; ++row) {
    make_key(f, kDecrypt, keyBits, blockBits);
    for (int j = 0; j < bytes; ++j) f.block[j] = static_cast<unsigned char>(fill);
    init_ecb(f, blockBits);
    blockDecrypt(&f.cipher, &f.key, f.block, blockBits, f.secondBlock);
    blockPrint(stream, f.secondBlock, blockBits, "PT");
    blockPrint(stream, f.block, blockBits, "CT");
  }
}

void rijndaelIVKAT(int* stream, int keyBits, int blockBits, Frame& f) {
  const int rounds = round_count(keyBits >= blockBits ? keyBits : blockBits);
  if (rounds == 0) return;
  make_key(f, kEncrypt, keyBits, blockBits);
  // The larger length is at most 256, so the block's bytes fit.
  for (int j = 0; j < blockBits / 8; ++j) f.block[j] = static_cast<unsigned char>(j);
  blockPrint(stream, f.block, blockBits, "PT");
  init_ecb(f, blockBits);
  for (int r = 1; r < rounds; ++r) {
    cipherUpdateRounds(&f.cipher, &f.key, f.block, blockBits, f.secondBlock, r);
    blockPrint(stream, f.secondBlock, blockBits, f.roundLabel);
  }
  cipherUpdateRounds(&f.cipher, &f.key, f.block, blockBits, f.secondBlock, rounds);
  blockPrint(stream, f.secondBlock, blockBits, "CT");

  make_key(f, kDecrypt, keyBits, blockBits);
  blockPrint(stream, f.secondBlock, blockBits, "CT");
  init_ecb(f, blockBits);
  for (int r = 1; r < rounds; ++r) {
    cipherUpdateRounds(&f.cipher, &f.key, f.secondBlock, blockBits, f.block, rounds - r);
    blockPrint(stream, f.block, blockBits, f.roundLabel);
  }
  cipherUpdateRounds(&f.cipher, &f.key, f.secondBlock, blockBits, f.block, 0);
  blockPrint(stream, f.block, blockBits, "PT");
}

void rijndaelVKKAT(int* stream, int keyBits, int blockBits) {
  in_fresh_frame([&](Frame& f) { rijndaelVKKAT(stream, keyBits, blockBits, f); });
}
void rijndaelVTKAT(int* stream, int keyBits, int blockBits) {
  in_fresh_frame([&](Frame& f) { rijndaelVTKAT(stream, keyBits, blockBits, f); });
}
void rijndaelTKAT(int* stream, int blockBits, int keyBits, int* tableInput) {
  in_fresh_frame([&](Frame& f) { rijndaelTKAT(stream, blockBits, keyBits, tableInput, f); });
}
void rijndaelIVKAT(int* stream, int keyBits, int blockBits) {
  in_fresh_frame([&](Frame& f) { rijndaelIVKAT(stream, keyBits, blockBits, f); });
}

void makeKATs(const char* /*variableKeyFile*/, const char* /*variableTextFile*/,
              const char* /*tableFile*/, const char* /*intermediateFile*/) {
  constexpr int kKeyLengths[] = {128, 192, 256};
  constexpr int kBlock = 128;

  int* stream = shell::stream_handle();
  for (int keyBits : kKeyLengths) rijndaelVKKAT(stream, keyBits, kBlock);

  stream = shell::stream_handle();
  for (int keyBits : kKeyLengths) rijndaelVTKAT(stream, keyBits, kBlock);

  stream = shell::stream_handle();
  for (int keyBits : kKeyLengths) {
    int* tableInput = shell::stream_handle();
    if (tableInput != nullptr) rijndaelTKAT(stream, kBlock, keyBits, tableInput);
  }

  stream = shell::stream_handle();
  for (int keyBits : kKeyLengths) rijndaelIVKAT(stream, keyBits, kBlock);
}

}  // namespace kernels::cipher_tests::internal
