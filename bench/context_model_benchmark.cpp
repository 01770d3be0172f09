// Encoding and decoding throughput of the context model, in symbols (= input bytes) per second.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace {

namespace cm = kernels::context_model;

// About 246 KB of generated domain names, one per line: pronounceable labels from a few hundred
// syllables, some with a "www." or a digit, under a handful of endings. Always the same text.
const std::string& domain_names() {
  static const std::string text = [] {
    static const char* const onsets[] = {"b", "c",  "d",  "f",  "g",  "h", "k", "l",
                                         "m", "n",  "p",  "r",  "s",  "t", "v", "w",
                                         "z", "st", "tr", "br", "ch", "sh"};
    static const char* const vowels[] = {"a", "e", "i", "o", "u", "ea", "ou", "io", "y"};
    static const char* const codas[] = {"", "", "", "n", "r", "s", "t", "l", "x", "ck", "ng"};
    static const char* const endings[] = {".com", ".com",   ".com", ".net",  ".org",
                                          ".de",  ".co.uk", ".io",  ".info", ".fr"};
    std::mt19937 rng(246);
    auto pick = [&rng](const auto& list) { return list[rng() % (sizeof list / sizeof list[0])]; };
    std::string r;
    while (r.size() < 246 * 1024) {
      if (rng() % 4 == 0) r += "www.";
      const int syllables = 2 + static_cast<int>(rng() % 3);
      for (int s = 0; s < syllables; ++s) {
        r += pick(onsets);
        r += pick(vowels);
        r += pick(codas);
      }
      if (rng() % 8 == 0) r += static_cast<char>('0' + rng() % 10);
      if (rng() % 6 == 0) {
        r += '-';
        r += pick(onsets);
        r += pick(vowels);
      }
      r += pick(endings);
      r += '\n';
    }
    r.resize(246 * 1024);
    return r;
  }();
  return text;
}

// 1 MB of bytes from a fixed-seed generator: input that does not compress. Every context of order
// 0 and 1 soon holds nearly all 256 symbols, and the higher orders escape nearly always.
const std::string& random_bytes() {
  static const std::string text = [] {
    std::mt19937 rng(1048576);
    std::string r(1 << 20, '\0');
    for (char& c : r) c = static_cast<char>(rng() & 0xff);
    return r;
  }();
  return text;
}

// The runner's encoding job: the input, then the end-of-input symbol. Returns the symbols coded.
std::int64_t encode_input() {
  cm::startInput();
  std::int64_t symbols = 0;
  for (int c = cm::getInput(); c != -1; c = cm::getInput(), ++symbols) cm::encode_symbol(c, 0);
  cm::encode_symbol(cm::eof_symbol(), 0);
  return symbols + 1;
}

void run_encoding(benchmark::State& state, const std::string* text, int length) {
  std::int64_t symbols = 0;
  for (auto _ : state) {
    state.PauseTiming();
    cm::init_symbols();
    if (text != nullptr) {
      cm::loadInput(kernels::shell::stream_handle(), 0, static_cast<int>(text->size()));
      std::memcpy(cm::Input, text->data(), text->size());
    } else {
      cm::loadInput(kernels::shell::stream_handle(), 0, length);
    }
    state.ResumeTiming();
    symbols += encode_input();
    benchmark::DoNotOptimize(cm::trieFree);
  }
  state.SetItemsProcessed(symbols);
  state.SetBytesProcessed(symbols);
  cm::internal::use_plain_walks(false);
}

// The default input of the runner's job: ones.
void BM_EncodeOnes(benchmark::State& state) {
  run_encoding(state, nullptr, static_cast<int>(state.range(0)));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_EncodeOnes)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void BM_EncodeDomainNames(benchmark::State& state) {
  run_encoding(state, &domain_names(), 0);
}
BENCHMARK(BM_EncodeDomainNames)->Unit(benchmark::kMillisecond);

// The same two with the plain walks (three passes over each list, as written), for comparison.
void BM_EncodeOnesPlainWalks(benchmark::State& state) {
  cm::internal::use_plain_walks(true);
  run_encoding(state, nullptr, 1000000);
}
BENCHMARK(BM_EncodeOnesPlainWalks)->Unit(benchmark::kMillisecond);

