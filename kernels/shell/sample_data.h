// Sample data and input files. The kernels' sample inputs, the runner's generated inputs and the
// fuzz targets draw from one generator; int32 values in files are 4 bytes, least significant
// first, two's complement.
#ifndef KERNELS_SHELL_SAMPLE_DATA_H_
#define KERNELS_SHELL_SAMPLE_DATA_H_

#include <cstdint>

namespace kernels::shell {

// One step of the 32-bit xorshift generator: state ^= state << 13; state ^= state >> 17;
// state ^= state << 5. Returns the new state. A state of 0 stays 0; any other runs through all
// 2^32 - 1 nonzero values before it repeats.
constexpr std::uint32_t xorshift32(std::uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

// Stores `value` in bytes[0 .. 3], least significant byte first.
constexpr void store_int32_le(std::uint8_t* bytes, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int b = 0; b < 4; ++b) bytes[b] = static_cast<std::uint8_t>(v >> (8 * b));
}

// The int32 in bytes[0 .. 3], least significant byte first.
constexpr std::int32_t load_int32_le(const std::uint8_t* bytes) {
  std::uint32_t v = 0;
  for (int b = 0; b < 4; ++b) v |= std::uint32_t{bytes[b]} << (8 * b);
  return static_cast<std::int32_t>(v);
}

}  // namespace kernels::shell

#endif  // KERNELS_SHELL_SAMPLE_DATA_H_
