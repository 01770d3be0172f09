// The cipher interface in its fixed form (five real calls that only notify the observer), the
// observer, the hexadecimal decoder and the block printer.
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

namespace {

// What makes each operation opaque to the optimizer. gcc's noipa keeps a function out of line
// and keeps its callers from using anything learnt from its body; clang has no such attribute,
// and noinline with the asm statement below is enough there, since clang assumes an asm with a
// memory clobber may read and write any memory that has escaped.
#if defined(__clang__)
#define KERNELS_CIPHER_OPERATION [[gnu::noinline]]
#else
#define KERNELS_CIPHER_OPERATION [[gnu::noipa]]
#endif

// Hands each argument to an empty asm statement that may read it and any memory at all, so that
// the caller must compute every argument and store every buffer it passes before the call.
template <typename... Args>
inline void escape(Args... args) {
  (..., [](auto value) { __asm__ __volatile__("" : : "r"(value) : "memory"); }(args));
}

// The body every operation shares: its arguments escaped, then the installed observer's `Hook`
// told of the call, when there is one and it sets that hook.
template <auto Hook, typename... Args>
inline int operate(Args... args) {
  escape(args...);
  if (const Observer* o = internal::installed_observer; o != nullptr) [[unlikely]] {
    if (o->*Hook != nullptr) (o->*Hook)(o->context, args...);
  }
  return 0;
}

}  // namespace

KERNELS_CIPHER_OPERATION int makeKey(keyInstance* key, unsigned char direction, int keyBits,
                                     char* keyText) {
  return operate<&Observer::makeKey>(key, direction, keyBits, keyText);
}

KERNELS_CIPHER_OPERATION int cipherInit(cipherInstance* cipher, unsigned char mode, char* ivText) {
  return operate<&Observer::cipherInit>(cipher, mode, ivText);
}

KERNELS_CIPHER_OPERATION int blockEncrypt(cipherInstance* cipher, keyInstance* key,
                                          unsigned char* source, int sourceBits,
                                          unsigned char* target) {
  return operate<&Observer::blockEncrypt>(cipher, key, source, sourceBits, target);
}

KERNELS_CIPHER_OPERATION int blockDecrypt(cipherInstance* cipher, keyInstance* key,
                                          unsigned char* source, int sourceBits,
                                          unsigned char* target) {
  return operate<&Observer::blockDecrypt>(cipher, key, source, sourceBits, target);
}

KERNELS_CIPHER_OPERATION int cipherUpdateRounds(cipherInstance* cipher, keyInstance* key,
                                                unsigned char* source, int sourceBits,
                                                unsigned char* target, int roundCount) {
  return operate<&Observer::cipherUpdateRounds>(cipher, key, source, sourceBits, target,
                                                roundCount);
}

#undef KERNELS_CIPHER_OPERATION

void set_observer(const Observer* observer) {
  internal::installed_observer = observer;
}

}  // namespace kernels::cipher_tests
