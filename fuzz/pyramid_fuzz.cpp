// Collapses random valid pyramids (sizes, levels and values from the fuzz input, up to 32 x 32)
// and compares image and pyramid with the tests' plain collapse; transposes random matrices (up
// to 64 x 64) and compares them with the out-of-place transpose. Small sizes already have every
// position class, bands of two rows or columns with no middle class, and transposes of one row
// or one column; the large images are the tests' business.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "kernels/pyramid/pyramid.h"
#include "kernels/pyramid/pyramid_oracle.h"
#include "kernels/shell/shell.h"
#include "oracles.h"

namespace {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  // The next input byte; once the input is used up, bytes from an xorshift32 sequence seeded by
  // it, so that short inputs still fill every band of a large pyramid.
  std::uint8_t byte() {
    if (size_ == 0) return static_cast<std::uint8_t>(kernels::shell::xorshift32(state_) >> 24);
    --size_;
    state_ = (state_ ^ *data_) * 0x01000193u;
    return *data_++;
  }
  // A coefficient: small (many of them 0 and 1), moderate, or any 32-bit value.
  int value() {
    const std::uint8_t kind = byte();
    if (kind < 128) return static_cast<int>(kind % 19) - 9;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | byte();
    if (kind < 192) return static_cast<int>(v % 4096) - 2048;
    return static_cast<int>(v);
  }
  // A matrix side: 1 to 32, or up to 64 when the first byte is odd.
  int side() {
    const int low = byte();
    const int high = (low & 1) != 0 ? byte() % 32 : 0;
    return 1 + low % 32 + high;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::uint32_t state_ = 0x811c9dc5u;
};

void check_collapse(Input& in) {
  const int levels = 1 + in.byte() % 4;
  // Coarsest band sizes from 2 up to what keeps the image within 32 x 32, mostly small.
  const int most = 32 >> levels;
  auto coarsest = [&] {
    const int b = in.byte();
    return 2 + b % ((b & 0x80) != 0 ? most - 1 : std::min(most - 1, 4));
  };
  const int x_size = coarsest() << levels;
  const int y_size = coarsest() << levels;
  if (kernels::pyramid::check_pyramid(x_size, y_size, levels) !=
      kernels::pyramid::PyramidStatus::kOk)
    std::abort();
  const auto count = static_cast<std::size_t>(x_size) * static_cast<std::size_t>(y_size);
  std::vector<int> pyramid(count);
  for (int& v : pyramid) v = in.value();
  const kernels::pyramid::oracle::Collapsed expect =
      kernels::fuzz_oracles::pyramid_collapse(pyramid, x_size, y_size, levels);
  std::vector<int> result(count, 0x5a5a5a5a);  // stale values the collapse must clear
  kernels::pyramid::collapse_pyr(pyramid.data(), result.data(), x_size, y_size, levels);
  if (result != expect.result || pyramid != expect.pyramid) std::abort();
}

void check_transpose(Input& in) {
  const int rows = in.side();
  const int cols = in.side();
  std::vector<int> m(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
  for (int& v : m) v = in.value();
  const std::vector<int> expect = kernels::fuzz_oracles::pyramid_transpose(m, rows, cols);
  kernels::pyramid::internal_int_transpose(m.data(), rows, cols);
  if (m != expect) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Input in(data + 1, size - 1);
  if (data[0] & 1) {
    check_transpose(in);
  } else {
    check_collapse(in);
  }
  return 0;
}
