#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/pyramid/pyramid.h"

namespace kernels::pyramid {
namespace {

// ---------------------------------------------------------------------------------------------
// The reference: its own copy of the tap tables, typeset with minus signs and dashes and read
// cell by cell, and a plain collapse that adds every tap of every coefficient with a bounds
// check on each.
// ---------------------------------------------------------------------------------------------

// Rows (−1, −1) … (+1, +1); columns FF FM FL MF MM ML LF LM LL. "—" adds nothing.
const char* const kTables[4] = {
    R"(| (−1, −1) | — | — | — | — | q | q | — | q | q |
| (−1, 0) | — | — | — | h | h | h | h | h | h |
| (−1, +1) | — | — | — | q | q | 2q | q | q | 2q |
| (0, −1) | — | h | h | — | h | h | — | h | h |
| (0, 0) | T | T | T | T | T | T | T | T | T |
| (0, +1) | h | h | 2h | h | h | 2h | h | h | 2h |
| (+1, −1) | — | q | q | — | q | q | — | 2q | 2q |
| (+1, 0) | h | h | h | h | 2q | 2q | 2h | h + 2q | h + 2q |
| (+1, +1) | q | q | 2q | q | q | 2q | 2q | 2q | 4q |)",
    R"(| (−1, −1) | — | −h | −h | — | −q | −q | — | −q | −q |
| (−1, 0) | −2h | −2h | −2h | −h | −h | −h | −h | −h | −h |
| (−1, +1) | −h | −h | −h − 2q | −q | −q | −2q | −q | −q | −2q |
| (0, −1) | — | h | h | — | h | h | — | h | h |
| (0, 0) | T | T | T | T | T | T | T | T | T |
| (0, +1) | h | h | 2h | h | h | 2h | h | h | 2h |
| (+1, −1) | — | −q | −q | — | −q | −q | — | — | — |
| (+1, 0) | −h | −2q | −2q | −h | −2q | −2q | — | — | — |
| (+1, +1) | −q | −q | −2q | −q | −q | −2q | — | — | — |)",
    R"(| (−1, −1) | — | — | — | −h | −q | −q | −h | −q | −q |
| (−1, 0) | — | — | — | h | h | h | h | h | h |
| (−1, +1) | — | — | — | −q | −q | — | −q | −q | — |
| (0, −1) | −2h | −h | −h | −2h | −h | −h | −2h | −h | −h |
| (0, 0) | T | T | T | T | T | T | T | T | T |
| (0, +1) | −h | −h | — | −h | −h | — | −h | −h | — |
| (+1, −1) | −h | −q | −q | −h | −q | −q | −h − 2q | −2q | −2q |
| (+1, 0) | h | h | h | 2q | 2q | h | h + 2q | h + 2q | 2h |
| (+1, +1) | −q | −q | — | −q | −q | — | −2q | −2q | — |)",
    R"(| (−1, −1) | 4q | 2q | 2q | 2q | q | q | 2q | q | q |
| (−1, 0) | −2h | −2h | −2h | −h | −h | −h | −h | −h | −h |
| (−1, +1) | 2q | 2q | — | q | q | — | q | q | — |
| (0, −1) | −2h | −h | −h | −2h | −h | −h | −2h | −h | −h |
| (0, 0) | T | T | T | T | T | T | T | T | T |
| (0, +1) | −h | −h | — | −h | −h | — | −h | −h | — |
| (+1, −1) | 2q | q | q | 2q | q | q | — | — | — |
| (+1, 0) | −2q | −2q | −h | −2q | −2q | −h | — | — | — |
| (+1, +1) | q | q | — | q | q | — | — | — | — |)"};

// cells[band][tap][class], tap = (dr + 1) * 3 + (dc + 1), class = row class * 3 + column class.
using Cells = std::vector<std::vector<std::vector<std::string>>>;

Cells read_tables() {
  Cells cells(4);
  for (int b = 0; b < 4; ++b) {
    std::string_view text = kTables[b];
    while (!text.empty()) {
      std::string_view line = text.substr(0, text.find('\n'));
      text.remove_prefix(std::min(text.size(), line.size() + 1));
      std::vector<std::string> row;
      std::size_t at = line.find('|', 1);  // skip the tap's own cell
      while (true) {
        std::size_t end = line.find('|', at + 1);
        if (end == std::string_view::npos) break;
        std::string cell(line.substr(at + 1, end - at - 1));
        std::string squeezed;
        for (std::size_t i = 0; i < cell.size(); ++i) {
          if (cell.compare(i, 3, "−") == 0) {  // minus sign
            squeezed += '-';
            i += 2;
          } else if (cell.compare(i, 3, "—") == 0) {  // dash: no tap
            squeezed += '.';
            i += 2;
          } else if (cell[i] != ' ') {
            squeezed += cell[i];
          }
        }
        row.push_back(squeezed);
        at = end;
      }
      EXPECT_EQ(row.size(), 9u) << line;
      cells[static_cast<std::size_t>(b)].push_back(row);
    }
    EXPECT_EQ(cells[static_cast<std::size_t>(b)].size(), 9u);
  }
  return cells;
}

