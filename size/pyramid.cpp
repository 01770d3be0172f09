// size-pyramid: collapses a one-level 2 x 2 pyramid.
#include "kernels/pyramid/pyramid.h"

int main() {
  int pyramid[16] = {};
  int result[16] = {};
  kernels::pyramid::collapse_pyr(pyramid, result, 2, 2, 1);
  return 0;
}
