#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "kernels/pyramid/pyramid.h"

namespace {

using namespace kernels;

// A pyramid like an image's: a smooth low band, then small signed detail coefficients.
std::vector<int> sample_pyramid(int size, int levels) {
  std::vector<int> p(static_cast<std::size_t>(size) * size);
  pyramid::sample_pyramid(p.data(), size, size, levels);
  return p;
}

// Items are image pixels: size^2 per collapse. The pyramid is consumed, so each iteration
// starts from a fresh copy (outside the timing).
void BM_CollapsePyr(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const int levels = 4;
  const std::vector<int> original = sample_pyramid(size, levels);
  std::vector<int> pyramid = original;
  std::vector<int> result(original.size());
  for (auto _ : state) {
    state.PauseTiming();
    pyramid = original;
    state.ResumeTiming();
    pyramid::collapse_pyr(pyramid.data(), result.data(), size, size, levels);
    benchmark::DoNotOptimize(result.data());
    benchmark::ClobberMemory();
  }
  const auto pixels = static_cast<std::int64_t>(size) * size;
  state.SetItemsProcessed(state.iterations() * pixels);
  state.SetComplexityN(pixels);
}
BENCHMARK(BM_CollapsePyr)
    ->Arg(256)
    ->Arg(1024)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Items are matrix elements. Transposing r x c and then c x r restores the matrix, so
// alternating the two keeps every iteration's input the same shape of permutation.
void BM_InternalIntTranspose(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const int cols = static_cast<int>(state.range(1));
  std::vector<int> m(static_cast<std::size_t>(rows) * cols);
  for (std::size_t i = 0; i < m.size(); ++i) m[i] = static_cast<int>(i);
  bool flipped = false;
  for (auto _ : state) {
    if (flipped) {
      pyramid::internal_int_transpose(m.data(), cols, rows);
    } else {
      pyramid::internal_int_transpose(m.data(), rows, cols);
    }
    flipped = !flipped;
    benchmark::DoNotOptimize(m.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(m.size()));
}
BENCHMARK(BM_InternalIntTranspose)
    ->Args({512, 512})    // square
    ->Args({4096, 4096})  // square, 64-bit index products
    ->Args({1024, 512})   // 2:1
    ->Args({2048, 1024})  // 2:1
    ->Args({1024, 768})   // the runner's default
    ->Args({1021, 1031})  // prime sides
    ->Args({4093, 4099})  // prime sides, 64-bit index products
    ->Unit(benchmark::kMillisecond);

}  // namespace
