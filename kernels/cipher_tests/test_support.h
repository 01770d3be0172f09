// Test support: records the harness's calls through the observer, as calls with their buffers
// named by their role in a generator's frame, and checks them on the fly against an expected
// sequence written from the generators' steps; and the reference of the Monte Carlo key fold.
// Used by the tests and the fuzz target (it needs no test framework).
#ifndef KERNELS_CIPHER_TESTS_TEST_SUPPORT_H_
#define KERNELS_CIPHER_TESTS_TEST_SUPPORT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "kernels/cipher_tests/cipher_tests.h"
#include "kernels/cipher_tests/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::cipher_tests::testing {

using internal::Frame;

enum class Op : std::uint8_t { MakeKey, CipherInit, Encrypt, Decrypt, Rounds, Print };
inline constexpr int kOps = 6;

// What a pointer argument is: a member of the generator's frame, the stream handle, null, or
// anything else (also every frame member when the frame is not known).
enum class Buf : std::uint8_t {
  Null,
  Stream,
  Key,
  Cipher,
  KeyText,
  Block,
  Second,
  KeyBytes,
  IvBlock,
  IvText,
  Other
};

enum class Label : std::uint8_t { None, PT, CT, IV, Round, Other };

// One call, normalised:
//   makeKey        x = direction, y = keyBits, p0 = key, p1 = keyText, record = key->blockBits
//   cipherInit     x = mode, p0 = cipher, p1 = ivText, record = cipher->blockBits
//   block ops      x = sourceBits, y = rounds (0 unless cipherUpdateRounds),
//                  p0 = cipher, p1 = key, p2 = source, p3 = target
//   blockPrint     x = bits, p0 = stream, p1 = block, label
struct Call {
  Op op{};
  int x = 0;
  int y = 0;
  Buf p0 = Buf::Null, p1 = Buf::Null, p2 = Buf::Null, p3 = Buf::Null;
  int record = 0;
  Label label = Label::None;
  bool operator==(const Call&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Call& c) {
  static const char* const kOps[] = {"makeKey", "cipherInit", "encrypt",
                                     "decrypt", "rounds",     "print"};
  static const char* const kBufs[] = {"null",   "stream",   "key",     "cipher", "keyText", "block",
                                      "second", "keyBytes", "ivBlock", "ivText", "other"};
  static const char* const kLabels[] = {"-", "PT", "CT", "IV", "round", "other"};
  const auto buf = [](Buf b) { return kBufs[static_cast<int>(b)]; };
  return os << kOps[static_cast<int>(c.op)] << "(" << c.x << ", " << c.y << ", " << buf(c.p0)
            << ", " << buf(c.p1) << ", " << buf(c.p2) << ", " << buf(c.p3) << ", record "
            << c.record << ", " << kLabels[static_cast<int>(c.label)] << ")";
}

// A frame whose every byte is a pattern from `seed`, so that writes show.
inline Frame patterned_frame(unsigned seed) {
  Frame f;
  auto* bytes = reinterpret_cast<unsigned char*>(&f);
  for (std::size_t i = 0; i < sizeof f; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes[i] = static_cast<unsigned char>(seed >> 16 | 1);
  }
  return f;
}

// True when the two frames hold the same buffers, from the key text to the round label (the
// records are not compared: the recorder scribbles on them).
inline bool same_buffers(const Frame& a, const Frame& b) {
  constexpr std::size_t kSpan =
      offsetof(Frame, roundLabel) + sizeof a.roundLabel - offsetof(Frame, keyText);
  return std::memcmp(a.keyText, b.keyText, kSpan) == 0;
}

// What one Monte Carlo pass folds into the key bytes `key`, as the generators' fold rule reads
// it, for a key of keyBits 128, 192 or 256 (any other length folds nothing): `target` is the
// buffer the cipher calls write into, `other` the second buffer the fold reads. key holds 32
// bytes, target and other 16.
inline void fold_key(unsigned char* key, int keyBits, const unsigned char* target,
                     const unsigned char* other) {
  if (keyBits == 128) {
    for (int j = 0; j < 16; ++j) key[j] ^= target[j];
  } else if (keyBits == 192) {
    for (int j = 0; j < 8; ++j) key[j] ^= other[8 + j];
    for (int j = 0; j < 16; ++j) key[8 + j] ^= target[j];
  } else if (keyBits == 256) {
    for (int j = 0; j < 16; ++j) key[j] ^= other[j];
    for (int j = 0; j < 16; ++j) key[16 + j] ^= target[j];
  }
}

// Calls of makeKey, cipherInit, blockEncrypt, blockDecrypt, cipherUpdateRounds, blockPrint.
using Counts = std::array<std::uint64_t, kOps>;

// ---------------------------------------------------------------------------------------------
// The expected sequence: segments of calls, each repeated a number of times.
// ---------------------------------------------------------------------------------------------

class Expected {
 public:
  // With `roles` false, every frame buffer is written as Buf::Other (for runs whose frames the
  // test cannot see).
  explicit Expected(bool roles = true) : roles_(roles) {}

