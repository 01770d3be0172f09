#include "commands/machine.h"

#include <unistd.h>
#include <cstdio>
#include <iostream>

#include "cli/cli.h"
#include "cli/text.h"
#include "machine/machine_cache.h"
#include "machine/probes.h"
#include "report/bound.h"
#include "report/context.h"

namespace kernels::runner {
namespace {

// "48 KiB", "2 MiB", "256 MiB", "512 B".
std::string size_text(double bytes) {
  const char* units[] = {"B", "KiB", "MiB", "GiB"};
  int u = 0;
  while (u < 3 && bytes >= 1024) {
    bytes /= 1024;
    ++u;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g %s", bytes, units[u]);
  return buf;
}

std::string rate_text(double bytes_per_second) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3g GB/s", bytes_per_second / 1e9);
  return buf;
}

}  // namespace

std::string ceilings_text(const Ceilings& c) {
  std::string out;
  out += "bandwidth   copy " + rate_text(c.copy) + ", triad " + rate_text(c.triad) +
         " (bytes read + written)\n";
  if (!c.copy_in_cache.empty()) {
    std::string in_cache;
    for (const BandwidthPoint& p : c.copy_in_cache) {
      if (!in_cache.empty()) in_cache += ", ";
      in_cache += rate_text(p.bytes_per_second) + " within " + size_text(p.bytes);
    }
    out += "            copy " + in_cache + "\n";
  }
  out += "latency     working set   per dependent load\n";
  for (const LatencyPoint& p : c.latency) {
    char line[96];
    std::snprintf(line, sizeof line, "            %-13s %s\n", size_text(p.bytes).c_str(),
                  duration_text(p.seconds).c_str());
    out += line;
  }
  out += "multiply    " + duration_text(c.multiply_latency) + " per dependent 64-bit multiply\n";
  out += "add         " + duration_text(c.add_latency) + " per dependent 64-bit add\n";
  out += "flops       " + throughput(c.flops, "flop") + " two-wide, " +
         throughput(c.flops_scalar, "flop") + " scalar (multiply and add apart)\n";
  out += "call        " + duration_text(c.call) + " per call of an opaque function\n";
  if (c.caches.empty()) {
    out += "caches      unknown: " + c.caches_missing + "\n";
  } else {
    std::string caches;
    for (const Cache& k : c.caches) {
      if (!caches.empty()) caches += ", ";
      caches += "L" + std::to_string(k.level) + " " + k.type + " " + size_text(k.size);
      if (k.line > 0) caches += " (line " + size_text(k.line) + ")";
    }
    out += "caches      " + caches + "\n";
    if (!c.caches_missing.empty()) out += "            (" + c.caches_missing + ")\n";
  }
  char probed[64];
  std::snprintf(probed, sizeof probed, "probed      in %.1f s by kernels %s\n", c.probe_seconds,
                c.version.c_str());
  out += probed;
  return out;
}

int machine_command(const std::vector<std::string>& tokens, std::ostream& out) {
  bool json = false, refresh = false;
  auto app = new_app(
      "Prints this machine's ceilings: memory bandwidth (copy and triad over arrays of 4x the "
      "last-level cache, 1 GiB at most, and copies within half of each data cache), load latency "
      "by working set (a chase through a random cyclic permutation, 4 KiB to 256 MiB), the "
      "latency of a dependent 64-bit multiply and add, double multiply-add throughput (scalar "
      "and two-wide, multiply and add apart), the cost of a call, and the caches from sysfs. The "
      "probes take a second or two; their figures are kept in $XDG_CACHE_HOME/kernels (or "
      "~/.cache/kernels) for this CPU model and runner version, and every report's bound uses "
      "them.",
      "machine", "kernels machine [--json] [--refresh]");
  app->add_flag("--json", json,
                "one JSON object, in SI base units: bandwidth {copy, triad, copy_in_cache "
                "[{bytes, bytes_per_second}]} (B/s), latency [{bytes, seconds}], "
                "multiply_latency, add_latency, call (s), flops, "
                "flops_scalar (1/s), caches [{level, type, size, line}]");
  app->add_flag("--refresh", refresh, "probe again even when figures are cached, and keep them");
  if (const std::string help = parse_or_help(*app, "machine", tokens); !help.empty()) {
    out << help;
    return 0;
  }
  const std::string cpu = run_context()["cpu"].get<std::string>();
  const std::string version = run_context()["version"].get<std::string>();
  std::optional<Ceilings> c;
  std::string not_kept;  // why the probed figures could not be kept, if they could not
  if (!refresh) c = load_ceilings(cpu, version);
  if (!c) {
    const bool terminal = isatty(STDERR_FILENO) != 0;
    c = probe_machine(read_caches(), cpu, version, {}, [terminal](const char* what) {
      if (!terminal) return;
      std::fprintf(stderr, "\rkernels: probing %-12s", what);
      std::fflush(stderr);
    });
    if (terminal) std::fputs("\r                               \r", stderr);
    try {
      save_ceilings(*c);
    } catch (const std::runtime_error& e) {
      not_kept = e.what();
    }
  }
  if (json) {
    out << ceilings_json(*c).dump() << "\n";
  } else {
    out << "context     " << context_text(run_context()) << "\n" << ceilings_text(*c);
  }
  if (!not_kept.empty()) {
    std::fprintf(stderr, "kernels: machine: the figures above are not kept: %s\n",
                 not_kept.c_str());
    return 1;
  }
  return 0;
}

}  // namespace kernels::runner
