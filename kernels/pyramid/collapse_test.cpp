#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/pyramid/pyramid.h"
#include "kernels/pyramid/pyramid_oracle.h"

namespace kernels::pyramid {
namespace {

using oracle::Collapsed;

// collapse_pyr on a copy of `pyramid`, into a result array holding stale values.
Collapsed collapse(std::vector<int> pyramid, int x_size, int y_size, int levels) {
  std::vector<int> result(pyramid.size(), 0x5a5a5a5a);
  collapse_pyr(pyramid.data(), result.data(), x_size, y_size, levels);
  return {result, pyramid};
}

// A 4 x 4 pyramid of one level: bands 0, 1, 2 (column by column), 3, four values each.
std::vector<int> one_level(std::vector<int> b0, std::vector<int> b1, std::vector<int> b2,
                           std::vector<int> b3) {
  std::vector<int> p = b0;
  for (const auto* band : {&b1, &b2, &b3}) p.insert(p.end(), band->begin(), band->end());
  return p;
}

const std::vector<int> kZero4 = {0, 0, 0, 0};

// ---------------------------------------------------------------------------------------------
// Worked examples.
// ---------------------------------------------------------------------------------------------

TEST(Collapse, LowBandPointSpreadsAsHalvesAndQuarters) {
  const std::vector<int> p = one_level({8, 0, 0, 0}, kZero4, kZero4, kZero4);
  const Collapsed c = collapse(p, 4, 4, 1);
  EXPECT_EQ(c.result, (std::vector<int>{8, 4, 0, 0, 4, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(c.pyramid, p);
}

TEST(Collapse, ConstantLowBandKeepsItsValueUpToRounding) {
  EXPECT_EQ(collapse(one_level({4, 4, 4, 4}, kZero4, kZero4, kZero4), 4, 4, 1).result,
            std::vector<int>(16, 4));
  // 6 has an odd half (3), where two quarters (1 + 1) and a half differ.
  EXPECT_EQ(collapse(one_level({6, 6, 6, 6}, kZero4, kZero4, kZero4), 4, 4, 1).result,
            (std::vector<int>{6, 6, 6, 6, 6, 4, 6, 4, 6, 6, 6, 6, 6, 4, 5, 4}));
}

TEST(Collapse, DiagonalDetailAlternatesSigns) {
  const std::vector<int> p = one_level(kZero4, kZero4, kZero4, {8, 0, 0, 0});
  const Collapsed c = collapse(p, 4, 4, 1);
  EXPECT_EQ(c.result, (std::vector<int>{8, -8, 4, 0, -8, 8, -4, 0, 4, -4, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(c.pyramid, p);
}

TEST(Collapse, ColumnStoredBandIsTransposedInPlace) {
  // The second stored value of band 2 is band row 1, band column 0.
  const Collapsed c = collapse(one_level(kZero4, kZero4, {0, 8, 0, 0}, kZero4), 4, 4, 1);
  EXPECT_EQ(c.result, (std::vector<int>{0, 0, 0, 0, -4, 4, -2, 0, -8, 8, -4, 0, -8, 8, -4, 0}));
  EXPECT_EQ(c.pyramid, one_level(kZero4, kZero4, {0, 0, 8, 0}, kZero4));
}

TEST(Collapse, EachLevelIsCopiedBackAsTheNextLowBand) {
  std::vector<int> p(64, 0);
  for (int i = 0; i < 4; ++i) p[static_cast<std::size_t>(i)] = 16;
  const Collapsed c = collapse(p, 8, 8, 2);
  EXPECT_EQ(c.result, std::vector<int>(64, 16));
  for (int i = 0; i < 64; ++i)
    EXPECT_EQ(c.pyramid[static_cast<std::size_t>(i)], i < 16 ? 16 : 0) << i;
}

// ---------------------------------------------------------------------------------------------
// Edges of the contract.
// ---------------------------------------------------------------------------------------------

TEST(Collapse, NoLevelsTouchesNeitherArray) {
  std::vector<int> p = one_level({1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16});
  for (int levels : {0, -1, INT32_MIN}) {
    std::vector<int> pyramid = p, result(16, -5);
    collapse_pyr(pyramid.data(), result.data(), 4, 4, levels);
    EXPECT_EQ(pyramid, p);
    EXPECT_EQ(result, std::vector<int>(16, -5));
    EXPECT_EQ(check_pyramid(4, 4, levels), PyramidStatus::kOk);
    EXPECT_EQ(check_pyramid(-3, 0, levels), PyramidStatus::kOk);
  }
}

TEST(Collapse, InvalidSizesAreReportedAndTouchNothing) {
  struct Case {
    int x, y, levels;
    PyramidStatus status;
  };
  const Case cases[] = {
      {0, 8, 1, PyramidStatus::kNonPositiveSize},
      {8, -8, 1, PyramidStatus::kNonPositiveSize},
      {65536, 65536, 1, PyramidStatus::kTooLarge},
      {6, 8, 2, PyramidStatus::kNotMultiple},
      {8, 12, 3, PyramidStatus::kNotMultiple},
      {8, 8, 31, PyramidStatus::kNotMultiple},
      {8, 8, INT32_MAX, PyramidStatus::kNotMultiple},
      {2, 8, 1, PyramidStatus::kCoarsestTooSmall},
      {8, 8, 3, PyramidStatus::kCoarsestTooSmall},
      {1 << 20, 1 << 10, 10, PyramidStatus::kCoarsestTooSmall},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(check_pyramid(k.x, k.y, k.levels), k.status)
        << k.x << " x " << k.y << " / " << k.levels;
    EXPECT_STRNE(describe(k.status), describe(PyramidStatus::kOk));
    // Eight values each: the sanitizer build catches any access beyond them.
    std::vector<int> pyramid{1, 2, 3, 4, 5, 6, 7, 8}, result(8, 9);
    EXPECT_EQ(collapse_pyr_checked(pyramid.data(), result.data(), k.x, k.y, k.levels), k.status);
    collapse_pyr(pyramid.data(), result.data(), k.x, k.y, k.levels);
    EXPECT_EQ(pyramid, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(result, std::vector<int>(8, 9));
  }
  EXPECT_EQ(check_pyramid(4, 4, 1), PyramidStatus::kOk);
  EXPECT_EQ(check_pyramid(12, 8, 2), PyramidStatus::kOk);
  EXPECT_EQ(check_pyramid(1 << 15, 1 << 15, 14), PyramidStatus::kOk);
}

// ---------------------------------------------------------------------------------------------
// Properties against the reference.
// ---------------------------------------------------------------------------------------------

TEST(Collapse, MatchesTheTapTablesOnRandomPyramids) {
  std::mt19937 rng(8);
  struct Shape {
    int x, y, levels;
  };
  const Shape shapes[] = {{4, 4, 1},   {8, 4, 1},   {4, 12, 1},  {6, 10, 1},  {8, 8, 1},
                          {8, 8, 2},   {12, 20, 2}, {32, 16, 3}, {40, 24, 3}, {64, 64, 4},
                          {96, 32, 4}, {36, 44, 2}, {128, 64, 5}};
  std::uniform_int_distribution<int> small(-9, 9), any(INT32_MIN, INT32_MAX), pick(0, 3);
  for (const Shape& s : shapes)
    for (int trial = 0; trial < 6; ++trial) {
      ASSERT_EQ(check_pyramid(s.x, s.y, s.levels), PyramidStatus::kOk);
      std::vector<int> p(static_cast<std::size_t>(s.x) * s.y);
      // Small values (many of them 0, 1 and -1), full-range values that wrap, or a mixture.
      for (int& v : p) {
        const int kind = trial % 3 == 2 ? pick(rng) : trial % 3;
        v = kind == 0 ? small(rng) : kind == 1 ? any(rng) : kind == 2 ? 1 : 0;
      }
      const Collapsed expect = oracle::collapse(p, s.x, s.y, s.levels);
      const Collapsed got = collapse(p, s.x, s.y, s.levels);
      ASSERT_EQ(got.result, expect.result) << s.x << " x " << s.y << " / " << s.levels;
      ASSERT_EQ(got.pyramid, expect.pyramid) << s.x << " x " << s.y << " / " << s.levels;
    }
}

TEST(Collapse, TapsCountEveryCoefficientsPattern) {
  // 4 x 4 / 1 has only corner classes, 6 x 6 / 1 one middle coefficient per band, and the others
  // every class over several levels, wide and tall.
  for (const auto& [x, y, levels] : std::vector<std::array<int, 3>>{
           {4, 4, 1}, {6, 6, 1}, {8, 4, 1}, {16, 16, 2}, {32, 16, 3}, {24, 40, 2}})
    EXPECT_EQ(collapse_taps(x, y, levels), oracle::taps(x, y, levels))
        << x << " x " << y << " / " << levels;
  EXPECT_EQ(collapse_taps(4, 4, 0), 0u);  // nothing collapsed
  EXPECT_EQ(collapse_taps(6, 4, 2), 0u);  // not a multiple of 2^levels
}

}  // namespace
}  // namespace kernels::pyramid
