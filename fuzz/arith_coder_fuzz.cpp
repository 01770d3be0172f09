// Codes symbol sequences against tables built from the fuzz input and checks, after every
// symbol, the state against a pass-by-pass reference and the loop's post-condition, and after
// done_encoding that no follow bit is owed. Tables with totals above 0x4002 may make a symbol's
// interval empty: such a call must be refused exactly when the reference's interval is empty,
// and change nothing.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "kernels/arith_coder/arith_coder.h"
#include "kernels/arith_coder/coder_oracle.h"

namespace {

namespace ac = kernels::arith_coder;

using Reference = kernels::arith_coder::oracle::Coder;

void check(bool ok) {
  if (!ok) std::abort();
}

std::uint32_t take(const std::uint8_t*& data, std::size_t& size, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes && size > 0; ++i, ++data, --size) v = v << 8 | *data;
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint32_t mode = take(data, size, 1);
  const bool large = (mode & 1) != 0;  // totals up to 32767 instead of 0x4002
  const bool observed = (mode & 2) != 0;
  const int n = 1 + static_cast<int>(take(data, size, 1));  // 1 .. 256 symbols
  const int limit = large ? 32767 : ac::kMaxSafeTotal;

  // Shares of at least 1, within the limit; table[s] is the sum of the shares after s.
  std::vector<int> share(n + 1, 1);
  int sum = 0;
  for (int s = 1; s <= n; ++s) {
    const int most = limit - sum - (n - s);
    share[s] = 1 + static_cast<int>(take(data, size, 2) % static_cast<std::uint32_t>(most));
    sum += share[s];
  }
  std::vector<int> table(n + 1, 0);
  for (int s = n; s >= 1; --s) table[s - 1] = table[s] + share[s];

  std::vector<int> bits;
  const ac::Observer observer{
      &bits, [](void* c, int bit) { static_cast<std::vector<int>*>(c)->push_back(bit); }};
  ac::set_observer(observed ? &observer : nullptr);
  Reference ref;
  ac::start_encoding();
  // At most 1,024 symbols an input: long enough for long runs of owed follow bits, short enough
  // for many inputs a second whatever length the fuzzer grows its inputs to.
  for (int coded = 0; coded < 1024 && size > 0; ++coded) {
    const int s = 1 + static_cast<int>(take(data, size, 1) % static_cast<std::uint32_t>(n));
    const bool fits = ref.encode(s, table);
    check(fits || large);
    check(ac::encode_symbol_checked(s, table) ==
          (fits ? ac::EncodeResult::kEncoded : ac::EncodeResult::kEmptyInterval));
    check(ac::low == ref.lo && ac::high == ref.hi && ac::bits_to_follow == ref.follow);
    check(ac::low < 0x8000 && 0x8000 <= ac::high && ac::high <= 0xffff);
    check(!(ac::low >= 0x4000 && ac::high < 0xc000));
  }
  ac::done_encoding();
  ref.follow += 1;
  ref.settle(ref.lo < 0x4000 ? 0 : 1);
  ac::set_observer(nullptr);
  check(ac::bits_to_follow == 0);
  check(!observed || bits == ref.bits);
  return 0;
}
