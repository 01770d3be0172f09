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
// The same for a floating-point value or vector. Not volatile: its result is used, so it stays, and
// the compiler may still schedule the statements around it (volatile ones keep their order, which
// held the multiply-add probe to 85 % of the peak by pairing every multiply with its add).
template <class T>
inline void opaque_float(T& value) {
#if defined(__SSE2__)  // x86-64, and 32-bit x86 built with SSE2
  asm("" : "+x"(value));
#elif defined(__aarch64__)
  asm("" : "+w"(value));
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

// Bytes per second of a copy between two arrays that together fill half of each data cache (so
// that they stay in it), repeated until some 16 MB have been copied per timing.
void probe_cache_bandwidth(int repetitions, Ceilings& c) {
  for (const Cache& cache : c.caches) {
    if (cache.type == "Instruction") continue;
    const double bytes = cache.size / 2;
    const std::size_t n = static_cast<std::size_t>(bytes / 2 / sizeof(double));
    if (n == 0) continue;
    std::unique_ptr<double[]> a(new double[n]), b(new double[n]);
    std::fill_n(a.get(), n, 1.0);
    std::fill_n(b.get(), n, 2.0);
    const long copies = std::max<long>(1, static_cast<long>(16e6 / (2 * n * sizeof(double))));
    const double seconds = best_of(repetitions, [&] {
      for (long k = 0; k < copies; ++k) {
        std::copy_n(b.get(), n, a.get());
        asm volatile("" : : "r"(a.get()) : "memory");  // each copy happens
      }
    });
    g_double_sink = a[n / 2];
    c.copy_in_cache.push_back(
        {2.0 * n * sizeof(double), 2.0 * n * sizeof(double) * copies / seconds});
  }
  std::sort(c.copy_in_cache.begin(), c.copy_in_cache.end(),
            [](const BandwidthPoint& x, const BandwidthPoint& y) { return x.bytes < y.bytes; });
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
// contraction): twelve independent chains of v = v * m + a. A multiply and an add take about
// three cycles each, so twelve chains keep two multipliers and two adders busy. The chains are
// twelve named variables, not an array: with an array the compiler keeps them on the stack, and
// every step then waits for a store to be forwarded to the next load (half the peak).
template <class V>
double multiply_adds(long steps, int repetitions, int lanes) {
  const V m = V{} + 0.999999, a = V{} + 1e-9;
  V v0 = V{} + 0.5, v1 = V{} + 1.5, v2 = V{} + 2.5, v3 = V{} + 3.5, v4 = V{} + 4.5, v5 = V{} + 5.5,
    v6 = V{} + 6.5, v7 = V{} + 7.5, v8 = V{} + 8.5, v9 = V{} + 9.5, v10 = V{} + 10.5,
    v11 = V{} + 11.5;
  const auto step = [&](V& v) {
    V t = v * m;
    opaque_float(t);
    v = t + a;
    opaque_float(v);
  };
  const long rounds = steps / 12;
  const double seconds = best_of(repetitions, [&] {
    for (long i = 0; i < rounds; ++i) {
      step(v0), step(v1), step(v2), step(v3), step(v4), step(v5);
      step(v6), step(v7), step(v8), step(v9), step(v10), step(v11);
    }
  });
  const V sum = v0 + v1 + v2 + v3 + v4 + v5 + v6 + v7 + v8 + v9 + v10 + v11;
  g_double_sink = reinterpret_cast<const double*>(&sum)[0];
  return 2.0 * lanes * static_cast<double>(rounds * 12) / seconds;
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
  probe_cache_bandwidth(sizes.repetitions, c);
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
