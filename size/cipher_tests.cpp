// size-cipher_tests: the cipher harness's driver.
#include "kernels/cipher_tests/cipher_tests.h"

int main() {
  return kernels::cipher_tests::main_rijndael();
}
