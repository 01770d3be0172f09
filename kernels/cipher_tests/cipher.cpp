// The cipher interface in its fixed form, the observer, the hexadecimal decoder and the block
// printer.
#include "kernels/cipher_tests/cipher_tests.h"
#include "kernels/cipher_tests/internal.h"

namespace kernels::cipher_tests {

namespace internal {

const Observer* installed_observer = nullptr;

namespace {

// The value of a hexadecimal digit in either case, or -1 for any other character.
int digit_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void HexToBin(unsigned char* target, const unsigned char* hexText, int bits) {
  unsigned accumulator = 0;  // kept across bytes: a non-digit high character reuses it
  while (bits > 0) {
    if (const int high = digit_value(*hexText++); high >= 0)
      accumulator = static_cast<unsigned>(high) * 16;
    if (const int low = digit_value(*hexText++); low >= 0)
      accumulator ^= static_cast<unsigned>(low);
    *target++ = static_cast<unsigned char>(accumulator & 0xff);
    bits -= 8;  // bits > 0 here, so this cannot go below -7
  }
}

// Printing writes nothing; stepping through the block's bytes without touching them has no
// effect to keep, so only the observer hears of it.
void blockPrint(int* stream, const unsigned char* block, int bits, const char* label) {
  if (const Observer* o = installed_observer; o != nullptr) [[unlikely]] {
    if (o->blockPrint != nullptr) o->blockPrint(o->context, stream, block, bits, label);
  }
}

}  // namespace internal

int makeKey(keyInstance* key, unsigned char direction, int keyBits, char* keyText) {
  return internal::ops::makeKey(key, direction, keyBits, keyText);
}

int cipherInit(cipherInstance* cipher, unsigned char mode, char* ivText) {
  return internal::ops::cipherInit(cipher, mode, ivText);
}

int blockEncrypt(cipherInstance* cipher, keyInstance* key, unsigned char* source, int sourceBits,
                 unsigned char* target) {
  return internal::ops::blockEncrypt(cipher, key, source, sourceBits, target);
}

int blockDecrypt(cipherInstance* cipher, keyInstance* key, unsigned char* source, int sourceBits,
                 unsigned char* target) {
  return internal::ops::blockDecrypt(cipher, key, source, sourceBits, target);
}

int cipherUpdateRounds(cipherInstance* cipher, keyInstance* key, unsigned char* source,
                       int sourceBits, unsigned char* target, int roundCount) {
  return internal::ops::cipherUpdateRounds(cipher, key, source, sourceBits, target, roundCount);
}

void set_observer(const Observer* observer) {
  internal::installed_observer = observer;
}

}  // namespace kernels::cipher_tests
