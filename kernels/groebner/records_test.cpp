#include <cstddef>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/groebner/groebner.h"
#include "kernels/groebner/test_support.h"

namespace kernels::groebner {
namespace {

TEST(GroebnerRecords, PrimesHoldsEveryPrimeBelow65536ThenOneAndZero) {
  std::vector<std::uint16_t> expect;
  for (int n = 2; n < 65536; ++n) {
    bool prime = true;
    for (int d = 2; d * d <= n && prime; ++d) prime = n % d != 0;
    if (prime) expect.push_back(static_cast<std::uint16_t>(n));
  }
  ASSERT_EQ(expect.size(), 6542u);
  ASSERT_EQ(static_cast<int>(expect.size()), primesize);
  expect.push_back(1);
  expect.push_back(0);
  ASSERT_EQ(primes.size(), expect.size());
  for (std::size_t i = 0; i < expect.size(); ++i) ASSERT_EQ(primes[i], expect[i]) << i;
}

TEST(GroebnerMonomials, LcmReturnsTheOneStaticVectorOfZeros) {
  short a[3] = {1, 2, 3};
  short b[3] = {4, 5, 6};
  short* first = LCM(a, b);
  short* second = LCM(b, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_NE(first, a);
  EXPECT_NE(first, b);
  for (int i = 0; i < 4000; ++i) ASSERT_EQ(first[i], 0) << i;
}

TEST(GroebnerMonomials, FixedFormOperationsReportConstantsWithoutReading) {
  short v[2] = {7, -7};
  EXPECT_EQ(divides(v, v), 1);
  EXPECT_EQ(divides(nullptr, nullptr), 1);
  EXPECT_EQ(expoequal(v, nullptr), 1);
  EXPECT_EQ(expodiv(nullptr, v), 1);
  expoadd(v, v, v);
  expomax(v, v, v);
  EXPECT_EQ(v[0], 7);
  EXPECT_EQ(v[1], -7);

  mpt r{};
  r.serial = 12;
  r.term_count = -3;
  r.lpp = v;
  const mpt before = r;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(mpolin(&r), 1);
  mpolfree(&r);
  mpolout(&r);
  EXPECT_EQ(r.serial, before.serial);
  EXPECT_EQ(r.term_count, before.term_count);
  EXPECT_EQ(LP(&r), v);
  r.lpp = nullptr;
  EXPECT_EQ(LP(&r), nullptr);
}

TEST(GroebnerMonomials, ObserverSeesEachFixedFormCallWithItsArguments) {
  testing::Calls calls;
  short a[1], b[1], out[1];
  mpt r{};
  set_observer(&calls.observer);
  expoequal(a, b);
  expoadd(a, b, out);
  short* res = LCM(b, a);
  divides(b, a);
  mpolfree(&r);
  mpolin(&r);
  mpolout(&r);
  set_observer(nullptr);
  mpolout(&r);  // no longer observed
  const std::vector<testing::Calls::Call> expect = {{'e', a, b, nullptr},
                                                    {'+', a, b, out},
                                                    {'m', b, a, res},
                                                    {'d', b, a, nullptr},
                                                    {'f', &r, nullptr, nullptr},
                                                    {'i', &r, nullptr, nullptr},
                                                    {'o', &r, nullptr, nullptr}};
  EXPECT_EQ(calls.seen, expect);
}

}  // namespace
}  // namespace kernels::groebner
