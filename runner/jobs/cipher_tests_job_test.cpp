#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "job/digest.h"
#include "job/job.h"
#include "kernels/cipher_tests/cipher_tests.h"
#include "results/known_results.h"
#include "run/run_plan.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

namespace ct = kernels::cipher_tests;

// The digest's definition, done the plain way: every call written as its text line with printf
// and hashed byte by byte. Each kind of call keeps its last line and formats again only when its
// numbers change.
struct PlainDigest {
  Fnv1a hash;
  std::uint64_t bytes = 0;
  struct Line {
    int a = -1, b = -1;
    char text[64] = {};
    std::size_t length = 0;
  };
  std::array<Line, 6> last;

  void add(int kind, int a, int b) {
    Line& l = last[kind];
    if (l.length == 0 || l.a != a || l.b != b) {
      l.a = a;
      l.b = b;
      static const char* const kLabels[] = {"PT", "CT", "IV", "round"};
      switch (kind) {
        case 0:
          std::snprintf(l.text, sizeof l.text, "makeKey %d %d\n", a, b);
          break;
        case 1:
          std::snprintf(l.text, sizeof l.text, "cipherInit %d %d\n", a, b);
          break;
        case 2:
          std::snprintf(l.text, sizeof l.text, "blockEncrypt %d\n", a);
          break;
        case 3:
          std::snprintf(l.text, sizeof l.text, "blockDecrypt %d\n", a);
          break;
        case 4:
          std::snprintf(l.text, sizeof l.text, "cipherUpdateRounds %d %d\n", a, b);
          break;
        default:
          std::snprintf(l.text, sizeof l.text, "blockPrint %d %s\n", a, kLabels[b]);
      }
      l.length = std::strlen(l.text);
    }
    hash.bytes(l.text, l.length);
    bytes += l.length;
  }

  static int label(const char* l) {
    const char* const known[] = {"PT", "CT", "IV"};
    for (int i = 0; i < 3; ++i)
      if (l != nullptr && std::strcmp(l, known[i]) == 0) return i;
    return 3;
  }

  ct::Observer observer() {
    ct::Observer o;
    o.context = this;
    o.makeKey = [](void* c, ct::keyInstance*, unsigned char d, int bits, char*) {
      static_cast<PlainDigest*>(c)->add(0, d, bits);
    };
    o.cipherInit = [](void* c, ct::cipherInstance*, unsigned char mode, char* iv) {
      static_cast<PlainDigest*>(c)->add(1, mode, iv == nullptr ? 1 : 0);
    };
    o.blockEncrypt = [](void* c, ct::cipherInstance*, ct::keyInstance*, unsigned char*, int bits,
                        unsigned char*) { static_cast<PlainDigest*>(c)->add(2, bits, 0); };
    o.blockDecrypt = [](void* c, ct::cipherInstance*, ct::keyInstance*, unsigned char*, int bits,
                        unsigned char*) { static_cast<PlainDigest*>(c)->add(3, bits, 0); };
    o.cipherUpdateRounds = [](void* c, ct::cipherInstance*, ct::keyInstance*, unsigned char*,
                              int bits, unsigned char*,
                              int rounds) { static_cast<PlainDigest*>(c)->add(4, bits, rounds); };
    o.blockPrint = [](void* c, int*, const unsigned char*, int bits, const char* l) {
      static_cast<PlainDigest*>(c)->add(5, bits, label(l));
    };
    return o;
  }
};

std::unique_ptr<Job> make_job() {
  const JobInfo* info = find_job("cipher-tests");
  EXPECT_NE(info, nullptr);
  return info->make();
}

TEST(CipherTestsJob, CountsEveryCallTheDriverMakes) {
  auto job = make_job();
  const Json calls = job->run_observed();
  // What the generators' tables add up to over the driver's 24 generator runs.
  EXPECT_EQ(calls, (Json{{"makeKey", 6345},
                         {"cipherInit", 24003750},
                         {"blockEncrypt", 24001152},
                         {"blockDecrypt", 24000768},
                         {"cipherUpdateRounds", 72},
                         {"blockPrint", 14193}}));
  const Json summary = job->summary();
  EXPECT_EQ(summary["result"], 0);
  EXPECT_EQ(summary["calls"], 72026280);
  EXPECT_EQ(summary["block_operations"], 48001992);
}

TEST(CipherTestsJob, DigestIsFnv1aOfTheCallLines) {
  PlainDigest plain;
  const ct::Observer o = plain.observer();
  ct::set_observer(&o);
  EXPECT_EQ(ct::main_rijndael(), 0);
  ct::set_observer(nullptr);

  auto job = make_job();
  job->run_observed();
  EXPECT_EQ(job->digest(), plain.hash.value());
  EXPECT_EQ(job->summary()["stream_bytes"], plain.bytes);
  // The known result is the digest of the plain route too.
  int known = 0;
  for (const KnownCase& c : parse_known_results(builtin_known_results(), "table"))
    if (c.kernel == "cipher-tests") {
      EXPECT_EQ(c.digest, hex_digest(plain.hash.value()));
      EXPECT_EQ(c.summary["stream_bytes"], plain.bytes);
      ++known;
    }
  EXPECT_EQ(known, 1);
  // The same again on a second run.
  const std::optional<std::uint64_t> first = job->digest();
  job->run_observed();
  EXPECT_EQ(job->digest(), first);
}

TEST(CipherTestsJob, TakesNoOptionsAndNoArguments) {
  EXPECT_THROW(configure_job("cipher-tests", {"--size", "3"}), UsageError);
  EXPECT_THROW(configure_job("cipher-tests", {"--", "x"}), UsageError);
  EXPECT_TRUE(configure_job("cipher-tests", {})->args().empty());
}

}  // namespace
}  // namespace kernels::runner
