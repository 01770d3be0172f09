// The synthesis patterns of the pyramid collapse, as data: for each of the four bands and each
// of the nine position classes, the value that a coefficient T adds at each of the nine image
// positions around its anchor. Private to the subsystem.
//
// A position class is a row class then a column class: F for the first band row (column), L for
// the last, M for any other. A tap (dr, dc), dr and dc each -1, 0 or +1, adds to the image value
// at (anchor row + dr, anchor column + dc).
//
// Tap values are written in the tables' own notation: T the coefficient, h = T >> 1, q = T >> 2
// (arithmetic shifts), multiples and sums of them ("2h", "4q", "h+2q", "-h-2q"), and "." for a
// tap that falls outside the image and adds nothing. A leading minus negates the whole shifted
// value: "-h" is -(T >> 1).
#ifndef KERNELS_PYRAMID_TAPS_H_
#define KERNELS_PYRAMID_TAPS_H_

#include <array>
#include <string_view>

namespace kernels::pyramid::taps {

// One tap: whole * T + halves * h + quarters * q. All zero: the tap adds nothing.
struct Tap {
  int whole = 0;
  int halves = 0;
  int quarters = 0;
  bool malformed = false;  // the text did not parse (rejected at compile time below)

  constexpr bool adds() const { return whole != 0 || halves != 0 || quarters != 0; }
};

// Position classes in table order (row class * 3 + column class, F = 0, M = 1, L = 2).
enum Class : int { kFF, kFM, kFL, kMF, kMM, kML, kLF, kLM, kLL };
constexpr int kClasses = 9;

// Index of tap (dr, dc) within a pattern.
constexpr int tap_index(int dr, int dc) {
  return (dr + 1) * 3 + (dc + 1);
}

struct Pattern {
  std::array<Tap, 9> taps{};
};

// Parses one tap text: "." or a signed sum of terms [digit](T|h|q), e.g. "-h-2q".
constexpr Tap parse_tap(std::string_view text) {
  Tap tap;
  if (text == ".") return tap;
  std::size_t at = 0;
  bool any = false;
  while (at < text.size()) {
    int sign = 1;
    if (text[at] == '+' || text[at] == '-') {
      sign = text[at] == '-' ? -1 : 1;
      ++at;
    } else if (any) {
      tap.malformed = true;
      return tap;
    }
    int factor = 1;
    if (at < text.size() && text[at] >= '1' && text[at] <= '9') factor = text[at++] - '0';
    if (at >= text.size()) {
      tap.malformed = true;
      return tap;
    }
    switch (text[at++]) {
      case 'T':
        tap.whole += sign * factor;
        break;
      case 'h':
        tap.halves += sign * factor;
        break;
      case 'q':
        tap.quarters += sign * factor;
        break;
      default:
        tap.malformed = true;
        return tap;
    }
    any = true;
  }
  tap.malformed = tap.malformed || !any;
  return tap;
}

// A band's table: one line per tap in the order (-1,-1), (-1,0), (-1,+1), (0,-1), ..., (+1,+1),
// each with nine entries for the classes FF FM FL MF MM ML LF LM LL.
using TableText = std::array<std::string_view, 9>;

constexpr std::array<Pattern, kClasses> parse_table(const TableText& lines) {
  std::array<Pattern, kClasses> patterns{};
  for (int t = 0; t < 9; ++t) {
    std::string_view line = lines[static_cast<std::size_t>(t)];
    int cls = 0;
    std::size_t at = 0;
    while (true) {
      while (at < line.size() && line[at] == ' ') ++at;
      if (at >= line.size()) break;
      std::size_t end = at;
      while (end < line.size() && line[end] != ' ') ++end;
      Tap tap = parse_tap(line.substr(at, end - at));
      if (cls >= kClasses) tap.malformed = true;
      patterns[static_cast<std::size_t>(cls < kClasses ? cls : kClasses - 1)]
          .taps[static_cast<std::size_t>(t)] = tap;
      ++cls;
      at = end;
    }
    if (cls != kClasses) patterns[0].taps[static_cast<std::size_t>(t)].malformed = true;
  }
  return patterns;
}

// clang-format off
//                     FF    FM    FL    MF    MM    ML    LF    LM    LL
constexpr TableText kBand0 = {
    /* (-1,-1) */ ".     .     .     .     q     q     .     q     q",
    /* (-1, 0) */ ".     .     .     h     h     h     h     h     h",
    /* (-1,+1) */ ".     .     .     q     q     2q    q     q     2q",
    /* ( 0,-1) */ ".     h     h     .     h     h     .     h     h",
    /* ( 0, 0) */ "T     T     T     T     T     T     T     T     T",
    /* ( 0,+1) */ "h     h     2h    h     h     2h    h     h     2h",
    /* (+1,-1) */ ".     q     q     .     q     q     .     2q    2q",
    /* (+1, 0) */ "h     h     h     h     2q    2q    2h    h+2q  h+2q",
    /* (+1,+1) */ "q     q     2q    q     q     2q    2q    2q    4q",
};
constexpr TableText kBand1 = {
    /* (-1,-1) */ ".     -h    -h    .     -q    -q    .     -q    -q",
    /* (-1, 0) */ "-2h   -2h   -2h   -h    -h    -h    -h    -h    -h",
    /* (-1,+1) */ "-h    -h    -h-2q -q    -q    -2q   -q    -q    -2q",
    /* ( 0,-1) */ ".     h     h     .     h     h     .     h     h",
    /* ( 0, 0) */ "T     T     T     T     T     T     T     T     T",
    /* ( 0,+1) */ "h     h     2h    h     h     2h    h     h     2h",
    /* (+1,-1) */ ".     -q    -q    .     -q    -q    .     .     .",
    /* (+1, 0) */ "-h    -2q   -2q   -h    -2q   -2q   .     .     .",
    /* (+1,+1) */ "-q    -q    -2q   -q    -q    -2q   .     .     .",
};
constexpr TableText kBand2 = {
    /* (-1,-1) */ ".     .     .     -h    -q    -q    -h    -q    -q",
    /* (-1, 0) */ ".     .     .     h     h     h     h     h     h",
    /* (-1,+1) */ ".     .     .     -q    -q    .     -q    -q    .",
    /* ( 0,-1) */ "-2h   -h    -h    -2h   -h    -h    -2h   -h    -h",
    /* ( 0, 0) */ "T     T     T     T     T     T     T     T     T",
    /* ( 0,+1) */ "-h    -h    .     -h    -h    .     -h    -h    .",
    /* (+1,-1) */ "-h    -q    -q    -h    -q    -q    -h-2q -2q   -2q",
    /* (+1, 0) */ "h     h     h     2q    2q    h     h+2q  h+2q  2h",
    /* (+1,+1) */ "-q    -q    .     -q    -q    .     -2q   -2q   .",
};
constexpr TableText kBand3 = {
    /* (-1,-1) */ "4q    2q    2q    2q    q     q     2q    q     q",
    /* (-1, 0) */ "-2h   -2h   -2h   -h    -h    -h    -h    -h    -h",
    /* (-1,+1) */ "2q    2q    .     q     q     .     q     q     .",
    /* ( 0,-1) */ "-2h   -h    -h    -2h   -h    -h    -2h   -h    -h",
    /* ( 0, 0) */ "T     T     T     T     T     T     T     T     T",
    /* ( 0,+1) */ "-h    -h    .     -h    -h    .     -h    -h    .",
    /* (+1,-1) */ "2q    q     q     2q    q     q     .     .     .",
    /* (+1, 0) */ "-2q   -2q   -h    -2q   -2q   -h    .     .     .",
    /* (+1,+1) */ "q     q     .     q     q     .     .     .     .",
};
// clang-format on

// kPatterns[band][class]: the pattern that a coefficient of `band` in position class `class`
// adds around its anchor.
constexpr std::array<std::array<Pattern, kClasses>, 4> kPatterns = {
    parse_table(kBand0), parse_table(kBand1), parse_table(kBand2), parse_table(kBand3)};

// Every table entry parses, and every class adds the coefficient itself at its anchor and
// nowhere else: the anchor tap is what makes a skipped coefficient of 0 (and only 0) harmless.
constexpr bool tables_are_well_formed() {
  for (const auto& band : kPatterns)
    for (const Pattern& p : band)
      for (int t = 0; t < 9; ++t) {
        const Tap& tap = p.taps[static_cast<std::size_t>(t)];
        if (tap.malformed) return false;
        if (tap.whole != (t == tap_index(0, 0) ? 1 : 0)) return false;
        if (t == tap_index(0, 0) && (tap.halves != 0 || tap.quarters != 0)) return false;
      }
  return true;
}
static_assert(tables_are_well_formed(), "a tap table entry does not parse");

// Image position of the anchor of band row i, band column j: (2i + kAnchorRow[band],
// 2j + kAnchorColumn[band]). Bands 1 and 3 are high-pass vertically, bands 2 and 3
// horizontally.
constexpr int kAnchorRow[4] = {0, 1, 0, 1};
constexpr int kAnchorColumn[4] = {0, 0, 1, 1};

// Every tap that adds something stays inside the image, for every band size of at least 2 x 2:
// in the first band row the anchor is in image row kAnchorRow (a tap above it needs 1), in the
// last band row it is in row 2H - 2 + kAnchorRow (a tap below it needs 0), and the same for
// columns. So a pass over one class needs no bounds test.
constexpr bool taps_stay_inside() {
  for (int b = 0; b < 4; ++b)
    for (int c = 0; c < kClasses; ++c)
      for (int dr = -1; dr <= 1; ++dr)
        for (int dc = -1; dc <= 1; ++dc) {
          if (!kPatterns[static_cast<std::size_t>(b)][static_cast<std::size_t>(c)]
                   .taps[static_cast<std::size_t>(tap_index(dr, dc))]
                   .adds())
            continue;
          const int row_class = c / 3;
          const int column_class = c % 3;
          if (row_class == 0 && dr < 0 && kAnchorRow[b] == 0) return false;
          if (row_class == 2 && dr > 0 && kAnchorRow[b] == 1) return false;
          if (column_class == 0 && dc < 0 && kAnchorColumn[b] == 0) return false;
          if (column_class == 2 && dc > 0 && kAnchorColumn[b] == 1) return false;
        }
  return true;
}
static_assert(taps_stay_inside(), "a border class adds outside the image");

}  // namespace kernels::pyramid::taps

#endif  // KERNELS_PYRAMID_TAPS_H_
