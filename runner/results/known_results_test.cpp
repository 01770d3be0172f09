// The known results checked by routes that do not run the jobs: the worked examples, closed
// forms and the literal reference implementations that the subsystems' tests keep.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/verify/case_input.h"
#include "job/digest.h"
#include "job/int32_le.h"
#include "jobs/generated_input.h"
#include "kernels/arith_coder/arith_coder.h"
#include "kernels/arith_coder/coder_oracle.h"
#include "kernels/bisort/bisort.h"
#include "kernels/bisort/sort_oracle.h"
#include "kernels/pyramid/pyramid.h"
#include "kernels/pyramid/pyramid_oracle.h"
#include "kernels/shell/shell.h"
#include "results/known_results.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

std::vector<KnownCase> cases_of(const std::string& kernel) {
  std::vector<KnownCase> out;
  for (KnownCase& c : parse_known_results(builtin_known_results(), "table"))
    if (c.kernel == kernel) out.push_back(std::move(c));
  return out;
}

// The value after `option` in the case's args, or `fallback`.
std::string option(const KnownCase& c, const std::string& name, const std::string& fallback) {
  const auto it = std::find(c.args.begin(), c.args.end(), name);
  return it == c.args.end() || it + 1 == c.args.end() ? fallback : *(it + 1);
}

TEST(KnownResults, EveryJobHasCasesAndEachQuickCaseIsMarked) {
  std::map<std::string, int> count;
  int quick = 0;
  for (const KnownCase& c : parse_known_results(builtin_known_results(), "table")) {
    ++count[c.kernel];
    quick += c.quick;
  }
  for (const JobInfo& job : jobs())
    EXPECT_GE(count[job.name], std::string(job.name) == "cipher-tests" ? 1 : 4) << job.name;
  EXPECT_GT(quick, 0);
}

// Every element 300.0 when the driver multiplies (it gets an argument), else every element 0.
TEST(KnownResults, MatrixDigestsAreThoseOfConstantMatrices) {
  for (const KnownCase& c : cases_of("matrix")) {
    const bool multiplies = c.args.empty() || (c.args[0] == "--" && c.args.size() > 1);
    Fnv1a h;
    for (int i = 0; i < 300 * 300; ++i) h.f64(multiplies ? 300.0 : 0.0);
    EXPECT_EQ(c.digest, hex_digest(h.value())) << case_title(c);
  }
}

// Index k * R + r holds r * C + k.
TEST(KnownResults, TransposeDigestsAreThoseOfTheTransposedIndices) {
  for (const KnownCase& c : cases_of("transpose")) {
    const int rows = std::stoi(option(c, "--rows", "1024")),
              cols = std::stoi(option(c, "--cols", "768"));
    Fnv1a h;
    for (int k = 0; k < cols; ++k)
      for (int r = 0; r < rows; ++r) h.i32(r * cols + k);
    EXPECT_EQ(c.digest, hex_digest(h.value())) << case_title(c);
  }
}

// The basis is the last record whose cyclic term count is positive; no counter changes.
TEST(KnownResults, GroebnerDigestsFollowTheLastPositiveRecord) {
  for (const KnownCase& c : cases_of("groebner")) {
    const int polys = std::stoi(option(c, "--polys", "1000"));
    std::vector<int> terms;
    std::string list = option(c, "--terms", "1");
    for (std::size_t at = 0; at <= list.size();) {
      const std::size_t comma = std::min(list.find(',', at), list.size());
      terms.push_back(std::stoi(list.substr(at, comma - at)));
      at = comma + 1;
    }
    int last = -1;
    for (int i = 0; i < polys; ++i)
      if (terms[static_cast<std::size_t>(i) % terms.size()] > 0) last = i;
    Fnv1a h;
    if (last >= 0) h.i32(last);
    for (int i = 0; i < 3; ++i) h.u32(0);
    EXPECT_EQ(c.digest, hex_digest(h.value())) << case_title(c);
  }
}

void in_order(const bisort::node* n, Fnv1a& h) {
  if (n == nullptr) return;
  in_order(n->left, h);
  h.i32(n->value);
  in_order(n->right, h);
}

