#include "report/bound.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/text.h"
#include "machine/machine_cache.h"
#include "report/context.h"

namespace kernels::runner {

const Ceilings* cached_machine_ceilings() {
  static const std::optional<Ceilings> ceilings = [] {
    const Json& c = run_context();
    return load_ceilings(c["cpu"].get<std::string>(), c["version"].get<std::string>());
  }();
  return ceilings ? &*ceilings : nullptr;
}

namespace {

std::optional<double> efficiency(const Report& r) {
  if (!r.bound || r.seconds.each.empty() || !(r.seconds.median > 0)) return std::nullopt;
  return r.bound->seconds / r.seconds.median;
}

}  // namespace

Json bound_json(const Report& r) {
  if (!r.bound) return nullptr;
  const std::optional<double> e = efficiency(r);
  return Json{{"seconds", r.bound->seconds},
              {"limit", r.bound->limit},
              {"detail", r.bound->detail},
              {"efficiency", e ? Json(*e) : Json(nullptr)}};
}

std::string bound_text(const Report& r) {
  if (!r.bound) return "- (" + r.bound_note + ")";
  std::string out =
      duration_text(r.bound->seconds) + " (" + r.bound->limit + ": " + r.bound->detail + ")";
  if (const std::optional<double> e = efficiency(r)) {
    char buf[32];
    std::snprintf(buf, sizeof buf, ", efficiency %.2f", *e);
    out += buf;
  }
  return out;
}

std::string bound_table(const std::vector<Report>& reports) {
  std::size_t width = 3;
  for (const Report& r : reports) width = std::max(width, r.kernel.size());
  char line[256];
  std::snprintf(line, sizeof line, "%-*s  %-36s %11s %11s  %s\n", static_cast<int>(width), "job",
                "limit", "bound", "median", "efficiency");
  std::string out = line;
  for (const Report& r : reports) {
    std::snprintf(line, sizeof line, "%-*s  %-36s %11s %11s  %.2f\n", static_cast<int>(width),
                  r.kernel.c_str(), r.bound->limit.c_str(), duration_text(r.bound->seconds).c_str(),
                  duration_text(r.seconds.median).c_str(), efficiency(r).value_or(0));
    out += line;
  }
  return out;
}

}  // namespace kernels::runner
