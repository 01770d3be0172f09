// Job "cipher-tests": the cipher test-vector harness's driver, main_rijndael.
//
// The harness's cipher operations change nothing, so what a run leaves behind is the sequence of
// calls it made. The digest hashes that sequence as text, one line per call (docs/digests.md).
// A timed run measures the harness's loops and its 72,026,280 calls of the five operations,
// each a real call in every build (the operations are opaque to the optimizer).
#include <array>
#include <climits>
#include <cstring>
#include <map>
#include <string>

#include "cli/text.h"
#include "job/digest.h"
#include "job/job.h"
#include "kernels/cipher_tests/cipher_tests.h"
#include "report/bound.h"

namespace kernels::runner {
namespace {

namespace ct = kernels::cipher_tests;

// FNV-1a over a stream of text lines, a line at a time.
//
// Feeding the bytes b1..bm of a line to the state h gives h * P^m + C(h mod 256), where C
// depends only on the line: each step (h ^ b) * P differs from h * P by an amount that depends
// only on the low 8 bits of h, and the low 8 bits of each step's result depend only on the low
// 8 bits of its input. So each distinct line is reduced once to P^m and a 256-entry table, and
// hashing a line costs one multiplication, one look-up and one addition, whatever its length.
class LineHash {
 public:
  struct Line {
    std::uint64_t scale = 1;  // P^m
    std::array<std::uint64_t, 256> offset{};
    std::uint64_t length = 0;
  };

  // The reduced form of `text` (built on first use; the reference stays valid).
  const Line& line(const std::string& text) {
    auto [it, inserted] = lines_.try_emplace(text);
    Line& l = it->second;
    if (inserted) {
      l.length = text.size();
      for (std::size_t i = 0; i < text.size(); ++i) l.scale *= kFnvPrime;
      for (std::uint64_t low = 0; low < 256; ++low) {
        std::uint64_t h = low;
        for (unsigned char b : text) h = (h ^ b) * kFnvPrime;
        l.offset[low] = h - low * l.scale;
      }
    }
    return l;
  }

  void feed(const Line& l) {
    hash_ = hash_ * l.scale + l.offset[hash_ & 0xff];
    bytes_ += l.length;
  }

  std::uint64_t value() const { return hash_; }
  std::uint64_t bytes() const { return bytes_; }

 private:
  std::map<std::string, Line> lines_;
  std::uint64_t hash_ = kFnvOffsetBasis;
  std::uint64_t bytes_ = 0;
};

enum Kind { kMakeKey, kCipherInit, kEncrypt, kDecrypt, kRounds, kPrint, kKinds };
constexpr const char* kKindNames[kKinds] = {"makeKey",      "cipherInit",         "blockEncrypt",
                                            "blockDecrypt", "cipherUpdateRounds", "blockPrint"};
constexpr const char* kCounterNames[kKinds] = {"make_key",      "cipher_init",   "block_encrypt",
                                               "block_decrypt", "update_rounds", "block_print"};

// Counts every call and hashes its line. Each kind remembers its last line, so a run of equal
// calls (the Monte Carlo loops) finds its line without a look-up.
class CallStream {
 public:
  ct::Observer observer() {
    ct::Observer o;
    o.context = this;
    o.makeKey = [](void* c, ct::keyInstance*, unsigned char direction, int keyBits, char*) {
      static_cast<CallStream*>(c)->take(kMakeKey, direction, keyBits);
    };
    o.cipherInit = [](void* c, ct::cipherInstance*, unsigned char mode, char* iv) {
      static_cast<CallStream*>(c)->take(kCipherInit, mode, iv == nullptr ? 1 : 0);
    };
    o.blockEncrypt = [](void* c, ct::cipherInstance*, ct::keyInstance*, unsigned char*, int bits,
                        unsigned char*) { static_cast<CallStream*>(c)->take(kEncrypt, bits, 0); };
    o.blockDecrypt = [](void* c, ct::cipherInstance*, ct::keyInstance*, unsigned char*, int bits,
                        unsigned char*) { static_cast<CallStream*>(c)->take(kDecrypt, bits, 0); };
    o.cipherUpdateRounds = [](void* c, ct::cipherInstance*, ct::keyInstance*, unsigned char*,
                              int bits, unsigned char*, int rounds) {
      static_cast<CallStream*>(c)->take(kRounds, bits, rounds);
    };
    o.blockPrint = [](void* c, int*, const unsigned char*, int bits, const char* label) {
      static_cast<CallStream*>(c)->take(kPrint, bits, label_code(label));
    };
    return o;
  }

