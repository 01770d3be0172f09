// size-groebner: the Groebner basis driver with no arguments.
#include "kernels/groebner/groebner.h"

int main() {
  kernels::groebner::main_bb(0, nullptr);
  return 0;
}
