// The digest every job reports: 64-bit FNV-1a over bytes that each job defines (docs/digests.md).
#ifndef KERNELS_RUNNER_JOB_DIGEST_H_
#define KERNELS_RUNNER_JOB_DIGEST_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace kernels::runner {

inline constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ull;
inline constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;

// FNV-1a, 64 bits, over bytes fed in order. Integers and doubles are fed little-endian, whatever
// the host's byte order; a double is fed as its IEEE bits.
class Fnv1a {
 public:
  void bytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash_ = (hash_ ^ p[i]) * kFnvPrime;
  }
  void u8(std::uint8_t v) { bytes(&v, 1); }
  void u16(std::uint16_t v) { little_endian(v, 2); }
  void u32(std::uint32_t v) { little_endian(v, 4); }
  void u64(std::uint64_t v) { little_endian(v, 8); }
  void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  void f64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u64(bits);
  }
  std::uint64_t value() const { return hash_; }

 private:
  void little_endian(std::uint64_t v, int size) {
    unsigned char b[8];
    for (int i = 0; i < size; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
    bytes(b, static_cast<std::size_t>(size));
  }

  std::uint64_t hash_ = kFnvOffsetBasis;
};

// "0123456789abcdef": 16 lower-case hexadecimal digits.
std::string hex_digest(std::uint64_t digest);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_JOB_DIGEST_H_
