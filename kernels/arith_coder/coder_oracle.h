// The coder written out again in 64-bit arithmetic, one renormalisation step at a time, as the
// oracle of the tests and the fuzz target. Not installed.
#ifndef KERNELS_ARITH_CODER_CODER_ORACLE_H_
#define KERNELS_ARITH_CODER_CODER_ORACLE_H_

#include <cstdint>
#include <vector>

namespace kernels::arith_coder::oracle {

struct Coder {
  std::int64_t lo = 0, hi = 0xffff, follow = 0;
  std::vector<int> bits;

  // A bit, then the follow bits owed, each its opposite.
  void settle(int bit) {
    bits.push_back(bit);
    for (; follow > 0; --follow) bits.push_back(1 - bit);
  }
  // Codes symbol s of the cumulative table t. Returns false, changing nothing, when the interval
  // would come out empty.
  bool encode(int s, const std::vector<int>& t) {
    const std::int64_t range = hi - lo + 1;
    const std::int64_t new_hi = lo + range * t[s - 1] / t[0] - 1;
    const std::int64_t new_lo = lo + range * t[s] / t[0];
    if (new_hi < new_lo) return false;
    hi = new_hi;
    lo = new_lo;
    for (;;) {
      if (hi < 0x8000) {
        settle(0);
      } else if (lo >= 0x8000) {
        settle(1);
        lo -= 0x8000, hi -= 0x8000;
      } else if (lo >= 0x4000 && hi < 0xc000) {
        ++follow;
        lo -= 0x4000, hi -= 0x4000;
      } else {
        return true;
      }
      lo = 2 * lo, hi = 2 * hi + 1;
    }
  }
  void done() {
    ++follow;
    settle(lo < 0x4000 ? 0 : 1);
  }
};

}  // namespace kernels::arith_coder::oracle

#endif  // KERNELS_ARITH_CODER_CODER_ORACLE_H_