// The driver's tree sorted by the step-by-step reference; the quick cases only.
TEST(KnownResults, BisortDigestsMatchTheReferenceSort) {
  for (const KnownCase& c : cases_of("bisort")) {
    if (!c.quick) continue;
    const auto dashes = std::find(c.args.begin(), c.args.end(), "--");
    const int n = dashes != c.args.end() ? static_cast<int>(c.args.end() - dashes)
                                         : std::stoi(option(c, "--size", "1048576"));
    shell::arena_reset();
    Fnv1a h;
    if (n >= 2) {
      bisort::node* root = bisort::RandTree(n, 12345768, 0);
      const std::int32_t up = bisort::oracle::bisort(root, 8, 0);
      in_order(root, h);
      h.i32(up);
      const std::int32_t down = bisort::oracle::bisort(root, up, 1);
      in_order(root, h);
      h.i32(down);
    }
    shell::arena_reset();
    EXPECT_EQ(c.digest, hex_digest(h.value())) << case_title(c);
  }
}

// The image then the pyramid as the plain reference collapse leaves them; the quick cases only.
TEST(KnownResults, PyramidDigestsMatchTheReferenceCollapse) {
  for (const KnownCase& c : cases_of("pyramid")) {
    if (!c.quick) continue;
    const int w = std::stoi(option(c, "--width", "1024")),
              h = std::stoi(option(c, "--height", "1024")),
              l = std::stoi(option(c, "--levels", "4"));
    std::vector<int> pyramid(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    if (c.input.is_null())
      pyramid::sample_pyramid(pyramid.data(), w, h, l);
    else
      pyramid = int32_le_values(case_input_bytes(c.input));
    const pyramid::oracle::Collapsed out = pyramid::oracle::collapse(pyramid, w, h, l);
    Fnv1a d;
    for (int v : out.result) d.i32(v);
    for (int v : out.pyramid) d.i32(v);
    EXPECT_EQ(c.digest, hex_digest(d.value())) << case_title(c);
  }
}

// The bits of the 64-bit reference coder under the order-0 table; the quick cases only.
TEST(KnownResults, ArithCoderDigestsMatchTheReferenceCoder) {
  for (const KnownCase& c : cases_of("arith-coder")) {
    if (!c.quick) continue;
    const std::vector<std::uint8_t> bytes =
        !c.input.is_null() ? case_input_bytes(c.input)
                           : generate_input(generated_kinds().at(option(c, "--generate", "sample")),
                                            std::stoul(option(c, "--length", "251904")));
    std::vector<int> table(arith_coder::kOrder0TableSize);
    arith_coder::order0_table(bytes.data(), bytes.size(), table.data());
    arith_coder::oracle::Coder coder;
    for (std::uint8_t b : bytes) ASSERT_TRUE(coder.encode(b + 1, table));
    ASSERT_TRUE(coder.encode(arith_coder::kEndOfInput, table));
    coder.done();
    Fnv1a h;
    for (int bit : coder.bits) h.u8(static_cast<std::uint8_t>(bit));
    EXPECT_EQ(c.digest, hex_digest(h.value())) << case_title(c);
    EXPECT_EQ(c.summary["bits"], coder.bits.size()) << case_title(c);
  }
}

// The hand-traced model after "abab" and the end of input.
TEST(KnownResults, ContextModelAbabIsTheHandTrace) {
  int found = 0;
  for (const KnownCase& c : cases_of("context-model"))
    if (!c.input.is_null() && c.input.value("text", "") == "abab") {
      EXPECT_EQ(c.digest, hex_digest(abab_digest()));
      ++found;
    }
  EXPECT_EQ(found, 1);
}

TEST(KnownResults, ATableThatDoesNotParseIsAUsageErrorNamingItsLine) {
  const std::string good = R"({"kernel": "transpose", "args": [], "digest": "0123456789abcdef"})";
  EXPECT_EQ(parse_known_results("\n" + good + "\n\n", "t").size(), 1u);
  for (const std::string& bad : std::vector<std::string>{
           "{", R"({"kernel": "nosuch", "args": [], "digest": "0123456789abcdef"})",
           R"({"kernel": "transpose", "args": [], "digest": "0123456789ABCDEF"})",
           R"({"kernel": "transpose", "args": "x", "digest": "0123456789abcdef"})",
           R"({"kernel": "transpose", "digest": "0123456789abcdef"})"}) {
    try {
      parse_known_results(good + "\n" + bad, "t");
      ADD_FAILURE() << bad;
    } catch (const UsageError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("t:2: ", 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace kernels::runner
