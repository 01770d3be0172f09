// Little-endian int32 values as bytes: the format of the pyramid's input and output files on
// every machine, whatever its own byte order.
#ifndef KERNELS_TOOLS_KERNELS_CORE_INT32_LE_H_
#define KERNELS_TOOLS_KERNELS_CORE_INT32_LE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kernels::runner {

// Appends `value` as four bytes, least significant first.
inline void put_int32_le(std::vector<std::uint8_t>& out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
}

// The bytes of `values`, four each, least significant first.
inline std::vector<std::uint8_t> int32_le_bytes(std::span<const std::int32_t> values) {
  std::vector<std::uint8_t> out;
  out.reserve(values.size() * 4);
  for (std::int32_t v : values) put_int32_le(out, v);
  return out;
}

// The values that `bytes` hold; a trailing part of fewer than four bytes is ignored.
inline std::vector<std::int32_t> int32_le_values(std::span<const std::uint8_t> bytes) {
  std::vector<std::int32_t> out(bytes.size() / 4);
  for (std::size_t i = 0; i < out.size(); ++i) {
    std::uint32_t v = 0;
    for (int b = 0; b < 4; ++b) v |= std::uint32_t{bytes[4 * i + b]} << (8 * b);
    out[i] = static_cast<std::int32_t>(v);
  }
  return out;
}

}  // namespace kernels::runner

#endif  // KERNELS_TOOLS_KERNELS_CORE_INT32_LE_H_
