// The cipher test-vector harness: drives a block-cipher interface through known-answer tests
// (variable key, variable text, table, intermediate values) and Monte Carlo tests (ECB and CBC)
// for 128-, 192- and 256-bit keys with a 128-bit block.
//
// The cipher interface here is fixed in form: its five operations take their arguments and
// return 0; no key is expanded and no block is transformed. What the harness does is therefore
// exactly the sequence of calls it makes, their arguments, and what it writes into its own
// buffers. An observer (below) sees every call of the five operations and of the block printer,
// so tests and the runner can record that sequence.
//
// Lengths are bit counts held in `int`. Direction values: 0 makes a key for encryption, 1 for
// decryption (the Monte Carlo tests pass any value through and treat nonzero as decryption).
// Mode values: 1 is ECB, 2 is CBC.
#ifndef KERNELS_CIPHER_TESTS_CIPHER_TESTS_H_
#define KERNELS_CIPHER_TESTS_CIPHER_TESTS_H_

namespace kernels::cipher_tests {

// The key record. The harness sets `blockBits` to its block length immediately before every
// makeKey call; nothing reads it, and the record has no other state.
struct keyInstance {
  int blockBits;
};

// The cipher-state record. The harness sets `blockBits` to its block length immediately before
// every cipherInit call; nothing reads it, and the record has no other state.
struct cipherInstance {
  int blockBits;
};

// ---------------------------------------------------------------------------------------------
// The cipher operations. Each returns 0 and has no other effect than notifying the observer:
// it reads neither its records nor its buffers and writes nothing, so a target block keeps the
// bytes it had. Any arguments are accepted, null pointers and unsupported lengths, modes or
// directions included.
// ---------------------------------------------------------------------------------------------

// Makes `key` from `keyText` (hexadecimal) for `direction`, `keyBits` long. Returns 0.
int makeKey(keyInstance* key, unsigned char direction, int keyBits, char* keyText);

// Initialises `cipher` for `mode` with the IV text `ivText` (null in ECB mode). Returns 0.
int cipherInit(cipherInstance* cipher, unsigned char mode, char* ivText);

// Encrypts `sourceBits` of `source` into `target` (which may be `source`). Returns 0.
int blockEncrypt(cipherInstance* cipher, keyInstance* key, unsigned char* source, int sourceBits,
                 unsigned char* target);

// Decrypts `sourceBits` of `source` into `target` (which may be `source`). Returns 0.
int blockDecrypt(cipherInstance* cipher, keyInstance* key, unsigned char* source, int sourceBits,
                 unsigned char* target);

// Runs `roundCount` rounds of the cipher over `source` into `target`. Returns 0.
int cipherUpdateRounds(cipherInstance* cipher, keyInstance* key, unsigned char* source,
                       int sourceBits, unsigned char* target, int roundCount);

// ---------------------------------------------------------------------------------------------
// The driver.
// ---------------------------------------------------------------------------------------------

// Runs the whole harness and returns 0. First the known-answer groups, in this order: variable
// key, variable text, table and intermediate values, each for the key lengths 128, 192 and 256
// with a 128-bit block. Then the Monte Carlo groups: ECB encryption, ECB decryption, CBC
// encryption, CBC decryption, each for the key lengths 128, 192 and 256 (400 passes of 10,000
// cipher calls per run). Writes nothing and keeps no state between calls.
//
// One call makes 72,026,280 observable calls: makeKey 6,345; cipherInit 24,003,750;
// blockEncrypt 24,001,152; blockDecrypt 24,000,768; cipherUpdateRounds 72; blockPrint 14,193.
int main_rijndael();

// ---------------------------------------------------------------------------------------------
// Observation.
//
// Every cipher operation and the (private) block printer notifies the installed observer with
// all its arguments, buffer pointers included, before it returns. The observer runs while the
// caller's buffers are alive, so it may read them. Null members are skipped. With no observer
// installed (the default) a call costs the call itself and one predictable branch: the five
// operations are out of line and opaque to the optimizer in every build, so the harness's calls
// are all made even when nothing observes them. Observing changes nothing the harness does, as
// long as the observer writes nothing the harness reads.
// ---------------------------------------------------------------------------------------------

struct Observer {
  void* context = nullptr;
  void (*makeKey)(void* context, keyInstance* key, unsigned char direction, int keyBits,
                  char* keyText) = nullptr;
  void (*cipherInit)(void* context, cipherInstance* cipher, unsigned char mode,
                     char* ivText) = nullptr;
  void (*blockEncrypt)(void* context, cipherInstance* cipher, keyInstance* key,
                       unsigned char* source, int sourceBits, unsigned char* target) = nullptr;
  void (*blockDecrypt)(void* context, cipherInstance* cipher, keyInstance* key,
                       unsigned char* source, int sourceBits, unsigned char* target) = nullptr;
  void (*cipherUpdateRounds)(void* context, cipherInstance* cipher, keyInstance* key,
                             unsigned char* source, int sourceBits, unsigned char* target,
                             int roundCount) = nullptr;
  // The block printer: `stream` is the stream handle, `label` one of "PT", "CT", "IV" (string
  // literals) or the intermediate-value test's round label (a 10-character buffer that nothing
  // writes; it starts zeroed, so it reads as an empty text).
  void (*blockPrint)(void* context, int* stream, const unsigned char* block, int bits,
                     const char* label) = nullptr;
};

// Installs `observer` (it must outlive its installation); null removes it. Not thread-safe.
void set_observer(const Observer* observer);

}  // namespace kernels::cipher_tests

#endif  // KERNELS_CIPHER_TESTS_CIPHER_TESTS_H_
