// The input buffer: the symbols to code, and the model's history.
#include <algorithm>
#include <cstring>

#include "kernels/context_model/context_model.h"

namespace kernels::context_model {

unsigned char Input[kInputSize];
std::int32_t inputPos = 0;
std::int32_t inputLen = 0;

int preloadInput() {
  return preload_limit;
}

// The store loop runs from pos until it reaches a positive limit (at least once); without a
// positive limit it would never stop. Here its end is clamped to the buffer and positions outside
// the buffer are skipped, which leaves the same bytes inside it.
int loadInput(int* /*stream*/, int pos, int limit) {
  const long long first = pos;
  long long end = limit > 0 ? std::max<long long>(limit, first + 1) : kInputSize;
  end = std::min<long long>(end, kInputSize);
  const long long start = std::max<long long>(first, 0);
  if (start < end) std::memset(Input + start, 1, static_cast<std::size_t>(end - start));
  inputLen = static_cast<std::int32_t>(end);
  return inputLen;
}

void startInput() {
  inputPos = 0;
}

int getInput() {
  if (inputPos < 0 || inputPos >= inputLen || inputPos >= kInputSize) return -1;
  return Input[inputPos];
}

int lengthInput() {
  return inputLen;
}

}  // namespace kernels::context_model
