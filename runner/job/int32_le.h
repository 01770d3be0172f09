// Lists of little-endian int32 values as bytes: the format of the pyramid's input and output files
// on every machine, whatever its own byte order.
#ifndef KERNELS_RUNNER_JOB_INT32_LE_H_
#define KERNELS_RUNNER_JOB_INT32_LE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "kernels/shell/shell.h"

namespace kernels::runner {

// Appends `value` as four bytes, least significant first.
inline void put_int32_le(std::vector<std::uint8_t>& out, std::int32_t value) {
  out.resize(out.size() + 4);
  shell::store_int32_le(out.data() + out.size() - 4, value);
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
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = shell::load_int32_le(&bytes[4 * i]);
  return out;
}

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_JOB_INT32_LE_H_
