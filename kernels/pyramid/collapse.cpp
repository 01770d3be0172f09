// Pyramid collapse, laid out by position class.
//
// Each band is added in nine passes, one per position class: the interior (class MM) in one pass
// applying the full 3 x 3 pattern, then the first and last band rows, the first and last band
// columns and the four corners, each with its border form of the pattern. The patterns are the
// tap tables of taps.h; every pass is instantiated for its band and class, so the taps are
// constants, the taps that fall outside the image vanish at compile time, and no pass tests a
// bound or branches per tap. All additions wrap modulo 2^32 (done in unsigned arithmetic).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "kernels/pyramid/pyramid.h"
#include "kernels/pyramid/taps.h"

namespace kernels::pyramid {
namespace {

// One level's image geometry: the image is xw x yh, its bands W x H.
struct Level {
  int xw;
  int yh;
  int w;
  int h;
};

// Whether tap K of the pattern of (Band, Cls) adds anything, and what it adds for a coefficient
// with value t, half h and quarter q (modulo 2^32).
template <int Band, int Cls, int K>
constexpr bool kAdds = taps::kPatterns[Band][Cls].taps[K].adds();

template <int Band, int Cls, int K>
inline std::uint32_t tap_value(std::uint32_t t, std::uint32_t h, std::uint32_t q) {
  constexpr taps::Tap tap = taps::kPatterns[Band][Cls].taps[K];
  return static_cast<std::uint32_t>(tap.whole) * t + static_cast<std::uint32_t>(tap.halves) * h +
         static_cast<std::uint32_t>(tap.quarters) * q;
}

inline void add_to(int* p, std::uint32_t value) {
  *p = static_cast<int>(static_cast<std::uint32_t>(*p) + value);
}

// Row R (0 above the anchor, 1 through it, 2 below) of one coefficient's pattern, `p` at the
// anchor's column in that image row. The right tap of a coefficient falls where the left tap of
// the next one in the band row does, so it is not added at once but carried in `carry` and added
// together with that left tap: every image value is read and written once per coefficient instead
// of twice, and the next coefficient does not wait for a store of this one. The sums are modulo
// 2^32, so adding in another order gives the same bits. First: no coefficient before this one in
// the run, so nothing is carried, and the left column may lie outside the image.
template <int Band, int Cls, int R, bool First>
inline void add_pattern_row(int* p, std::uint32_t t, std::uint32_t h, std::uint32_t q,
                            std::uint32_t& carry) {
  constexpr int kLeft = 3 * R, kMiddle = 3 * R + 1, kRight = 3 * R + 2;
  if constexpr (kAdds<Band, Cls, kLeft>)
    add_to(p - 1, tap_value<Band, Cls, kLeft>(t, h, q) + carry);
  else if constexpr (kAdds<Band, Cls, kRight> && !First)
    add_to(p - 1, carry);
  if constexpr (kAdds<Band, Cls, kMiddle>) add_to(p, tap_value<Band, Cls, kMiddle>(t, h, q));
  if constexpr (kAdds<Band, Cls, kRight>) carry = tap_value<Band, Cls, kRight>(t, h, q);
}

template <int Band, int Cls, bool First>
inline void add_pattern(int* anchor, std::ptrdiff_t stride, int coefficient, std::uint32_t* carry) {
  const auto t = static_cast<std::uint32_t>(coefficient);
  const auto h = static_cast<std::uint32_t>(coefficient >> 1);
  const auto q = static_cast<std::uint32_t>(coefficient >> 2);
  add_pattern_row<Band, Cls, 0, First>(anchor - stride, t, h, q, carry[0]);
  add_pattern_row<Band, Cls, 1, First>(anchor, t, h, q, carry[1]);
  add_pattern_row<Band, Cls, 2, First>(anchor + stride, t, h, q, carry[2]);
}

// Adds the class-Cls pattern of every coefficient in band rows [i0, i1), band columns [j0, j1)
// (nothing when either is empty: a band 2 wide or high has no middle). A coefficient of 0 adds 0 at
// every tap, so it needs no test of its own: the run goes on through it, and the carries stay in
// order.
template <int Band, int Cls>
void add_class(const Level& level, int* __restrict result, const int* __restrict band, int i0,
               int i1, int j0, int j1) {
  if (j0 >= j1) return;
  const std::ptrdiff_t stride = level.xw;
  for (int i = i0; i < i1; ++i) {
    const int* coefficients = band + static_cast<std::ptrdiff_t>(i) * level.w;
    int* anchors = result + (2 * i + taps::kAnchorRow[Band]) * stride + taps::kAnchorColumn[Band];
    std::uint32_t carry[3] = {0, 0, 0};
    add_pattern<Band, Cls, true>(anchors + 2 * j0, stride, coefficients[j0], carry);
    for (int j = j0 + 1; j < j1; ++j)
      add_pattern<Band, Cls, false>(anchors + 2 * j, stride, coefficients[j], carry);
    // The last coefficient's right taps, one column right of its anchor.
    int* last = anchors + 2 * (j1 - 1) + 1;
    if constexpr (kAdds<Band, Cls, 2>) add_to(last - stride, carry[0]);
    if constexpr (kAdds<Band, Cls, 5>) add_to(last, carry[1]);
    if constexpr (kAdds<Band, Cls, 8>) add_to(last + stride, carry[2]);
  }
}

// Adds the patterns of every coefficient of band `Band` (W x H, row by row, W and H >= 2).
template <int Band>
void add_band(const Level& level, int* result, const int* band) {
  const int w = level.w;
  const int h = level.h;
  add_class<Band, taps::kMM>(level, result, band, 1, h - 1, 1, w - 1);  // interior
  add_class<Band, taps::kFM>(level, result, band, 0, 1, 1, w - 1);      // first row
  add_class<Band, taps::kLM>(level, result, band, h - 1, h, 1, w - 1);  // last row
  add_class<Band, taps::kMF>(level, result, band, 1, h - 1, 0, 1);      // first column
  add_class<Band, taps::kML>(level, result, band, 1, h - 1, w - 1, w);  // last column
  add_class<Band, taps::kFF>(level, result, band, 0, 1, 0, 1);          // corners
  add_class<Band, taps::kFL>(level, result, band, 0, 1, w - 1, w);
  add_class<Band, taps::kLF>(level, result, band, h - 1, h, 0, 1);
  add_class<Band, taps::kLL>(level, result, band, h - 1, h, w - 1, w);
}

}  // namespace

PyramidStatus check_pyramid(int x_size, int y_size, int levels) {
  if (levels <= 0) return PyramidStatus::kOk;
  if (x_size < 1 || y_size < 1) return PyramidStatus::kNonPositiveSize;
  if (static_cast<std::int64_t>(x_size) * y_size > INT32_MAX) return PyramidStatus::kTooLarge;
  // Sizes are below 2^31, so no size is a multiple of 2^levels for levels >= 31.
  if (levels >= 31) return PyramidStatus::kNotMultiple;
  const std::int64_t step = std::int64_t{1} << levels;
  if (x_size % step != 0 || y_size % step != 0) return PyramidStatus::kNotMultiple;
  if ((x_size >> levels) < 2 || (y_size >> levels) < 2) return PyramidStatus::kCoarsestTooSmall;
  return PyramidStatus::kOk;
}

const char* describe(PyramidStatus status) {
  switch (status) {
    case PyramidStatus::kOk:
      return "valid pyramid sizes";
    case PyramidStatus::kNonPositiveSize:
      return "width and height must be at least 1";
    case PyramidStatus::kTooLarge:
      return "width x height must not exceed 2^31 - 1 values";
    case PyramidStatus::kNotMultiple:
      return "width and height must be multiples of 2^levels";
    case PyramidStatus::kCoarsestTooSmall:
      return "the coarsest bands must be at least 2 x 2 (width >> levels and height >> levels "
             "at least 2)";
  }
  return "unknown pyramid status";
}

void collapse_pyr(int* pyramid, int* result, int x_size, int y_size, int levels) {
  if (levels <= 0 || check_pyramid(x_size, y_size, levels) != PyramidStatus::kOk) return;
  for (int l = levels - 1; l >= 0; --l) {
    const Level level{x_size >> l, y_size >> l, (x_size >> l) >> 1, (y_size >> l) >> 1};
    const auto pixels = static_cast<std::size_t>(level.xw) * static_cast<std::size_t>(level.yh);
    const auto band = static_cast<std::size_t>(level.w) * static_cast<std::size_t>(level.h);
    std::fill_n(result, pixels, 0);
    add_band<0>(level, result, pyramid);
    internal_int_transpose(pyramid + 2 * band, level.w, level.h);
    add_band<2>(level, result, pyramid + 2 * band);
    add_band<1>(level, result, pyramid + band);
    add_band<3>(level, result, pyramid + 3 * band);
    if (l > 0) std::copy_n(result, pixels, pyramid);
  }
}

std::uint64_t collapse_taps(int x_size, int y_size, int levels) {
  if (levels <= 0 || check_pyramid(x_size, y_size, levels) != PyramidStatus::kOk) return 0;
  std::uint64_t taps = 0;
  for (int l = levels - 1; l >= 0; --l) {
    // Band rows (columns) in each row (column) class F, M, L: the first, the middle, the last.
    const std::uint64_t w = static_cast<std::uint64_t>((x_size >> l) >> 1);
    const std::uint64_t h = static_cast<std::uint64_t>((y_size >> l) >> 1);
    const std::uint64_t rows[3] = {1, h - 2, 1}, columns[3] = {1, w - 2, 1};
    for (const auto& band : taps::kPatterns)
      for (int cls = 0; cls < taps::kClasses; ++cls) {
        std::uint64_t adding = 0;
        for (const taps::Tap& tap : band[static_cast<std::size_t>(cls)].taps) adding += tap.adds();
        taps += rows[cls / 3] * columns[cls % 3] * adding;
      }
  }
  return taps;
}

PyramidStatus collapse_pyr_checked(int* pyramid, int* result, int x_size, int y_size, int levels) {
  const PyramidStatus status = check_pyramid(x_size, y_size, levels);
  if (status == PyramidStatus::kOk) collapse_pyr(pyramid, result, x_size, y_size, levels);
  return status;
}

}  // namespace kernels::pyramid
