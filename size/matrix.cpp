// size-matrix: the matrix driver with no arguments (it returns at once).
#include "kernels/matrix/matrix.h"

int main(int argc, char** argv) {
  return kernels::matrix::main_matxmult(argc > 1 ? 1 : argc, argv);
}
