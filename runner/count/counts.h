// Counts of one run of a job's timed region, taken under Valgrind's callgrind with a fixed
// simulated cache: instructions, data accesses, cache misses and branches, the same on every run
// of one build on one input.
#ifndef KERNELS_RUNNER_COUNT_COUNTS_H_
#define KERNELS_RUNNER_COUNT_COUNTS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "job/job.h"

namespace kernels::runner {

// One simulated cache: total size, associativity and line size, in bytes and ways.
struct CacheLevel {
  int bytes, ways, line;
};

// The simulated caches every counted run uses, whatever the host has, so that miss counts of one
// build agree between machines: 32 KiB 8-way first-level instruction and data caches and an
// 8 MiB 16-way last level, 64-byte lines.
inline constexpr CacheLevel kCountedI1{32768, 8, 64};
inline constexpr CacheLevel kCountedD1{32768, 8, 64};
inline constexpr CacheLevel kCountedLL{8388608, 16, 64};

// The counts of one counted run. Misses are of the simulated caches above; "ll" misses are data
// accesses that missed the last level (instruction fetches are not among them).
struct Counts {
  std::uint64_t instructions = 0;
  std::uint64_t data_reads = 0, data_writes = 0;
  std::uint64_t l1d_read_misses = 0, l1d_write_misses = 0;
  std::uint64_t ll_read_misses = 0, ll_write_misses = 0;
  std::uint64_t branches = 0, mispredicts = 0;  // conditional branches
  std::uint64_t indirect_branches = 0, indirect_mispredicts = 0;
  std::string tool;  // "callgrind 3.19.0"
};

// The names of the counts a report's "counts" object holds, in its order; each is a
// non-negative integer there. The first is "instructions".
inline constexpr const char* kCountNames[] = {
    "instructions",        "data_reads",       "data_writes", "l1d_misses",
    "l1d_read_misses",     "l1d_write_misses", "ll_misses",   "ll_read_misses",
    "ll_write_misses",     "branches",         "mispredicts", "indirect_branches",
    "indirect_mispredicts"};

// The counts as a report's "counts" object: every name of kCountNames, then "tool" and "cache"
// (the geometry: {"i1", "d1", "ll"}, each {"bytes", "ways", "line"}).
Json counts_json(const Counts& c);

// The counts of a callgrind output file's text (run with --cache-sim=yes --branch-sim=yes): its
// "events:" line names the columns of its "totals:" (or "summary:") line. Throws
// std::runtime_error when either line is missing or an event the counts need is not there.
Counts parse_callgrind_output(std::string_view text);

// The counts as a report's text line says them, after "counts": the instructions, per unit of
// `work` when it is given (unit plural, "symbols"), and the misses and mispredicts per thousand
// instructions.
std::string counts_text(const Counts& c, const std::optional<Work>& work);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COUNT_COUNTS_H_