  void add(Call c) { repeat({c}, 1); }
  void repeat(std::vector<Call> pattern, long times) {
    if (times <= 0 || pattern.empty()) return;
    for (Call& c : pattern)
      for (Buf* b : {&c.p0, &c.p1, &c.p2, &c.p3})
        if (!roles_ && *b != Buf::Null && *b != Buf::Stream) *b = Buf::Other;
    segments_.push_back({std::move(pattern), times});
  }

  // The calls as the generators' steps write them. `record` is the block length the record
  // must hold when the call is made.
  static Call make_key(int direction, int keyBits, int blockBits) {
    return {Op::MakeKey,  direction, keyBits,   Buf::Key,
            Buf::KeyText, Buf::Null, Buf::Null, blockBits};
  }
  static Call init(int mode, Buf ivText, int blockBits) {
    return {Op::CipherInit, mode, 0, Buf::Cipher, ivText, Buf::Null, Buf::Null, blockBits};
  }
  static Call encrypt(Buf source, int bits, Buf target) {
    return {Op::Encrypt, bits, 0, Buf::Cipher, Buf::Key, source, target};
  }
  static Call decrypt(Buf source, int bits, Buf target) {
    return {Op::Decrypt, bits, 0, Buf::Cipher, Buf::Key, source, target};
  }
  static Call rounds(Buf source, int bits, Buf target, int r) {
    return {Op::Rounds, bits, r, Buf::Cipher, Buf::Key, source, target};
  }
  static Call print(Buf block, int bits, Label label) {
    Call c{Op::Print, bits, 0, Buf::Stream, block};
    c.label = label;
    return c;
  }

  struct Segment {
    std::vector<Call> pattern;
    long times;
  };
  const std::vector<Segment>& segments() const { return segments_; }

 private:
  bool roles_;
  std::vector<Segment> segments_;
};

// ---------------------------------------------------------------------------------------------
// The recorder: installed as the observer while it lives.
// ---------------------------------------------------------------------------------------------

class Recorder {
 public:
  // `frame` names the buffers (null: the frames are not visible to the test). Records are
  // scribbled over after makeKey and cipherInit report them, so that a generator that does not
  // set blockBits again before the next call is caught.
  explicit Recorder(const Frame* frame = nullptr) : frame_(frame) {
    observer_.context = this;
    observer_.makeKey = [](void* c, keyInstance* key, unsigned char d, int bits, char* text) {
      auto* r = static_cast<Recorder*>(c);
      Call call{Op::MakeKey, d, bits, r->role(key), r->role(text)};
      call.record = key != nullptr ? key->blockBits : 0;
      r->take(call);
      if (key != nullptr) key->blockBits = kScribble;
    };
    observer_.cipherInit = [](void* c, cipherInstance* cipher, unsigned char mode, char* iv) {
      auto* r = static_cast<Recorder*>(c);
      Call call{Op::CipherInit, mode, 0, r->role(cipher), r->role(iv)};
      call.record = cipher != nullptr ? cipher->blockBits : 0;
      r->take(call);
      if (cipher != nullptr) cipher->blockBits = kScribble;
    };
    observer_.blockEncrypt = [](void* c, cipherInstance* ci, keyInstance* k, unsigned char* s,
                                int bits, unsigned char* t) {
      auto* r = static_cast<Recorder*>(c);
      r->take({Op::Encrypt, bits, 0, r->role(ci), r->role(k), r->role(s), r->role(t)});
    };
    observer_.blockDecrypt = [](void* c, cipherInstance* ci, keyInstance* k, unsigned char* s,
                                int bits, unsigned char* t) {
      auto* r = static_cast<Recorder*>(c);
      r->take({Op::Decrypt, bits, 0, r->role(ci), r->role(k), r->role(s), r->role(t)});
    };
    observer_.cipherUpdateRounds = [](void* c, cipherInstance* ci, keyInstance* k, unsigned char* s,
                                      int bits, unsigned char* t, int rounds) {
      auto* r = static_cast<Recorder*>(c);
      r->take({Op::Rounds, bits, rounds, r->role(ci), r->role(k), r->role(s), r->role(t)});
    };
    observer_.blockPrint = [](void* c, int* stream, const unsigned char* block, int bits,
                              const char* label) {
      auto* r = static_cast<Recorder*>(c);
      Call call{Op::Print, bits, 0, r->role(stream), r->role(block)};
      call.label = r->label_of(label);
      r->take(call);
    };
    set_observer(&observer_);
  }
  ~Recorder() { set_observer(nullptr); }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Checks every further call against `expected` (which must outlive the check).
  void expect(const Expected& expected) { expected_ = &expected; }
  // Called with every call, after it is recorded.
  std::function<void(const Call&)> on_call;

