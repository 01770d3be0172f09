// This machine's ceilings: what its memory, caches and arithmetic allow at best, as the probes of
// `kernels machine` measure them. Every figure is in SI base units (bytes, seconds, bytes per
// second, operations per second).
#ifndef KERNELS_RUNNER_MACHINE_CEILINGS_H_
#define KERNELS_RUNNER_MACHINE_CEILINGS_H_

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace kernels::runner {

// One cache as the kernel's sysfs describes it.
struct Cache {
  int level = 0;     // 1, 2, 3, ...
  std::string type;  // "Data", "Instruction" or "Unified"
  double size = 0;   // bytes
  double line = 0;   // bytes
};

// The caches of cpu0, or why there are none.
struct CacheScan {
  std::vector<Cache> caches;  // by level, then type
  std::string missing;        // empty, or what could not be read ("no folder /sys/...")
};

// The copy bandwidth with one working set (both arrays together).
struct BandwidthPoint {
  double bytes = 0;             // working set
  double bytes_per_second = 0;  // read plus written
};

// The load latency with one working set.
struct LatencyPoint {
  double bytes = 0;    // working set
  double seconds = 0;  // per dependent load
};

struct Ceilings {
  std::string cpu;      // the CPU model the figures belong to
  std::string version;  // the runner's version that measured them
  double copy = 0;      // bytes per second read and written by a copy of large arrays
  double triad = 0;     // the same for a[i] = b[i] + s * c[i]
  std::vector<BandwidthPoint> copy_in_cache;  // copies that fit a data cache, ascending
  std::vector<LatencyPoint> latency;          // by working set, ascending
  double multiply_latency = 0;                // seconds per dependent 64-bit multiply
  double add_latency = 0;                     // seconds per dependent 64-bit add
  double flops = 0;                           // double operations per second, two-wide
  double flops_scalar = 0;                    // the same, one at a time
  double call = 0;  // seconds per call of an empty function the compiler cannot see into
  std::vector<Cache> caches;
  std::string caches_missing;  // empty, or why the caches are unknown
  double probe_seconds = 0;    // how long the probes took

  // The latency of a dependent load with `bytes` of working set: interpolated on the logarithm
  // of the size between the measured points, the first or last point outside them. 0 when no
  // point was measured.
  double latency_at(double bytes) const;
  // The copy bandwidth with `bytes` of working set: that of the smallest in-cache copy at least
  // as large (the cache that holds it), `copy` (memory) when the working set is larger than them
  // all or none was probed.
  double copy_at(double bytes) const;
  // The size of the data or unified cache at `level`, 0 when unknown.
  double cache_size(int level) const;
  // The largest level with a data or unified cache, 0 when none is known.
  int last_level() const;
};

// The ceilings as `kernels machine --json` prints them (one object), and back. from_json gives
// nothing for an object that lacks a figure or holds one of the wrong type.
nlohmann::ordered_json ceilings_json(const Ceilings& c);
std::optional<Ceilings> ceilings_from_json(const nlohmann::ordered_json& j);

// The caches as every report's context holds them: [{"level", "type", "size", "line"}, ...].
nlohmann::ordered_json caches_json(const std::vector<Cache>& caches);

// Reads the caches of cpu0 under `folder` (normally /sys/devices/system/cpu/cpu0/cache): one per
// indexN subfolder with level, type, size ("32K", "1M" or bytes) and coherency_line_size. A
// missing or unreadable folder, or an entry without a readable level and size, is reported in
// `missing`, never thrown.
CacheScan read_caches(const std::string& folder = "/sys/devices/system/cpu/cpu0/cache");

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_MACHINE_CEILINGS_H_
