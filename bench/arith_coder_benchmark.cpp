#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "kernels/arith_coder/arith_coder.h"

namespace {

namespace ac = kernels::arith_coder;

// Codes `symbols` against `table` as one run: start, every symbol, done.
void code(benchmark::State& state, const std::vector<int>& symbols, std::vector<int>& table) {
  int* t = table.data();
  for (auto _ : state) {
    ac::start_encoding();
    for (int s : symbols) ac::encode_symbol(s, t);
    ac::done_encoding();
    benchmark::DoNotOptimize(ac::low);
    benchmark::DoNotOptimize(ac::high);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(symbols.size()));
}

// A skewed 257-symbol table: the static order-0 model of 246 KiB of bytes drawn as the product
// of three uniform bytes (>> 16), as the runner's built-in input, coded byte by byte.
void BM_EncodeSkewed257(benchmark::State& state) {
  std::vector<std::uint8_t> bytes(ac::kSampleInputSize);
  ac::sample_input(bytes.data(), bytes.size());
  std::vector<int> table(ac::kOrder0TableSize);
  ac::order0_table(bytes.data(), bytes.size(), table.data());
  std::vector<int> symbols(bytes.begin(), bytes.end());
  for (int& s : symbols) s += 1;
  symbols.push_back(ac::kEndOfInput);
  code(state, symbols, table);
}
BENCHMARK(BM_EncodeSkewed257)->Unit(benchmark::kMillisecond);

// Two symbols; the argument is symbol 1's share of a total of 16383, the probability it is drawn.
void BM_EncodeTwoSymbols(benchmark::State& state) {
  const int share = static_cast<int>(state.range(0));
  std::vector<int> table{ac::kOrder0MaxTotal, ac::kOrder0MaxTotal - share, 0};
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> draw(0, ac::kOrder0MaxTotal - 1);
  std::vector<int> symbols(1 << 18);
  for (int& s : symbols) s = draw(rng) < share ? 1 : 2;
  code(state, symbols, table);
}
BENCHMARK(BM_EncodeTwoSymbols)->Arg(8192)->Arg(15000)->Unit(benchmark::kMillisecond);

}  // namespace
