// The ceilings: caches from a sysfs folder (or none), the probes' orders, the JSON and the cache
// file, and the regimes of working sets.
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "files/scratch_dir.h"
#include "machine/ceilings.h"
#include "machine/machine_cache.h"
#include "machine/probes.h"
#include "machine/regimes.h"

namespace kernels::runner {
namespace {

TEST(Caches, ReadFromSysfsOrReportedMissing) {
  const CacheScan none = read_caches("/nonexistent/cpu0/cache");
  EXPECT_TRUE(none.caches.empty());
  EXPECT_NE(none.missing.find("/nonexistent/cpu0/cache"), std::string::npos);

  ScratchDir dir;
  const auto entry = [&](const char* index, const char* level, const char* type, const char* size) {
    std::filesystem::create_directories(dir.root() / "cache" / index);
    const std::string at = std::string("cache/") + index + "/";
    dir.file(at + "level", std::string(level) + "\n");
    dir.file(at + "type", std::string(type) + "\n");
    dir.file(at + "size", std::string(size) + "\n");
    dir.file(at + "coherency_line_size", "64\n");
  };
  entry("index2", "2", "Unified", "1024K");
  entry("index0", "1", "Data", "32K");
  entry("index3", "3", "Unified", "32M");
  entry("index9", "x", "Data", "");  // unreadable: reported, the others kept
  const CacheScan scan = read_caches(dir.path("cache"));
  ASSERT_EQ(scan.caches.size(), 3u);
  EXPECT_EQ(scan.caches[0].level, 1);
  EXPECT_EQ(scan.caches[0].size, 32768.0);
  EXPECT_EQ(scan.caches[0].line, 64.0);
  EXPECT_EQ(scan.caches[2].size, 32.0 * 1024 * 1024);
  EXPECT_NE(scan.missing.find("index9"), std::string::npos);

  EXPECT_EQ(regime_of(16384, scan.caches), "L1");
  EXPECT_EQ(regime_of(65536, scan.caches), "L2");
  EXPECT_EQ(regime_of(4e6, scan.caches), "L3");
  EXPECT_EQ(regime_of(1e9, scan.caches), "memory");
  EXPECT_EQ(regime_of(1e9, {}), "");
}

TEST(Probes, GivePlausibleOrders) {
  ProbeSizes sizes;
  sizes.min_array_bytes = sizes.max_array_bytes = 8 << 20;
  sizes.max_latency_bytes = 64 << 20;
  sizes.loads = 1 << 16;
  sizes.steps = 1 << 18;
  sizes.repetitions = 2;
  CacheScan l1;
  l1.caches.push_back({1, "Data", 32768, 64});
  const Ceilings c = probe_machine(l1, "cpu", "v", sizes);
  for (double figure :
       {c.copy, c.triad, c.multiply_latency, c.add_latency, c.flops, c.flops_scalar, c.call}) {
    EXPECT_GT(figure, 0);
    EXPECT_TRUE(std::isfinite(figure));
  }
  ASSERT_EQ(c.latency.size(), 15u);  // 4 KiB to 64 MiB
  // A working set of 4 KiB stays in the first cache; 64 MiB is far beyond any second one.
  EXPECT_LT(c.latency.front().seconds, c.latency.back().seconds);
  // One in-cache copy, within half the first cache; beyond it the memory figure holds.
  ASSERT_EQ(c.copy_in_cache.size(), 1u);
  EXPECT_EQ(c.copy_in_cache[0].bytes, 16384.0);
  EXPECT_GT(c.copy_in_cache[0].bytes_per_second, 0);
  EXPECT_EQ(c.copy_at(8192), c.copy_in_cache[0].bytes_per_second);
  EXPECT_EQ(c.copy_at(1e9), c.copy);

  // The JSON holds every figure; the latency between two points lies between them.
  const auto back = ceilings_from_json(ceilings_json(c));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->latency.size(), c.latency.size());
  EXPECT_EQ(back->copy, c.copy);
  ASSERT_EQ(back->copy_in_cache.size(), 1u);
  EXPECT_EQ(back->copy_in_cache[0].bytes_per_second, c.copy_in_cache[0].bytes_per_second);
  const double mid = c.latency_at(6144);
  EXPECT_GE(mid, std::min(c.latency[0].seconds, c.latency[1].seconds));
  EXPECT_LE(mid, std::max(c.latency[0].seconds, c.latency[1].seconds));
  EXPECT_FALSE(ceilings_from_json(nlohmann::ordered_json{{"bandwidth", 1}}));
}

TEST(MachineCache, KeepsTheFiguresOfOneCpuAndVersion) {
  ScratchDir dir;
  const char* old = std::getenv("XDG_CACHE_HOME");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1);
  Ceilings c;
  c.cpu = "Some CPU @ 2.0GHz";
  c.version = "1.2.3";
  c.copy = c.triad = 1e10;
  c.multiply_latency = c.add_latency = c.call = 1e-9;
  c.flops = c.flops_scalar = 1e9;
  c.latency = {{4096, 1e-9}};
  EXPECT_EQ(ceilings_path(c.cpu, c.version), dir.path("cache") +
                                                 "/kernels/machine-Some-CPU-2.0GHz-1.2.3-r" +
                                                 std::to_string(kProbeRevision) + ".json");
  EXPECT_FALSE(load_ceilings(c.cpu, c.version));
  save_ceilings(c);
  ASSERT_TRUE(load_ceilings(c.cpu, c.version));
  EXPECT_EQ(load_ceilings(c.cpu, c.version)->copy, 1e10);
  EXPECT_FALSE(load_ceilings(c.cpu, "1.2.4"));  // another version probes again
  dir.file(
      "cache/kernels/machine-Some-CPU-2.0GHz-1.2.3-r" + std::to_string(kProbeRevision) + ".json",
      "{\"cpu\": ");  // damaged
  EXPECT_FALSE(load_ceilings(c.cpu, c.version));
  if (old != nullptr)
    setenv("XDG_CACHE_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace kernels::runner
