#include "count/peak_memory.h"

#include <cstdio>
#include <fstream>

namespace kernels::runner {

bool reset_peak_rss() {
  std::ofstream clear_refs("/proc/self/clear_refs");
  return static_cast<bool>(clear_refs << "5" << std::flush);
}

std::optional<std::uint64_t> peak_rss_now() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) {
      unsigned long long kib = 0;
      if (std::sscanf(line.c_str() + 6, "%llu", &kib) != 1) return std::nullopt;
      return static_cast<std::uint64_t>(kib) * 1024;
    }
  return std::nullopt;
}

PeakMemory job_peak(bool reset) {
  PeakMemory m;
  m.reset = reset;
  if (!reset) {
    m.note = "the high-water mark could not be reset (/proc/self/clear_refs)";
    return m;
  }
  m.peak_rss = peak_rss_now();
  if (!m.peak_rss) m.note = "the system does not tell the high-water mark (VmHWM)";
  return m;
}

Json memory_json(const PeakMemory& m) {
  Json j{{"peak_rss", m.peak_rss ? Json(*m.peak_rss) : Json()}, {"reset", m.reset}};
  if (!m.peak_rss) j["note"] = m.note;
  return j;
}

std::string memory_text(const PeakMemory& m) {
  if (!m.peak_rss) return "- (" + m.note + ")";
  char buf[64];
  std::snprintf(buf, sizeof buf, "peak %.1f MiB resident",
                static_cast<double>(*m.peak_rss) / (1024.0 * 1024.0));
  return buf;
}

}  // namespace kernels::runner
