#include <vector>

#include <benchmark/benchmark.h>

#include "kernels/groebner/groebner.h"
#include "kernels/shell/shell.h"

namespace {

using namespace kernels;
using groebner::mpt;
using groebner::npt_;

// Records and set nodes owned by the benchmark, so that resetting the run arena (which holds
// only what the operations build) leaves the inputs intact.
struct Input {
  std::vector<mpt> records;
  std::vector<npt_> nodes;

  // A set of `n` records starting at record `from`, listed in order.
  npt_* set(std::size_t from, std::size_t n) {
    if (n == 0) return nullptr;
    npt_* first = &nodes[nodes.size() - n];
    for (std::size_t i = 0; i < n; ++i) {
      first[i].pol = &records[from + i];
      first[i].next = i + 1 < n ? &first[i + 1] : nullptr;
    }
    return first;
  }
};

// Gives the run arena back now and then, outside the timed region.
void bound_arena(benchmark::State& state) {
  if (shell::arena_stats().bytes < (std::uint64_t{4} << 20)) return;
  state.PauseTiming();
  shell::arena_reset();
  state.ResumeTiming();
}

// npt_add of a member the set already holds, found at its last node: the full scan.
void BM_NptAdd(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  Input in{std::vector<mpt>(n), std::vector<npt_>(n)};
  npt_* set = in.set(0, n);
  mpt* last = &in.records[n - 1];
  for (auto _ : state) {
    groebner::npt_add(&set, last);
    benchmark::DoNotOptimize(set);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_NptAdd)->Range(10, 10000)->Complexity();

// Two sets of n members each, of which n / 2 are shared: a = records 0 .. n-1, b = records
// n/2 .. n/2 + n-1, each in ascending order.
struct TwoSets {
  Input in;
  npt_* a;
  npt_* b;
  explicit TwoSets(std::size_t n) : in{std::vector<mpt>(n + n / 2), std::vector<npt_>(2 * n)} {
    for (std::size_t i = 0; i < n; ++i) {
      in.nodes[i] = npt_{&in.records[i], i + 1 < n ? &in.nodes[i + 1] : nullptr};
      in.nodes[n + i] = npt_{&in.records[n / 2 + i], i + 1 < n ? &in.nodes[n + i + 1] : nullptr};
    }
    a = &in.nodes[0];
    b = &in.nodes[n];
  }
};

void BM_NptUnion(benchmark::State& state) {
  TwoSets sets(static_cast<std::size_t>(state.range(0)));
  shell::arena_reset();
  for (auto _ : state) {
    benchmark::DoNotOptimize(groebner::npt_union(&sets.a, &sets.b));
    bound_arena(state);
  }
  shell::arena_reset();
  state.SetItemsProcessed(state.iterations() * 2 * state.range(0));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_NptUnion)->Range(10, 10000)->Complexity();

void BM_NptMinus(benchmark::State& state) {
  TwoSets sets(static_cast<std::size_t>(state.range(0)));
  shell::arena_reset();
  for (auto _ : state) {
    benchmark::DoNotOptimize(groebner::npt_minus(&sets.a, &sets.b));
    bound_arena(state);
  }
  shell::arena_reset();
  state.SetItemsProcessed(state.iterations() * 2 * state.range(0));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_NptMinus)->Range(10, 10000)->Complexity();

// Grobner on K input records, all with a positive term count.
void BM_Grobner(benchmark::State& state) {
  const auto k = static_cast<std::size_t>(state.range(0));
  Input in{std::vector<mpt>(k), std::vector<npt_>(k)};
  for (std::size_t i = 0; i < k; ++i) {
    in.records[i].serial = static_cast<int>(i);
    in.records[i].term_count = 1;
  }
  npt_* F = in.set(0, k);
  shell::arena_reset();
  for (auto _ : state) {
    benchmark::DoNotOptimize(groebner::Grobner(&F));
    bound_arena(state);
  }
  shell::arena_reset();
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Grobner)->Range(10, 10000)->Complexity();

}  // namespace
