// The cipher harness: its driver as a whole, unobserved and with every call counted, and each
// generator for the 128-bit key. Items are observable calls.
#include <cstdint>

#include <benchmark/benchmark.h>

#include "kernels/cipher_tests/cipher_tests.h"
#include "kernels/cipher_tests/internal.h"
#include "kernels/shell/shell.h"

namespace {

using namespace kernels::cipher_tests;
namespace in = kernels::cipher_tests::internal;

constexpr std::int64_t kDriverCalls = 72026280;

void BM_MainRijndael(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(main_rijndael());
  state.SetItemsProcessed(state.iterations() * kDriverCalls);
}
BENCHMARK(BM_MainRijndael)->Unit(benchmark::kMillisecond);

// The same with an observer that counts every call: the cost of observation.
void BM_MainRijndaelCounted(benchmark::State& state) {
  std::uint64_t calls = 0;
  Observer o;
  o.context = &calls;
  o.makeKey = [](void* c, keyInstance*, unsigned char, int, char*) {
    ++*static_cast<std::uint64_t*>(c);
  };
  o.cipherInit = [](void* c, cipherInstance*, unsigned char, char*) {
    ++*static_cast<std::uint64_t*>(c);
  };
  o.blockEncrypt = [](void* c, cipherInstance*, keyInstance*, unsigned char*, int, unsigned char*) {
    ++*static_cast<std::uint64_t*>(c);
  };
  o.blockDecrypt = o.blockEncrypt;
  o.cipherUpdateRounds = [](void* c, cipherInstance*, keyInstance*, unsigned char*, int,
                            unsigned char*, int) { ++*static_cast<std::uint64_t*>(c); };
  o.blockPrint = [](void* c, int*, const unsigned char*, int, const char*) {
    ++*static_cast<std::uint64_t*>(c);
  };
  set_observer(&o);
  for (auto _ : state) benchmark::DoNotOptimize(main_rijndael());
  set_observer(nullptr);
  if (calls != static_cast<std::uint64_t>(state.iterations() * kDriverCalls))
    state.SkipWithError("call count differs from the driver's total");
  state.SetItemsProcessed(state.iterations() * kDriverCalls);
}
BENCHMARK(BM_MainRijndaelCounted)->Unit(benchmark::kMillisecond);

int* stream() {
  return kernels::shell::stream_handle();
}

// Calls per run, from the generators' tables with a 128-bit key and block.
void BM_VariableKey(benchmark::State& state) {
  for (auto _ : state) in::rijndaelVKKAT(stream(), 128, 128);
  state.SetItemsProcessed(state.iterations() * (2 * 128 + 128 + 2 * 128 + 129));
}
BENCHMARK(BM_VariableKey);

void BM_VariableText(benchmark::State& state) {
  for (auto _ : state) in::rijndaelVTKAT(stream(), 128, 128);
  state.SetItemsProcessed(state.iterations() * (1 + 128 + 128 + 256));
}
BENCHMARK(BM_VariableText);

void BM_Table(benchmark::State& state) {
  for (auto _ : state) in::rijndaelTKAT(stream(), 128, 128, stream());
  state.SetItemsProcessed(state.iterations() * (128 + 128 + 128 + 256));
}
BENCHMARK(BM_Table);

void BM_IntermediateValues(benchmark::State& state) {
  for (auto _ : state) in::rijndaelIVKAT(stream(), 128, 128);
  state.SetItemsProcessed(state.iterations() * (2 + 2 + 20 + 22));
}
BENCHMARK(BM_IntermediateValues);

void BM_EcbMonteCarlo(benchmark::State& state) {
  const auto direction = static_cast<unsigned char>(state.range(0));
  for (auto _ : state)
    in::rijndaelECB_MCT(stream(), in::kShortText, 128, in::kShortText, 128, direction);
  state.SetItemsProcessed(state.iterations() * (400 + 400 + 4000000 + 800));
}
BENCHMARK(BM_EcbMonteCarlo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_CbcMonteCarlo(benchmark::State& state) {
  const auto direction = static_cast<unsigned char>(state.range(0));
  for (auto _ : state)
    in::rijndaelCBC_MCT(stream(), in::kShortText, 128, in::kShortText, in::kShortText, 128,
                        direction);
  state.SetItemsProcessed(state.iterations() * (400 + 4000000 + 4000000 + 1200));
}
BENCHMARK(BM_CbcMonteCarlo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
