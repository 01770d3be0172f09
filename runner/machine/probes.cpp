#include "machine/probes.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace kernels::runner {
namespace {

using Clock = std::chrono::steady_clock;

// Keeps `value` in a register as far as the compiler knows: no loop around it can be folded.
template <class T>
inline void opaque(T& value) {
  asm volatile("" : "+r"(value));
}
template <class T>
inline void opaque_float(T& value) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("" : "+x"(value));
#elif defined(__aarch64__)
  asm volatile("" : "+w"(value));
#else
  asm volatile("" : : "g"(&value) : "memory");
#endif
}

// The best (least) time of `repetitions` calls of `body`, in seconds.
template <class Body>
double best_of(int repetitions, Body body) {
  double best = 1e300;
  for (int r = 0; r < repetitions; ++r) {
    const auto start = Clock::now();
    body();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

volatile std::uint64_t g_sink;
volatile double g_double_sink;

// Bytes per second of a copy and a triad over `bytes`-sized arrays (read plus written bytes).
void probe_bandwidth(double bytes, int repetitions, Ceilings& c) {
  const std::size_t n = static_cast<std::size_t>(bytes / sizeof(double));
  std::unique_ptr<double[]> a(new double[n]), b(new double[n]), x(new double[n]);
  std::fill_n(a.get(), n, 1.0);
  std::fill_n(b.get(), n, 2.0);
  std::fill_n(x.get(), n, 0.0);
  const double copy = best_of(repetitions, [&] { std::copy_n(b.get(), n, a.get()); });
  const double s = 3.0;
  const double triad = best_of(repetitions, [&] {
    double* __restrict out = x.get();
    const double* __restrict in1 = a.get();
    const double* __restrict in2 = b.get();
    for (std::size_t i = 0; i < n; ++i) out[i] = in1[i] + s * in2[i];
  });
  g_double_sink = a[n / 2] + x[n / 3];
  c.copy = 2.0 * static_cast<double>(n * sizeof(double)) / copy;
  c.triad = 3.0 * static_cast<double>(n * sizeof(double)) / triad;
}

// One cache line per node, linked in one random cycle through all of them (Sattolo's shuffle),
// so that every load depends on the last and no prefetcher can guess the next.
struct alignas(64) Line {
  std::uint64_t next;
  std::uint64_t pad[7];
};

double chase_latency(Line* lines, std::size_t count, long loads, int repetitions,
                     std::mt19937_64& random) {
  std::vector<std::uint32_t> order(count);
  for (std::size_t i = 0; i < count; ++i) order[i] = static_cast<std::uint32_t>(i);
  for (std::size_t i = count - 1; i > 0; --i) {
    const std::size_t j = random() % i;  // j < i: one cycle
    std::swap(order[i], order[j]);
  }
  for (std::size_t i = 0; i < count; ++i) lines[order[i]].next = order[(i + 1) % count];
  std::uint64_t at = 0;
  const double seconds = best_of(repetitions, [&] {
    for (long k = 0; k < loads; ++k) at = lines[at].next;
  });
  g_sink = at;
  return seconds / static_cast<double>(loads);
}

void probe_latency(const ProbeSizes& sizes, Ceilings& c) {
  const std::size_t most = static_cast<std::size_t>(sizes.max_latency_bytes / sizeof(Line));
  std::unique_ptr<Line[]> lines(new Line[std::max<std::size_t>(most, 2)]);
  std::mt19937_64 random(20261210);
  for (double bytes = sizes.min_latency_bytes; bytes <= sizes.max_latency_bytes; bytes *= 2) {
    const auto count = std::max<std::size_t>(2, static_cast<std::size_t>(bytes / sizeof(Line)));
    const int repetitions = std::min(sizes.repetitions, 2);
    c.latency.push_back(
        {bytes, chase_latency(lines.get(), count, sizes.loads, repetitions, random)});
  }
}

void probe_integer_latency(const ProbeSizes& sizes, Ceilings& c) {
  const long steps = sizes.steps;
  std::uint64_t x = g_sink | 1, m = 0x9e3779b97f4a7c15ULL;
  opaque(m);
  c.multiply_latency = best_of(sizes.repetitions,
                               [&] {
                                 for (long i = 0; i < steps; ++i) {
                                   x *= m;
                                   opaque(x);
                                 }
                               }) /
                       static_cast<double>(steps);
  std::uint64_t y = x, d = 3;
  opaque(d);
  c.add_latency = best_of(sizes.repetitions,
                          [&] {
                            for (long i = 0; i < steps; ++i) {
                              y += d;
                              opaque(y);
                            }
                          }) /
                  static_cast<double>(steps);
  g_sink = x + y;
}

// Multiply-add throughput with a separate multiply and add (the kernels are built without
// contraction): kChains independent chains of v = v * m + a, enough to fill the pipelines.
constexpr int kChains = 24;

template <class V>
double multiply_adds(long steps, int repetitions, int lanes) {
  V v[kChains];
  V m, a;
  for (int k = 0; k < kChains; ++k) v[k] = V{} + 0.5 + k;
  m = V{} + 0.999999;
  a = V{} + 1e-9;
  const long rounds = steps / kChains;
  const double seconds = best_of(repetitions, [&] {
    for (long i = 0; i < rounds; ++i) {
      for (int k = 0; k < kChains; ++k) {
        V t = v[k] * m;
        opaque_float(t);
        v[k] = t + a;
        opaque_float(v[k]);
      }
    }
  });
  double sum = 0;
  for (int k = 0; k < kChains; ++k) {
    const V& x = v[k];
    sum += reinterpret_cast<const double*>(&x)[0];
  }
  g_double_sink = sum;
  return 2.0 * lanes * static_cast<double>(rounds * kChains) / seconds;
}

using Pair = double __attribute__((vector_size(16)));

__attribute__((noinline)) void empty_call() {
  asm volatile("");
}
void (*volatile g_call)() = &empty_call;

void probe_call(const ProbeSizes& sizes, Ceilings& c) {
  const long calls = sizes.steps / 4;
  c.call = best_of(sizes.repetitions,
                   [&] {
                     for (long i = 0; i < calls; ++i) g_call();
                   }) /
           static_cast<double>(calls);
}

}  // namespace

Ceilings probe_machine(const CacheScan& scan, const std::string& cpu, const std::string& version,
                       const ProbeSizes& sizes, const std::function<void(const char*)>& progress) {
  const auto start = Clock::now();
  const auto tell = [&](const char* what) {
    if (progress) progress(what);
  };
  Ceilings c;
  c.cpu = cpu;
  c.version = version;
  c.caches = scan.caches;
  c.caches_missing = scan.missing;
  tell("bandwidth");
  const double last = c.cache_size(c.last_level());
  const double array = std::clamp(4 * last, sizes.min_array_bytes,
                                  std::max(sizes.min_array_bytes, sizes.max_array_bytes));
  probe_bandwidth(array, sizes.repetitions, c);
  tell("latency");
  probe_latency(sizes, c);
  tell("arithmetic");
  probe_integer_latency(sizes, c);
  c.flops_scalar = multiply_adds<double>(sizes.steps, sizes.repetitions, 1);
  c.flops = multiply_adds<Pair>(sizes.steps, sizes.repetitions, 2);
  tell("calls");
  probe_call(sizes, c);
  c.probe_seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return c;
}

}  // namespace kernels::runner
