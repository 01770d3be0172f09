// Pyramid collapse: rebuilds an integer image from its pyramid of subbands, level by level; and
// the in-place int matrix transpose that turns one subband of each level from column-by-column
// into row-by-row order.
//
// A pyramid of an x_size x y_size image with N levels fills exactly x_size * y_size int values:
// first the low band of the coarsest level ((x_size >> N) x (y_size >> N), row by row), then for
// each level l from N - 1 down to 0 its three detail bands, each (x_size >> (l + 1)) x
// (y_size >> (l + 1)): band 1 row by row, band 2 column by column, band 3 row by row.
//
// Image values are plain 32-bit integers; every addition wraps modulo 2^32 and halves and
// quarters are arithmetic right shifts (-7 gives half -4 and quarter -2).
#ifndef KERNELS_PYRAMID_PYRAMID_H_
#define KERNELS_PYRAMID_PYRAMID_H_

#include <cstdint>

namespace kernels::pyramid {

// ---------------------------------------------------------------------------------------------
// The collapse, its size check and its sample input.
// ---------------------------------------------------------------------------------------------

// Rebuilds the x_size x y_size image from the `levels`-level pyramid at `pyramid` into `result`
// (row by row), using both arrays as working storage. For each level l from levels - 1 down to 0,
// with an image xw = x_size >> l wide and yh = y_size >> l high and bands W = xw / 2 wide and
// H = yh / 2 high: clears the first xw * yh values of `result`; adds the fixed 3 x 3 patterns of
// every coefficient of band 0 (the first W * H values of `pyramid`), of its half and of its
// quarter, with symmetric extension at the image borders; transposes band 2 in place into row
// order; adds the patterns of bands 2, 1 and 3; and, for l > 0, copies the level's image over
// the first xw * yh values of `pyramid`, where it is band 0 of the next finer level.
//
// Afterwards `result` holds the image. The pyramid is consumed: its first (x_size / 2) *
// (y_size / 2) values hold the image of level 1 (with levels == 1, the stored low band,
// unchanged), band 2 of level 0 is in row-by-row order, and bands 1 and 3 of level 0 are
// unchanged.
//
// REQUIRES: both arrays hold x_size * y_size ints and do not overlap.
// With levels <= 0, or sizes that check_pyramid rejects, neither array is read or written; use
// collapse_pyr_checked to learn why.
void collapse_pyr(int* pyramid, int* result, int x_size, int y_size, int levels);

// The taps collapse_pyr applies for these sizes: for every coefficient of every band and level,
// the taps of its position class's pattern that add anything. A coefficient of 0 counts too
// (its taps add 0). 0 when collapse_pyr would do nothing (levels <= 0 or invalid sizes).
std::uint64_t collapse_taps(int x_size, int y_size, int levels);

// Whether collapse_pyr can rebuild an x_size x y_size image from a `levels`-level pyramid.
enum class PyramidStatus {
  kOk,                // the sizes are valid, or levels <= 0 (nothing to do)
  kNonPositiveSize,   // x_size or y_size is below 1
  kTooLarge,          // x_size * y_size exceeds 2^31 - 1
  kNotMultiple,       // x_size or y_size is not a multiple of 2^levels
  kCoarsestTooSmall,  // a coarsest band would be narrower or lower than 2 (x_size >> levels < 2
                      // or y_size >> levels < 2)
};

// Checks the sizes of a pyramid for collapse_pyr. Any levels <= 0 is kOk whatever the sizes, as
// collapse_pyr then does nothing. Otherwise reports the first problem in the order of the
// enumeration. Never fails for any argument values.
PyramidStatus check_pyramid(int x_size, int y_size, int levels);

// A short English description of `status`, e.g. "width and height must be multiples of
// 2^levels". Never null.
const char* describe(PyramidStatus status);

// Checks the sizes and, when they are valid, runs collapse_pyr. Returns the check's verdict;
// on anything but kOk neither array is touched.
// REQUIRES: both arrays hold x_size * y_size ints and do not overlap (when the sizes are valid).
PyramidStatus collapse_pyr_checked(int* pyramid, int* result, int x_size, int y_size, int levels);

// The sample pyramid that the runner collapses by default and the benchmark measures, value by
// value in storage order: a shell::xorshift32 state starting at 0x2545f491 advances once per
// value; the coarsest low band, (x_size >> levels) x (y_size >> levels) values row by row, is the
// ramp 64 + 16 * (r + c); every other value is a detail coefficient (s mod 9) - 4, from -4 to 4.
// REQUIRES: check_pyramid(x_size, y_size, levels) == PyramidStatus::kOk with levels >= 1;
// pyramid holds x_size * y_size ints.
void sample_pyramid(int* pyramid, int x_size, int y_size, int levels);

// ---------------------------------------------------------------------------------------------
// The in-place transpose. collapse_pyr calls it once per level, whence its name, but it is an
// entry operation in its own right: it transposes any int matrix, and the runner, the benchmark
// and the fuzz targets call it directly.
// ---------------------------------------------------------------------------------------------

// Transposes, in place and with no extra storage, the rows x cols matrix of ints stored row by
// row at `matrix`: afterwards it holds the cols x rows transpose, row by row (the element of row
// r, column k moves from index r * cols + k to index k * rows + r). The first and last elements
// never move; matrices of at most 2 elements, one row or one column are left unchanged. Every
// size up to 2^31 - 1 elements transposes correctly, however large the index products.
// A size below 1, or rows * cols above 2^31 - 1 (more than an int can index), leaves the matrix
// untouched.
void internal_int_transpose(int* matrix, int rows, int cols);

}  // namespace kernels::pyramid

#endif  // KERNELS_PYRAMID_PYRAMID_H_
