// Monte Carlo generators (ECB and CBC), makeMCTs and the driver main_rijndael.
//
// The steps that only count through the key bytes or the IV without touching them have no
// effect and are not spelled out.
#include "kernels/cipher_tests/cipher_tests.h"
#include "kernels/cipher_tests/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::cipher_tests::internal {

namespace {

constexpr unsigned char kEcb = 1;
constexpr unsigned char kCbc = 2;
constexpr int kMaxDecodedBits = 8 * kBlockSize;

// Decodes at most as many bits as a 32-byte buffer holds.
void decode(unsigned char* target, const char* text, int bits) {
  HexToBin(target, reinterpret_cast<const unsigned char*>(text),
           bits < kMaxDecodedBits ? bits : kMaxDecodedBits);
}

// Writes the key text's terminator at keyBits / 4 when that position lies inside it.
void terminate_key_text(Frame& f, int keyBits) {
  const int position = keyBits / 4;
  if (position >= 0 && position < kKeyTextSize) f.keyText[position] = '\0';
}

void make_key(Frame& f, unsigned char direction, int keyBits, int blockBits) {
  f.key.blockBits = blockBits;
  makeKey(&f.key, direction, keyBits, f.keyText);
}

void xor_into(unsigned char* key, const unsigned char* from, int count) {
  for (int j = 0; j < count; ++j) key[j] ^= from[j];
}

// Folds the pass's results into the key bytes: `target` is the buffer the cipher calls wrote,
// `other` the second buffer the update reads. Fixed byte counts, whatever the block length.
void fold_into_key(unsigned char* keyBytes, int keyBits, const unsigned char* target,
                   const unsigned char* other) {
  switch (keyBits) {
    case 128:
      xor_into(keyBytes, target, 16);
      break;
    case 192:
      xor_into(keyBytes, other + 8, 8);
      xor_into(keyBytes + 8, target, 16);
      break;
    case 256:
      xor_into(keyBytes, other, 16);
      xor_into(keyBytes + 16, target, 16);
      break;
    default:
      break;
  }
}

}  // namespace

void rijndaelECB_MCT(int* stream, const char* startKey, int keyBits, const char* startBlock,
                     int blockBits, unsigned char direction, Frame& f, MonteCarloCounts counts) {
  decode(f.block, startBlock, blockBits);
  decode(f.keyBytes, startKey, keyBits);
  const bool decrypt = direction != 0;
  const char* const before = decrypt ? "CT" : "PT";
  const char* const after = decrypt ? "PT" : "CT";
  for (int pass = 0; pass < counts.passes; ++pass) {
    terminate_key_text(f, keyBits);
    make_key(f, direction, keyBits, blockBits);
    blockPrint(stream, f.block, blockBits, before);
    f.cipher.blockBits = blockBits;
    cipherInit(&f.cipher, kEcb, nullptr);
    if (decrypt) {
      for (int i = 0; i < counts.callsPerPass; ++i)
        blockDecrypt(&f.cipher, &f.key, f.secondBlock, blockBits, f.block);
    } else {
      for (int i = 0; i < counts.callsPerPass; ++i)
        blockEncrypt(&f.cipher, &f.key, f.secondBlock, blockBits, f.block);
    }
    blockPrint(stream, f.block, blockBits, after);
    fold_into_key(f.keyBytes, keyBits, f.block, f.secondBlock);
  }
}

void rijndaelCBC_MCT(int* stream, const char* startKey, int keyBits, const char* startIv,
                     const char* startBlock, int blockBits, unsigned char direction, Frame& f,
                     MonteCarloCounts counts) {
  decode(f.block, startBlock, blockBits);
  decode(f.ivBlock, startIv, blockBits);
  decode(f.keyBytes, startKey, keyBits);
  const bool decrypt = direction != 0;
  const char* const before = decrypt ? "CT" : "PT";
  const char* const after = decrypt ? "PT" : "CT";
  for (int pass = 0; pass < counts.passes; ++pass) {
    terminate_key_text(f, keyBits);
    make_key(f, direction, keyBits, blockBits);
    blockPrint(stream, f.ivBlock, blockBits, "IV");
    blockPrint(stream, f.block, blockBits, before);
    if (decrypt) {
      for (int i = 0; i < counts.callsPerPass; ++i) {
        f.cipher.blockBits = blockBits;
        cipherInit(&f.cipher, kCbc, f.ivText);
        blockDecrypt(&f.cipher, &f.key, f.block, blockBits, f.secondBlock);
      }
    } else {
      for (int i = 0; i < counts.callsPerPass; ++i) {
        f.cipher.blockBits = blockBits;
        cipherInit(&f.cipher, kCbc, f.ivText);
        blockEncrypt(&f.cipher, &f.key, f.block, blockBits, f.secondBlock);
      }
    }
    blockPrint(stream, f.secondBlock, blockBits, after);
    fold_into_key(f.keyBytes, keyBits, f.secondBlock, decrypt ? f.ivBlock : f.block);
  }
}

void rijndaelECB_MCT(int* stream, const char* startKey, int keyBits, const char* startBlock,
                     int blockBits, unsigned char direction, Frame& f) {
  rijndaelECB_MCT(stream, startKey, keyBits, startBlock, blockBits, direction, f,
                  kMonteCarloCounts);
}

void rijndaelCBC_MCT(int* stream, const char* startKey, int keyBits, const char* startIv,
                     const char* startBlock, int blockBits, unsigned char direction, Frame& f) {
  rijndaelCBC_MCT(stream, startKey, keyBits, startIv, startBlock, blockBits, direction, f,
                  kMonteCarloCounts);
}

void rijndaelECB_MCT(int* stream, const char* startKey, int keyBits, const char* startBlock,
                     int blockBits, unsigned char direction) {
  Frame frame{};
  rijndaelECB_MCT(stream, startKey, keyBits, startBlock, blockBits, direction, frame);
}

void rijndaelCBC_MCT(int* stream, const char* startKey, int keyBits, const char* startIv,
                     const char* startBlock, int blockBits, unsigned char direction) {
  Frame frame{};
  rijndaelCBC_MCT(stream, startKey, keyBits, startIv, startBlock, blockBits, direction, frame);
}

void makeMCTs(const char* /*ecbEncryptFile*/, const char* /*ecbDecryptFile*/,
              const char* /*cbcEncryptFile*/, const char* /*cbcDecryptFile*/) {
  struct StartKey {
    const char* text;
    int bits;
  };
  constexpr StartKey kKeys[] = {{kShortText, 128}, {kMiddleText, 192}, {kLongText, 256}};
  constexpr unsigned char kDirections[] = {0, 1};
  constexpr int kBlock = 128;

  for (unsigned char direction : kDirections) {
    int* stream = shell::stream_handle();
    for (const StartKey& k : kKeys)
      rijndaelECB_MCT(stream, k.text, k.bits, kShortText, kBlock, direction);
  }
  for (unsigned char direction : kDirections) {
    int* stream = shell::stream_handle();
    for (const StartKey& k : kKeys)
      rijndaelCBC_MCT(stream, k.text, k.bits, kShortText, kShortText, kBlock, direction);
  }
}

}  // namespace kernels::cipher_tests::internal

namespace kernels::cipher_tests {

int main_rijndael() {
  internal::makeKATs("ecb_vk.txt", "ecb_vt.txt", "ecb_tbl.txt", "ecb_iv.txt");
  internal::makeMCTs("ecb_e_m.txt", "ecb_d_m.txt", "cbc_e_m.txt", "cbc_d_m.txt");
  return 0;
}

}  // namespace kernels::cipher_tests
