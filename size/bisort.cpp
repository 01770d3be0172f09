// size-bisort: the bitonic sort's driver with no size argument (it returns at once).
#include "kernels/bisort/bisort.h"

int main(int argc, char** argv) {
  kernels::bisort::main_bitonic(argc > 1 ? 1 : argc, argv);
  return 0;
}
