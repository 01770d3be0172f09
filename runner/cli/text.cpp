#include "cli/text.h"

#include <cmath>
#include <cstdio>

namespace kernels::runner {

std::string duration_text(double seconds) {
  const double a = std::fabs(seconds);
  const char* unit = "s";
  double v = seconds;
  if (a < 1e-6) {
    unit = "ns";
    v = seconds * 1e9;
  } else if (a < 1e-3) {
    unit = "µs";
    v = seconds * 1e6;
  } else if (a < 1.0) {
    unit = "ms";
    v = seconds * 1e3;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g %s", v, unit);
  return buf;
}

namespace {

// Divides `value` by 1000 until it is below 1000 or the prefixes run out, and returns its metric
// prefix: "", " k", " M", " G" or " T".
const char* metric_prefix(double& value) {
  static const char* const kPrefix[] = {"", " k", " M", " G", " T"};
  int p = 0;
  while (p < 4 && std::fabs(value) >= 1000) {
    value /= 1000;
    ++p;
  }
  return kPrefix[p];
}

}  // namespace

std::string throughput(double per_second, const std::string& unit) {
  const char* prefix = metric_prefix(per_second);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3g%s %s/s", per_second, *prefix == '\0' ? " " : prefix,
                unit.c_str());
  return buf;
}

std::string count_text(double value) {
  const char* prefix = metric_prefix(value);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.3g%s", value, prefix);
  return buf;
}

std::string args_text(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& a : args) out += (out.empty() ? "" : " ") + (a.empty() ? "''" : a);
  return out;
}

}  // namespace kernels::runner
