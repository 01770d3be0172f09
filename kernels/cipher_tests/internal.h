// What the harness keeps to itself but its tests must reach: the hexadecimal decoder, the block
// printer, the six generators with their working frame, makeKATs, makeMCTs and the starting
// texts of the Monte Carlo tests. Not installed.
#ifndef KERNELS_CIPHER_TESTS_INTERNAL_H_
#define KERNELS_CIPHER_TESTS_INTERNAL_H_

#include "kernels/cipher_tests/cipher_tests.h"

namespace kernels::cipher_tests::internal {

// ---------------------------------------------------------------------------------------------
// Working storage.
// ---------------------------------------------------------------------------------------------

inline constexpr int kKeyTextSize = 320;    // characters of key text
inline constexpr int kBlockSize = 32;       // bytes of every block buffer: 256 bits
inline constexpr int kIvTextSize = 65;      // characters of IV text
inline constexpr int kRoundLabelSize = 10;  // characters of the round label

// The records and buffers of one generator call. Each generator uses the ones its steps name and
// writes only what its steps write; all other bytes keep what they held. The generators without
// a frame argument run in a fresh frame of their own, in automatic storage, zeroed.
struct Frame {
  keyInstance key{};
  cipherInstance cipher{};
  char keyText[kKeyTextSize]{};             // hexadecimal key text handed to makeKey
  unsigned char block[kBlockSize]{};        // "the block"
  unsigned char secondBlock[kBlockSize]{};  // "the second block"
  unsigned char keyBytes[kBlockSize]{};     // Monte Carlo key, in byte form
  unsigned char ivBlock[kBlockSize]{};      // CBC IV, in byte form
  char ivText[kIvTextSize]{};               // IV text handed to cipherInit in CBC mode
  char roundLabel[kRoundLabelSize]{};       // label of intermediate-value rows; never written
};

// The installed observer, or null. Only set_observer changes it.
extern const Observer* installed_observer;

// The generators call the public operations of cipher_tests.h. Those are real calls in every
// build: defined out of line in their own file, never inlined or analysed into their callers,
// and their arguments pass through an empty asm statement with a memory clobber, so no compiler
// can drop a call, hoist it out of a loop, or skip a write to a buffer a call is handed.

// ---------------------------------------------------------------------------------------------
// Hex decoding and block printing.
// ---------------------------------------------------------------------------------------------

// Decodes `hexText` into bytes at `target`, two characters per byte, for ceil(bits / 8) bytes
// (none when bits <= 0). A 32-bit accumulator starts at 0 once per call. The high character,
// when it is a hexadecimal digit (either case), sets the accumulator to its value times 16;
// otherwise the accumulator keeps the previous output byte (0 before the first). The low
// character, when it is a digit, is XORed in; otherwise nothing changes. The low 8 bits of the
// accumulator are stored. No terminator is looked for: a zero character inside the counted
// length is a non-digit like any other. For valid pairs this is the ordinary reading, high digit
// first: "aB" and "Ab" give 0xAB, "7x" gives 0x70, "12x5" gives 0x12 0x17, "x5" first gives 0x05.
// REQUIRES: hexText holds 2 * ceil(bits / 8) readable characters; target has room for
// ceil(bits / 8) bytes.
void HexToBin(unsigned char* target, const unsigned char* hexText, int bits);

// Prints `block`, `bits` long, under `label` to `stream`: writes nothing, reads neither the block
// nor the label nor the stream, and only notifies the observer. Any arguments are accepted, null
// pointers included.
void blockPrint(int* stream, const unsigned char* block, int bits, const char* label);

// ---------------------------------------------------------------------------------------------
// Known-answer generators. `stream` is handed to blockPrint and never used otherwise. Every row
// sets the key record's blockBits before makeKey and the cipher record's blockBits before
// cipherInit; ECB (mode 1) with a null IV text throughout.
//
// Buffer limits: the key text holds 320 characters and the blocks 32 bytes. Writes that a
// longer length would place beyond them are skipped; every call is still made, with the lengths
// passed through unchanged, so the call counts below hold for any length.
// ---------------------------------------------------------------------------------------------

// Variable key. Prints the block as "PT" once, then for each key bit i (0 <= i < keyBits) writes
// the current digit ('8', '4', '2', '1', repeating) at key-text position i / 4; makes the key
// for encryption; initialises the cipher; encrypts the block in place; prints it as "CT"; makes
// the key for decryption; decrypts the block in place (no new cipherInit); writes '0' at
// position i / 4. Calls: makeKey 2k, cipherInit k, blockEncrypt k, blockDecrypt k,
// blockPrint 1 + k (k = keyBits, 0 when negative).
void rijndaelVKKAT(int* stream, int keyBits, int blockBits, Frame& frame);
void rijndaelVKKAT(int* stream, int keyBits, int blockBits);

// Variable text. Makes the key for encryption once; then for each block bit i
// (0 <= i < blockBits) ORs bit i into the block, counting from the most significant bit of byte
// 0 and never clearing earlier bits; prints the block as "PT"; initialises the cipher; encrypts
// the block in place and prints it as "CT". Calls: makeKey 1, cipherInit b, blockEncrypt b,
// blockPrint 2b (b = blockBits, 0 when negative).
void rijndaelVTKAT(int* stream, int keyBits, int blockBits, Frame& frame);
void rijndaelVTKAT(int* stream, int keyBits, int blockBits);

// Table: note the block length comes first. 64 encryption rows (make the key for encryption;
// zero the block's blockBits / 8 bytes; print the block as "PT"; initialise; encrypt the block
// into the second block; print the second block as "CT"), then 64 decryption rows (make the key
// for decryption; zero the block; initialise; decrypt the block into the second block; print
// the second block as "PT" and the block as "CT"). `tableInput` is not used. Calls: makeKey 128,
// cipherInit 128, blockEncrypt 64, blockDecrypt 64, blockPrint 256.
void rijndaelTKAT(int* stream, int blockBits, int keyBits, int* tableInput, Frame& frame);
void rijndaelTKAT(int* stream, int blockBits, int keyBits, int* tableInput);

// Intermediate values. R is 10, 12 or 14 as the larger of keyBits and blockBits is 128, 192 or
// 256; for any other larger length the call returns at once and makes no call at all. Makes the
// key for encryption; writes byte j of the block as j (j < blockBits / 8); prints it as "PT";
// initialises; for r = 1 .. R - 1 runs r rounds from the block into the second block and prints
// the second block under the round label; runs R rounds and prints the second block as "CT";
// makes the key for decryption and prints the second block as "CT" again; initialises; for
// r = 1 .. R - 1 runs R - r rounds from the second block into the block and prints the block
// under the round label; runs 0 rounds and prints the block as "PT". Calls: makeKey 2,
// cipherInit 2, cipherUpdateRounds 2R, blockPrint 2R + 2.
void rijndaelIVKAT(int* stream, int keyBits, int blockBits, Frame& frame);
void rijndaelIVKAT(int* stream, int keyBits, int blockBits);

// Runs the four known-answer generators, each for the (key, block) lengths (128, 128),
// (192, 128), (256, 128): all variable-key runs, then variable-text, table (with a fresh table
// input handle each) and intermediate-value runs. Every stream handle is the shared block. The
// four file names, in that order, are not used.
void makeKATs(const char* variableKeyFile, const char* variableTextFile, const char* tableFile,
              const char* intermediateFile);

// ---------------------------------------------------------------------------------------------
// Monte Carlo generators: 400 outer passes of 10,000 cipher calls each.
//
// Every pass writes a zero character at key-text position keyBits / 4, makes the key with
// `direction` (passed through unchanged; nonzero means decryption), prints, runs the 10,000
// calls, prints, and folds the results into the key bytes (kept in `frame.keyBytes`, never
// handed to any operation):
//   keyBits 128: key byte j ^= target byte j                        (j < 16)
//   keyBits 192: key byte j ^= other byte 8 + j (j < 8); key byte 8 + j ^= target byte j (j < 16)
//   keyBits 256: key byte j ^= other byte j (j < 16);   key byte 16 + j ^= target byte j (j < 16)
//   other lengths: no change.
// "target" is the buffer the cipher calls write into; "other" is named per generator below.
//
// Limits: the key bytes and blocks hold 256 bits, so the starting texts are decoded for at most
// 256 bits (a longer length still runs every pass and call with the length passed through).
// The terminator is written only when keyBits / 4 lies inside the key text (0 to 319).
// REQUIRES: each starting text holds 2 * ceil(min(bits, 256) / 8) readable characters for the
// length it starts.
// ---------------------------------------------------------------------------------------------

// ECB. Decodes `startBlock` into the block, then `startKey` into the key bytes. Each pass:
// makes the key; prints the block as "PT" (encryption) or "CT" (decryption); initialises the
// cipher once, ECB, null IV; 10,000 times encrypts (or decrypts) the second block into the
// block; prints the block as "CT" (or "PT"); folds with target = the block, other = the second
// block. Calls: makeKey 400, cipherInit 400, blockEncrypt or blockDecrypt 4,000,000,
// blockPrint 800.
void rijndaelECB_MCT(int* stream, const char* startKey, int keyBits, const char* startBlock,
                     int blockBits, unsigned char direction, Frame& frame);
void rijndaelECB_MCT(int* stream, const char* startKey, int keyBits, const char* startBlock,
                     int blockBits, unsigned char direction);

// CBC. Decodes `startBlock` into the block, `startIv` into the IV block, then `startKey` into
// the key bytes. Each pass: makes the key; prints the IV block as "IV"; prints the block as "PT"
// (encryption) or "CT" (decryption); 10,000 times initialises the cipher, CBC, with the IV text
// buffer, then encrypts (or decrypts) the block into the second block; prints the second block
// as "CT" (or "PT"); folds with target = the second block, other = the block (encryption) or
// the IV block (decryption). Calls: makeKey 400, cipherInit 4,000,000, blockEncrypt or
// blockDecrypt 4,000,000, blockPrint 1,200.
void rijndaelCBC_MCT(int* stream, const char* startKey, int keyBits, const char* startIv,
                     const char* startBlock, int blockBits, unsigned char direction, Frame& frame);
void rijndaelCBC_MCT(int* stream, const char* startKey, int keyBits, const char* startIv,
                     const char* startBlock, int blockBits, unsigned char direction);

// The Monte Carlo generators with their counts as arguments: `counts.passes` outer passes of
// `counts.callsPerPass` cipher calls each, every other step as above. The generators above are
// these with kMonteCarloCounts. For the fuzz target, which needs every step of a pass for many
// inputs a second and cannot afford 8 million calls an input. Calls: makeKey P, cipherInit P
// (ECB) or P * C (CBC), blockEncrypt or blockDecrypt P * C, blockPrint 2P (ECB) or 3P (CBC), for
// P passes of C calls. Counts below 0 count as 0.
struct MonteCarloCounts {
  int passes;
  int callsPerPass;
};
inline constexpr MonteCarloCounts kMonteCarloCounts{400, 10000};

void rijndaelECB_MCT(int* stream, const char* startKey, int keyBits, const char* startBlock,
                     int blockBits, unsigned char direction, Frame& frame, MonteCarloCounts counts);
void rijndaelCBC_MCT(int* stream, const char* startKey, int keyBits, const char* startIv,
                     const char* startBlock, int blockBits, unsigned char direction, Frame& frame,
                     MonteCarloCounts counts);

// The starting texts of makeMCTs: the short text (128 bits) starts the 128-bit keys, every block
// and every IV; the middle text (192 bits) and the long text (256 bits, upper case) start the
// 192- and 256-bit keys. Any valid texts of these lengths would do; these spread their bits.
inline constexpr char kShortText[33] = "0f1e2d3c4b5a69788796a5b4c3d2e1f0";
inline constexpr char kMiddleText[49] = "13579bdf02468ace8ace02469bdf13570123456789abcdef";
inline constexpr char kLongText[65] =
    "F0E1D2C3B4A5968778695A4B3C2D1E0F9C8B7A6F5E4D3C2B1A0F1E2D3C4B5A69";

// Runs the ECB generator with direction 0 for the (key text, key length) pairs (short, 128),
// (middle, 192), (long, 256), then the same with direction 1; then the CBC generator likewise,
// direction 0 then 1. Every run has a 128-bit block starting from the short text (also the IV of
// the CBC runs). Every stream handle is the shared block. The four file names are not used.
void makeMCTs(const char* ecbEncryptFile, const char* ecbDecryptFile, const char* cbcEncryptFile,
              const char* cbcDecryptFile);

}  // namespace kernels::cipher_tests::internal

#endif  // KERNELS_CIPHER_TESTS_INTERNAL_H_
