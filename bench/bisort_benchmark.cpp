#include <cstdint>

#include <benchmark/benchmark.h>

#include "kernels/bisort/bisort.h"
#include "kernels/shell/shell.h"

namespace {

using namespace kernels;

constexpr std::int32_t kSeed = 12345768;

// Items are values: the tree's 2^k - 1 nodes plus the spare.
void BM_RandTree(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    shell::arena_reset();
    state.ResumeTiming();
    benchmark::DoNotOptimize(bisort::RandTree(n, kSeed, 0));
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.SetComplexityN(n);
  shell::arena_reset();
}
BENCHMARK(BM_RandTree)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 20)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

// Both passes of the driver, upward then downward, each time on a fresh random tree as the
// driver has it (built outside the timed region). Items are values (nodes + spare), counted once
// for the two passes together.
void BM_Bisort(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    shell::arena_reset();
    bisort::node* root = bisort::RandTree(n, kSeed, 0);
    std::int32_t spare = bisort::random(245867) % 100;
    state.ResumeTiming();
    spare = bisort::Bisort(root, spare, 0);
    spare = bisort::Bisort(root, spare, 1);
    benchmark::DoNotOptimize(spare);
    benchmark::DoNotOptimize(root->value);
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.SetComplexityN(n);
  shell::arena_reset();
}
BENCHMARK(BM_Bisort)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

// The whole driver at the runner's default size.
void BM_MainBitonic(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    shell::arena_reset();
    state.ResumeTiming();
    bisort::main_bitonic(n, nullptr);
  }
  state.SetItemsProcessed(state.iterations() * n);
  shell::arena_reset();
}
BENCHMARK(BM_MainBitonic)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
