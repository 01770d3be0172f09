#include <benchmark/benchmark.h>

#include "kernels/matrix/matrix.h"
#include "kernels/shell/shell.h"

namespace {

using namespace kernels;

void BM_MainMatxmult(benchmark::State& state) {
  char name[] = "matrix";
  char* argv[] = {name, name, nullptr};
  for (auto _ : state) {
    state.PauseTiming();
    shell::arena_reset();
    state.ResumeTiming();
    benchmark::DoNotOptimize(matrix::main_matxmult(2, argv));
  }
  state.SetItemsProcessed(state.iterations() * 300LL * 300 * 300);
}
BENCHMARK(BM_MainMatxmult)->Unit(benchmark::kMillisecond);

// Items are multiply-adds: n^3 per product.
void BM_Matxmult(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  shell::arena_reset();
  double** a = matrix::initmatx(n);
  double** b = matrix::initmatx(n);
  double** c = matrix::initmatx(n);
  matrix::mkmatx(n, a);
  matrix::mkmatx(n, b);
  for (auto _ : state) {
    matrix::matxmult(n, c, a, b);
    benchmark::DoNotOptimize(c[0][0]);
    benchmark::ClobberMemory();
  }
  const auto n3 = static_cast<std::int64_t>(n) * n * n;
  state.SetItemsProcessed(state.iterations() * n3);
  state.SetComplexityN(n3);
  shell::arena_reset();
}
BENCHMARK(BM_Matxmult)
    ->Arg(64)
    ->Arg(128)
    ->Arg(300)
    ->Arg(512)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
