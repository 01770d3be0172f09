// A separate project using the installed library: multiplies with the driver and checks c.
#include <kernels/matrix/matrix.h>
#include <kernels/shell/shell.h>

int main() {
  char name[] = "consumer";
  char* argv[] = {name, name, nullptr};
  if (kernels::matrix::main_matxmult(2, argv) != 0) return 1;
  const auto m = kernels::matrix::last_driver_matrices();
  if (m.n != 300 || m.c[299][299] != 300.0) return 1;
  kernels::shell::arena_reset();
  return 0;
}
