#include "machine/regimes.h"

#include <cstdio>

namespace kernels::runner {

std::string regime_of(double bytes, const std::vector<Cache>& caches) {
  if (!(bytes > 0)) return "";
  int best = 0;
  bool any = false;
  for (const Cache& c : caches) {
    if (c.type == "Instruction" || c.size <= 0) continue;
    any = true;
    if (bytes <= c.size && (best == 0 || c.level < best)) best = c.level;
  }
  if (!any) return "";
  if (best == 0) return "memory";
  char name[16];
  std::snprintf(name, sizeof name, "L%d", best);
  return name;
}

std::vector<Cache> caches_of_context(const nlohmann::ordered_json& context) {
  std::vector<Cache> caches;
  if (!context.is_object() || !context.contains("caches") || !context["caches"].is_array())
    return caches;
  for (const auto& e : context["caches"]) {
    if (!e.is_object() || !e.contains("level") || !e["level"].is_number_integer() ||
        !e.contains("size") || !e["size"].is_number())
      continue;
    Cache c;
    c.level = e["level"].get<int>();
    c.type = e.contains("type") && e["type"].is_string() ? e["type"].get<std::string>() : "Unified";
    c.size = e["size"].get<double>();
    c.line = e.contains("line") && e["line"].is_number() ? e["line"].get<double>() : 0;
    caches.push_back(c);
  }
  return caches;
}

}  // namespace kernels::runner
