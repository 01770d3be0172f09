// Multiplies small matrices built from the fuzz input and checks the product, bit for bit,
// (NaN payloads aside) against the literal i-j-k loop, also with c sharing a's storage.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "kernels/matrix/literal_product.h"
#include "kernels/matrix/matrix.h"
#include "kernels/shell/shell.h"

namespace {

using kernels::matrix::initmatx;

double take(const std::uint8_t*& data, std::size_t& size) {
  double v = 0;
  if (size >= sizeof v) {
    std::memcpy(&v, data, sizeof v);
    data += sizeof v;
    size -= sizeof v;
  } else if (size > 0) {
    v = static_cast<double>(static_cast<std::int8_t>(*data)) / 4;
    ++data;
    --size;
  }
  return v;
}

// Bit for bit, except that any NaN matches any NaN: which operand's payload an addition passes on
// is the processor's choice, and the compiler may swap the operands of an addition.
bool same(double x, double y) {
  return std::memcmp(&x, &y, sizeof x) == 0 || (std::isnan(x) && std::isnan(y));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int n = data[0] % 9;
  const bool alias = (data[1] & 1) != 0;
  data += 2;
  size -= 2;
  kernels::shell::arena_reset();
  double** a = initmatx(n);
  double** b = initmatx(n);
  double** c = alias ? a : initmatx(n);
  double** ra = initmatx(n);
  double** rb = initmatx(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      ra[i][j] = a[i][j] = take(data, size);
      rb[i][j] = b[i][j] = take(data, size);
      if (!alias) c[i][j] = take(data, size);
    }
  double** rc = alias ? ra : initmatx(n);
  if (!alias)
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) rc[i][j] = c[i][j];
  kernels::matrix::internal::literal_product(n, rc, ra, rb);
  kernels::matrix::matxmult(n, c, a, b);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      if (!same(c[i][j], rc[i][j])) std::abort();
  return 0;
}
