// 32-bit arithmetic that wraps. The kernels' integer arithmetic is signed 32-bit and wraps
// silently; these do it with unsigned arithmetic and a conversion back, so it is defined C++.
#ifndef KERNELS_SHELL_WRAPPING_H_
#define KERNELS_SHELL_WRAPPING_H_

#include <cstdint>

namespace kernels::shell {

// a + b, wrapping modulo 2^32.
constexpr std::int32_t wrapping_add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
// a - b, wrapping modulo 2^32.
constexpr std::int32_t wrapping_sub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
// a * b, wrapping modulo 2^32.
constexpr std::int32_t wrapping_mul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
// -a, wrapping modulo 2^32 (the negation of INT32_MIN is INT32_MIN).
constexpr std::int32_t wrapping_neg(std::int32_t a) {
  return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(a));
}

}  // namespace kernels::shell

#endif  // KERNELS_SHELL_WRAPPING_H_
