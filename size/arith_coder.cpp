// size-arith_coder: encodes one symbol and the end of input with a two-symbol table, as the
// runner's job calls the coder.
#include "kernels/arith_coder/arith_coder.h"

int main() {
  namespace ac = kernels::arith_coder;
  int table[] = {2, 1, 0};
  ac::start_encoding();
  ac::encode_symbol(1, table);
  ac::encode_symbol(2, table);
  ac::done_encoding();
  return 0;
}