  std::uint64_t count(int kind) const { return counts_[kind]; }
  std::uint64_t total() const {
    std::uint64_t t = 0;
    for (std::uint64_t c : counts_) t += c;
    return t;
  }
  std::uint64_t digest() const { return hash_.value(); }
  std::uint64_t bytes() const { return hash_.bytes(); }

 private:
  // 0 "PT", 1 "CT", 2 "IV", 3 anything else (the round label). Reads at most three characters.
  static int label_code(const char* label) {
    if (label == nullptr) return 3;
    for (int code = 0; code < 3; ++code) {
      static const char* const kNames[] = {"PT", "CT", "IV"};
      if (std::strncmp(label, kNames[code], 3) == 0) return code;
    }
    return 3;
  }

  static std::string text(int kind, int a, int b) {
    std::string t = kKindNames[kind];
    t += ' ';
    t += std::to_string(a);
    switch (kind) {
      case kMakeKey:
      case kCipherInit:
      case kRounds:
        t += ' ';
        t += std::to_string(b);
        break;
      case kPrint:
        t += ' ';
        t += b == 0 ? "PT" : b == 1 ? "CT" : b == 2 ? "IV" : "round";
        break;
      default:
        break;
    }
    t += '\n';
    return t;
  }

  void take(int kind, int a, int b) {
    ++counts_[kind];
    Last& last = last_[kind];
    if (last.line == nullptr || last.a != a || last.b != b)
      last = {a, b, &hash_.line(text(kind, a, b))};
    hash_.feed(*last.line);
  }

  struct Last {
    int a = INT_MIN, b = INT_MIN;
    const LineHash::Line* line = nullptr;
  };
  std::array<Last, kKinds> last_{};
  std::array<std::uint64_t, kKinds> counts_{};
  LineHash hash_;
};

class CipherTestsJob : public Job {
 public:
  std::vector<std::string> args() const override { return {}; }
  void prepare() override { observed_ = false; }
  void run() override { result_ = ct::main_rijndael(); }

  Json run_observed() override {
    stream_ = CallStream();
    const ct::Observer observer = stream_.observer();
    ct::set_observer(&observer);
    run();
    ct::set_observer(nullptr);
    Json calls = Json::object();
    for (int k = 0; k < kKinds; ++k) calls[kKindNames[k]] = stream_.count(k);
    observed_ = true;
    return calls;
  }

  // The harness leaves nothing but its calls, which only the observer sees.
  Json summary() const override {
    if (!observed_)
      return Json{{"result", result_},
                  {"calls", nullptr},
                  {"block_operations", nullptr},
                  {"stream_bytes", nullptr}};
    return Json{{"result", result_},
                {"calls", stream_.total()},
                {"block_operations",
                 stream_.count(kEncrypt) + stream_.count(kDecrypt) + stream_.count(kRounds)},
                {"stream_bytes", stream_.bytes()}};
  }

  std::optional<std::uint64_t> digest() const override {
    if (!observed_) return std::nullopt;
    return stream_.digest();
  }

  // The calls of the cipher operations, which only the observed run counts.
  std::optional<Work> work() const override {
    if (!observed_) return std::nullopt;
    Work w{static_cast<double>(stream_.total()), "calls"};
    for (int k = 0; k < kKinds; ++k)
      w.counters.push_back({kCounterNames[k], static_cast<double>(stream_.count(k))});
    return w;
  }

  // The harness does nothing but call the operations: at best each call costs what a call of an
  // empty function the compiler cannot see into costs.
  std::optional<Bound> bound(const Work& w, const Ceilings& c) const override {
    if (w.n <= 0) return std::nullopt;
    return Bound{w.n * c.call, "call cost", count_text(w.n) + " calls"};
  }

 private:
  int result_ = -1;
  CallStream stream_;
  bool observed_ = false;
};

const JobRegistration kCipherTests{
    {70,
     "cipher-tests",
     "run the cipher test-vector harness: 12 known-answer and 12 Monte Carlo generator runs",
     nullptr,
     &make_job<CipherTestsJob>,
     {{"cipher-tests", "cipher-tests: its run (no size option)", "--warmup 0 --repeat 1", false}}}};

}  // namespace
}  // namespace kernels::runner