  const Counts& counts() const { return counts_; }
  std::uint64_t count(Op op) const { return counts_[static_cast<int>(op)]; }

  // Empty when every call matched the expected sequence and all of it was seen; otherwise a
  // description of the first difference.
  std::string mismatch() const {
    if (!first_mismatch_.empty()) return first_mismatch_;
    if (expected_ != nullptr && segment_ < expected_->segments().size()) {
      std::ostringstream os;
      os << "the run ended after " << seen_
         << " calls; expected next: " << expected_->segments()[segment_].pattern[position_];
      return os.str();
    }
    return {};
  }

  static constexpr int kScribble = -77777;

 private:
  Buf role(const void* p) const {
    if (p == nullptr) return Buf::Null;
    if (p == shell::stream_handle()) return Buf::Stream;
    if (frame_ != nullptr) {
      if (p == &frame_->key) return Buf::Key;
      if (p == &frame_->cipher) return Buf::Cipher;
      if (p == frame_->keyText) return Buf::KeyText;
      if (p == frame_->block) return Buf::Block;
      if (p == frame_->secondBlock) return Buf::Second;
      if (p == frame_->keyBytes) return Buf::KeyBytes;
      if (p == frame_->ivBlock) return Buf::IvBlock;
      if (p == frame_->ivText) return Buf::IvText;
    }
    return Buf::Other;
  }

  Label label_of(const char* label) const {
    if (label == nullptr) return Label::None;
    if (frame_ != nullptr && label == frame_->roundLabel) return Label::Round;
    if (std::strcmp(label, "PT") == 0) return Label::PT;
    if (std::strcmp(label, "CT") == 0) return Label::CT;
    if (std::strcmp(label, "IV") == 0) return Label::IV;
    // Not a frame the test sees: the round label is the only other label, zeroed.
    if (frame_ == nullptr && label[0] == '\0') return Label::Round;
    return Label::Other;
  }

  void take(const Call& call) {
    ++counts_[static_cast<int>(call.op)];
    if (expected_ != nullptr && first_mismatch_.empty()) check(call);
    ++seen_;
    if (on_call) on_call(call);
  }

  void check(const Call& call) {
    const auto& segments = expected_->segments();
    if (segment_ >= segments.size()) {
      std::ostringstream os;
      os << "call " << seen_ << " is one too many: " << call;
      first_mismatch_ = os.str();
      return;
    }
    const Expected::Segment& s = segments[segment_];
    if (!(call == s.pattern[position_])) {
      std::ostringstream os;
      os << "call " << seen_ << ": got " << call << ", expected " << s.pattern[position_];
      first_mismatch_ = os.str();
      return;
    }
    if (++position_ == s.pattern.size()) {
      position_ = 0;
      if (++repetition_ == s.times) {
        repetition_ = 0;
        ++segment_;
      }
    }
  }