void BM_EncodeDomainNamesPlainWalks(benchmark::State& state) {
  cm::internal::use_plain_walks(true);
  run_encoding(state, &domain_names(), 0);
}
BENCHMARK(BM_EncodeDomainNamesPlainWalks)->Unit(benchmark::kMillisecond);

void BM_EncodeRandomBytes(benchmark::State& state) {
  run_encoding(state, &random_bytes(), 0);
}
BENCHMARK(BM_EncodeRandomBytes)->Unit(benchmark::kMillisecond);

void BM_EncodeRandomBytesPlainWalks(benchmark::State& state) {
  cm::internal::use_plain_walks(true);
  run_encoding(state, &random_bytes(), 0);
}
BENCHMARK(BM_EncodeRandomBytesPlainWalks)->Unit(benchmark::kMillisecond)->Iterations(1);

// The runner's decoding job: N symbols from a fresh model.
void BM_Decode(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    cm::init_symbols();
    cm::startInput();
    state.ResumeTiming();
    for (int i = 0; i < count; ++i) benchmark::DoNotOptimize(cm::decode_symbol());
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.SetComplexityN(count);
}
BENCHMARK(BM_Decode)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// Decoding the 1 MB of random bytes. The coder calls are fixed in form, so the coder's state is
// played here: the intervals that encoding the bytes handed to the coder are recorded once, and
// before each decoding interval the state is set so that the target is that interval's low end
// (with S_low 0 and S_high total - 1, the target is S_value). A certain symbol (a whole-range
// interval) is coded by neither side and decodes from any target. The decoder then decodes the
// same bytes, escapes included, and makes the same calls.
struct Interval {
  int low, high, total;
};

const std::vector<Interval>& random_bytes_intervals() {
  static const std::vector<Interval> calls = [] {
    std::vector<Interval> r;
    cm::Observer observer;
    observer.context = &r;
    observer.arithmetic_encode = [](void* c, int low, int high, int total) {
      static_cast<std::vector<Interval>*>(c)->push_back({low, high, total});
    };
    cm::init_symbols();
    const std::string& text = random_bytes();
    cm::loadInput(kernels::shell::stream_handle(), 0, static_cast<int>(text.size()));
    std::memcpy(cm::Input, text.data(), text.size());
    cm::set_observer(&observer);
    encode_input();
    cm::set_observer(nullptr);
    return r;
  }();
  return calls;
}

struct Playback {
  const std::vector<Interval>* calls;
  std::size_t next;
  void aim() {
    const Interval& i = (*calls)[next < calls->size() ? next : calls->size() - 1];
    cm::S_low = 0;
    cm::S_high = static_cast<std::uint32_t>(i.total) - 1;
    cm::S_value = static_cast<std::uint32_t>(i.low);
  }
};

void decode_random_bytes(benchmark::State& state, bool plain) {
  const std::string& text = random_bytes();
  const int count = static_cast<int>(text.size()) + 1;
  Playback playback{&random_bytes_intervals(), 0};
  cm::Observer observer;
  observer.context = &playback;
  observer.arithmetic_decode = [](void* c, int, int, int) {
    auto& p = *static_cast<Playback*>(c);
    ++p.next;
    p.aim();
  };
  cm::internal::use_plain_walks(plain);
  for (auto _ : state) {
    state.PauseTiming();
    cm::init_symbols();
    cm::startInput();
    playback.next = 0;
    playback.aim();
    cm::set_observer(&observer);
    state.ResumeTiming();
    for (int i = 0; i < count; ++i) benchmark::DoNotOptimize(cm::decode_symbol());
    state.PauseTiming();
    cm::set_observer(nullptr);
    if (std::memcmp(cm::Input, text.data(), text.size()) != 0 || cm::Input[text.size()] != 0)
      state.SkipWithError("the decoded bytes are not the encoded ones");
    state.ResumeTiming();
  }
  cm::S_low = cm::S_high = cm::S_value = 0;
  cm::internal::use_plain_walks(false);
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_DecodeRandomBytes(benchmark::State& state) {
  decode_random_bytes(state, false);
}
BENCHMARK(BM_DecodeRandomBytes)->Unit(benchmark::kMillisecond);

void BM_DecodeRandomBytesPlainWalks(benchmark::State& state) {
  decode_random_bytes(state, true);
}
BENCHMARK(BM_DecodeRandomBytesPlainWalks)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