// Evaluates a cell such as "-h-2q" for the coefficient t, wrapping; *present is false for ".".
std::uint32_t tap_value(const std::string& cell, std::int32_t t, bool* present) {
  *present = cell != ".";
  if (!*present) return 0;
  const auto whole = static_cast<std::uint32_t>(t);
  const auto half = static_cast<std::uint32_t>(t >> 1);
  const auto quarter = static_cast<std::uint32_t>(t >> 2);
  std::uint32_t sum = 0;
  std::size_t i = 0;
  while (i < cell.size()) {
    std::uint32_t sign = 1;
    if (cell[i] == '-' || cell[i] == '+') sign = cell[i++] == '-' ? ~0u : 1u;
    std::uint32_t factor = 1;
    if (cell[i] >= '0' && cell[i] <= '9') factor = static_cast<std::uint32_t>(cell[i++] - '0');
    const char symbol = cell[i++];
    const std::uint32_t base = symbol == 'T' ? whole : symbol == 'h' ? half : quarter;
    EXPECT_TRUE(symbol == 'T' || symbol == 'h' || symbol == 'q') << cell;
    sum += sign * factor * base;
  }
  return sum;
}

int position_class(int index, int count) {
  return index == 0 ? 0 : index == count - 1 ? 2 : 1;
}

struct Collapsed {
  std::vector<int> result;
  std::vector<int> pyramid;
};

Collapsed reference_collapse(std::vector<int> pyramid, int x_size, int y_size, int levels) {
  static const Cells cells = read_tables();
  std::vector<int> result(pyramid.size(), 0);
  for (int l = levels - 1; l >= 0; --l) {
    const int xw = x_size >> l, yh = y_size >> l, w = xw / 2, h = yh / 2;
    std::fill(result.begin(), result.begin() + xw * yh, 0);
    for (int b : {0, 2, 1, 3}) {
      const int anchor_row = b == 1 || b == 3, anchor_column = b >= 2;
      for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) {
          // Band 2 is stored column by column.
          const int t =
              pyramid[static_cast<std::size_t>(b * w * h + (b == 2 ? j * h + i : i * w + j))];
          const int cls = position_class(i, h) * 3 + position_class(j, w);
          for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc) {
              bool present = false;
              const std::uint32_t v =
                  tap_value(cells[static_cast<std::size_t>(b)][static_cast<std::size_t>(
                                (dr + 1) * 3 + dc + 1)][static_cast<std::size_t>(cls)],
                            t, &present);
              const int r = 2 * i + anchor_row + dr, c = 2 * j + anchor_column + dc;
              const bool inside = r >= 0 && r < yh && c >= 0 && c < xw;
              if (!present) continue;
              if (!inside) {
                ADD_FAILURE() << "band " << b << " tap outside the image";
                continue;
              }
              int& x = result[static_cast<std::size_t>(r * xw + c)];
              x = static_cast<int>(static_cast<std::uint32_t>(x) + v);
            }
        }
    }
    // Band 2 ends up in row order.
    std::vector<int> band2(pyramid.begin() + 2 * w * h, pyramid.begin() + 3 * w * h);
    for (int i = 0; i < h; ++i)
      for (int j = 0; j < w; ++j)
        pyramid[static_cast<std::size_t>(2 * w * h + i * w + j)] =
            band2[static_cast<std::size_t>(j * h + i)];
    if (l > 0) std::copy(result.begin(), result.begin() + xw * yh, pyramid.begin());
  }
  return {result, pyramid};
}

Collapsed collapse(std::vector<int> pyramid, int x_size, int y_size, int levels) {
  std::vector<int> result(pyramid.size(), 0);
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
      const Collapsed expect = reference_collapse(p, s.x, s.y, s.levels);
      const Collapsed got = collapse(p, s.x, s.y, s.levels);
      ASSERT_EQ(got.result, expect.result) << s.x << " x " << s.y << " / " << s.levels;
      ASSERT_EQ(got.pyramid, expect.pyramid) << s.x << " x " << s.y << " / " << s.levels;
    }
}

}  // namespace
}  // namespace kernels::pyramid