  const Frame* frame_;
  Observer observer_;
  const Expected* expected_ = nullptr;
  std::size_t segment_ = 0, position_ = 0;
  long repetition_ = 0;
  std::uint64_t seen_ = 0;
  std::string first_mismatch_;
  Counts counts_{};
};

// ---------------------------------------------------------------------------------------------
// The expected sequences of the six generators, written from their steps.
// ---------------------------------------------------------------------------------------------

inline void expect_variable_key(Expected& e, int keyBits, int blockBits) {
  using E = Expected;
  e.add(E::print(Buf::Block, blockBits, Label::PT));
  for (int i = 0; i < keyBits; ++i) {
    e.add(E::make_key(0, keyBits, blockBits));
    e.add(E::init(1, Buf::Null, blockBits));
    e.add(E::encrypt(Buf::Block, blockBits, Buf::Block));
    e.add(E::print(Buf::Block, blockBits, Label::CT));
    e.add(E::make_key(1, keyBits, blockBits));
    e.add(E::decrypt(Buf::Block, blockBits, Buf::Block));
  }
}

inline void expect_variable_text(Expected& e, int keyBits, int blockBits) {
  using E = Expected;
  e.add(E::make_key(0, keyBits, blockBits));
  e.repeat(
      {E::print(Buf::Block, blockBits, Label::PT), E::init(1, Buf::Null, blockBits),
       E::encrypt(Buf::Block, blockBits, Buf::Block), E::print(Buf::Block, blockBits, Label::CT)},
      blockBits);
}

inline void expect_table(Expected& e, int blockBits, int keyBits) {
  using E = Expected;
  e.repeat({E::make_key(0, keyBits, blockBits), E::print(Buf::Block, blockBits, Label::PT),
            E::init(1, Buf::Null, blockBits), E::encrypt(Buf::Block, blockBits, Buf::Second),
            E::print(Buf::Second, blockBits, Label::CT)},
           64);
  e.repeat(
      {E::make_key(1, keyBits, blockBits), E::init(1, Buf::Null, blockBits),
       E::decrypt(Buf::Block, blockBits, Buf::Second), E::print(Buf::Second, blockBits, Label::PT),
       E::print(Buf::Block, blockBits, Label::CT)},
      64);
}

// `rounds` is what the test expects R to be (0: no call at all).
inline void expect_intermediate(Expected& e, int keyBits, int blockBits, int rounds) {
  using E = Expected;
  if (rounds == 0) return;
  e.add(E::make_key(0, keyBits, blockBits));
  e.add(E::print(Buf::Block, blockBits, Label::PT));
  e.add(E::init(1, Buf::Null, blockBits));
  for (int r = 1; r < rounds; ++r) {
    e.add(E::rounds(Buf::Block, blockBits, Buf::Second, r));
    e.add(E::print(Buf::Second, blockBits, Label::Round));
  }
  e.add(E::rounds(Buf::Block, blockBits, Buf::Second, rounds));
  e.add(E::print(Buf::Second, blockBits, Label::CT));
  e.add(E::make_key(1, keyBits, blockBits));
  e.add(E::print(Buf::Second, blockBits, Label::CT));
  e.add(E::init(1, Buf::Null, blockBits));
  for (int r = 1; r < rounds; ++r) {
    e.add(E::rounds(Buf::Second, blockBits, Buf::Block, rounds - r));
    e.add(E::print(Buf::Block, blockBits, Label::Round));
  }
  e.add(E::rounds(Buf::Second, blockBits, Buf::Block, 0));
  e.add(E::print(Buf::Block, blockBits, Label::PT));
}

inline void expect_ecb(Expected& e, int keyBits, int blockBits, int direction) {
  using E = Expected;
  const Label before = direction == 0 ? Label::PT : Label::CT;
  const Label after = direction == 0 ? Label::CT : Label::PT;
  const Call cipher = direction == 0 ? E::encrypt(Buf::Second, blockBits, Buf::Block)
                                     : E::decrypt(Buf::Second, blockBits, Buf::Block);
  for (int pass = 0; pass < 400; ++pass) {
    e.add(E::make_key(direction, keyBits, blockBits));
    e.add(E::print(Buf::Block, blockBits, before));
    e.add(E::init(1, Buf::Null, blockBits));
    e.repeat({cipher}, 10000);
    e.add(E::print(Buf::Block, blockBits, after));
  }
}

inline void expect_cbc(Expected& e, int keyBits, int blockBits, int direction) {
  using E = Expected;
  const Label before = direction == 0 ? Label::PT : Label::CT;
  const Label after = direction == 0 ? Label::CT : Label::PT;
  const Call cipher = direction == 0 ? E::encrypt(Buf::Block, blockBits, Buf::Second)
                                     : E::decrypt(Buf::Block, blockBits, Buf::Second);
  for (int pass = 0; pass < 400; ++pass) {
    e.add(E::make_key(direction, keyBits, blockBits));
    e.add(E::print(Buf::IvBlock, blockBits, Label::IV));
    e.add(E::print(Buf::Block, blockBits, before));
    e.repeat({E::init(2, Buf::IvText, blockBits), cipher}, 10000);
    e.add(E::print(Buf::Second, blockBits, after));
  }
}

// The known-answer groups of the driver, in order.
inline void expect_known_answer_groups(Expected& e) {
  for (int k : {128, 192, 256}) expect_variable_key(e, k, 128);
  for (int k : {128, 192, 256}) expect_variable_text(e, k, 128);
  for (int k : {128, 192, 256}) expect_table(e, 128, k);
  expect_intermediate(e, 128, 128, 10);
  expect_intermediate(e, 192, 128, 12);
  expect_intermediate(e, 256, 128, 14);
}

// The Monte Carlo groups of the driver, in order.
inline void expect_monte_carlo_groups(Expected& e) {
  for (int d : {0, 1})
    for (int k : {128, 192, 256}) expect_ecb(e, k, 128, d);
  for (int d : {0, 1})
    for (int k : {128, 192, 256}) expect_cbc(e, k, 128, d);
}

}  // namespace kernels::cipher_tests::testing

#endif  // KERNELS_CIPHER_TESTS_TEST_SUPPORT_H_
