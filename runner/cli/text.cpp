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

std::string throughput(double per_second, const std::string& unit) {
  const char* prefix[] = {"", " k", " M", " G", " T"};
  int p = 0;
  while (p < 4 && std::fabs(per_second) >= 1000) {
    per_second /= 1000;
    ++p;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3g%s %s/s", per_second, p == 0 ? " " : prefix[p], unit.c_str());
  return buf;
}

std::string args_text(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& a : args) out += (out.empty() ? "" : " ") + (a.empty() ? "''" : a);
  return out;
}

}  // namespace kernels::runner
