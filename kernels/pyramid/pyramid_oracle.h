// A plain pyramid collapse and transpose, the oracle of the tests and the fuzz target: the tap
// tables in their own copy, typeset with minus signs and dashes and read cell by cell, every tap of
// every coefficient added with a bounds check, band 2 read column by column where it is stored, and
// an out-of-place transpose. Slow and simple on purpose. Not installed.
#ifndef KERNELS_PYRAMID_PYRAMID_ORACLE_H_
#define KERNELS_PYRAMID_PYRAMID_ORACLE_H_

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace kernels::pyramid::oracle {

// Out of place: element (r, k) of the rows x cols matrix m goes to index k * rows + r.
inline std::vector<int> transpose(const std::vector<int>& m, int rows, int cols) {
  std::vector<int> t(m.size());
  for (int r = 0; r < rows; ++r)
    for (int k = 0; k < cols; ++k)
      t[static_cast<std::size_t>(k) * static_cast<std::size_t>(rows) +
        static_cast<std::size_t>(r)] =
          m[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) +
            static_cast<std::size_t>(k)];
  return t;
}

// Rows (−1, −1) … (+1, +1); columns FF FM FL MF MM ML LF LM LL. "—" adds nothing.
inline const char* const kTables[4] = {
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

// What one cell adds: whole * T + halves * (T >> 1) + quarters * (T >> 2); nothing when absent.
struct Cell {
  bool present = false;
  int whole = 0, halves = 0, quarters = 0;
};

// Reads a cell such as "−h − 2q" (minus signs U+2212, "—" for no tap).
inline Cell read_cell(std::string_view text) {
  std::string squeezed;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "−") == 0) {
      squeezed += '-';
      i += 2;
    } else if (text.compare(i, 3, "—") == 0) {
      squeezed += '.';
      i += 2;
    } else if (text[i] != ' ') {
      squeezed += text[i];
    }
  }
  Cell cell;
  if (squeezed == ".") return cell;
  cell.present = true;
  std::size_t i = 0;
  while (i < squeezed.size()) {
    int sign = 1;
    if (squeezed[i] == '-' || squeezed[i] == '+') sign = squeezed[i++] == '-' ? -1 : 1;
    int factor = 1;
    if (i < squeezed.size() && squeezed[i] >= '0' && squeezed[i] <= '9')
      factor = squeezed[i++] - '0';
    const char symbol = i < squeezed.size() ? squeezed[i++] : '?';
    int& weight = symbol == 'T' ? cell.whole : symbol == 'h' ? cell.halves : cell.quarters;
    if (symbol != 'T' && symbol != 'h' && symbol != 'q') std::abort();
    weight += sign * factor;
  }
  return cell;
}

// cells[band][tap][class], tap = (dr + 1) * 3 + (dc + 1), class = row class * 3 + column class.
using Cells = std::vector<std::vector<std::vector<Cell>>>;

inline Cells read_tables() {
  Cells cells(4);
  for (std::size_t b = 0; b < 4; ++b) {
    std::string_view text = kTables[b];
    while (!text.empty()) {
      std::string_view line = text.substr(0, text.find('\n'));
      text.remove_prefix(std::min(text.size(), line.size() + 1));
      std::vector<Cell> row;
      std::size_t at = line.find('|', 1);  // skip the tap's own cell
      for (std::size_t end; (end = line.find('|', at + 1)) != std::string_view::npos; at = end)
        row.push_back(read_cell(line.substr(at + 1, end - at - 1)));
      if (row.size() != 9) std::abort();
      cells[b].push_back(row);
    }
    if (cells[b].size() != 9) std::abort();
  }
  return cells;
}

// The value a cell adds for the coefficient t, wrapping modulo 2^32.
inline std::uint32_t tap_value(const Cell& cell, std::int32_t t) {
  return static_cast<std::uint32_t>(cell.whole) * static_cast<std::uint32_t>(t) +
         static_cast<std::uint32_t>(cell.halves) * static_cast<std::uint32_t>(t >> 1) +
         static_cast<std::uint32_t>(cell.quarters) * static_cast<std::uint32_t>(t >> 2);
}

inline int position_class(int index, int count) {
  return index == 0 ? 0 : index == count - 1 ? 2 : 1;
}

struct Collapsed {
  std::vector<int> result;
  std::vector<int> pyramid;
};

// The image and the pyramid after a collapse of `pyramid` (x_size x y_size values, `levels`
// levels; the sizes must be valid for collapse_pyr). Aborts if a table cell does not read or a
// tap that adds something falls outside the image.
inline Collapsed collapse(std::vector<int> pyramid, int x_size, int y_size, int levels) {
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
              const Cell& cell = cells[static_cast<std::size_t>(b)][static_cast<std::size_t>(
                  (dr + 1) * 3 + dc + 1)][static_cast<std::size_t>(cls)];
              if (!cell.present) continue;
              const int r = 2 * i + anchor_row + dr, c = 2 * j + anchor_column + dc;
              if (r < 0 || r >= yh || c < 0 || c >= xw) std::abort();  // outside the image
              const std::uint32_t v = tap_value(cell, t);
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

// The taps a collapse of these sizes applies: the present cells of every coefficient's class,
// counted coefficient by coefficient.
inline std::uint64_t taps(int x_size, int y_size, int levels) {
  static const Cells cells = read_tables();
  std::uint64_t count = 0;
  for (int l = levels - 1; l >= 0; --l) {
    const int w = (x_size >> l) / 2, h = (y_size >> l) / 2;
    for (int b = 0; b < 4; ++b)
      for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j)
          for (int tap = 0; tap < 9; ++tap)
            count +=
                cells[static_cast<std::size_t>(b)][static_cast<std::size_t>(tap)]
                     [static_cast<std::size_t>(position_class(i, h) * 3 + position_class(j, w))]
                         .present;
  }
  return count;
}

}  // namespace kernels::pyramid::oracle

#endif  // KERNELS_PYRAMID_PYRAMID_ORACLE_H_
