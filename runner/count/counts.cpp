#include "count/counts.h"

#include <cstdio>
#include <map>
#include <stdexcept>

namespace kernels::runner {
namespace {

Json level_json(const CacheLevel& c) {
  return Json{{"bytes", c.bytes}, {"ways", c.ways}, {"line", c.line}};
}

// The words of `line` split at spaces.
std::vector<std::string> words(std::string_view line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) out.emplace_back(line.substr(start, i - start));
  }
  return out;
}

// `n` per thousand instructions, with two decimals.
std::string per_thousand(std::uint64_t n, std::uint64_t instructions) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f",
                instructions == 0 ? 0.0 : 1000.0 * static_cast<double>(n) / instructions);
  return buf;
}

}  // namespace

Json counts_json(const Counts& c) {
  return Json{{"instructions", c.instructions},
              {"data_reads", c.data_reads},
              {"data_writes", c.data_writes},
              {"l1d_misses", c.l1d_read_misses + c.l1d_write_misses},
              {"l1d_read_misses", c.l1d_read_misses},
              {"l1d_write_misses", c.l1d_write_misses},
              {"ll_misses", c.ll_read_misses + c.ll_write_misses},
              {"ll_read_misses", c.ll_read_misses},
              {"ll_write_misses", c.ll_write_misses},
              {"branches", c.branches},
              {"mispredicts", c.mispredicts},
              {"indirect_branches", c.indirect_branches},
              {"indirect_mispredicts", c.indirect_mispredicts},
              {"tool", c.tool},
              {"cache",
               {{"i1", level_json(kCountedI1)},
                {"d1", level_json(kCountedD1)},
                {"ll", level_json(kCountedLL)}}}};
}

Counts parse_callgrind_output(std::string_view text) {
  std::vector<std::string> events, totals;
  std::string creator;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, colon), value = line.substr(colon + 1);
    if (key == "events")
      events = words(value);
    else if (key == "totals" || (key == "summary" && totals.empty()))
      totals = words(value);
    else if (key == "creator")
      creator = words(value).empty() ? "" : words(value).front();
  }
  if (events.empty()) throw std::runtime_error("callgrind output has no 'events:' line");
  if (totals.empty()) throw std::runtime_error("callgrind output has no 'totals:' line");
  std::map<std::string, std::uint64_t> by_name;
  for (std::size_t i = 0; i < events.size(); ++i)
    by_name[events[i]] = i < totals.size() ? std::stoull(totals[i]) : 0;  // trailing zeros omitted
  const auto get = [&](const char* name) {
    const auto it = by_name.find(name);
    if (it == by_name.end())
      throw std::runtime_error(std::string("callgrind output has no event '") + name +
                               "' (cache and branch simulation must be on)");
    return it->second;
  };
  Counts c;
  c.instructions = get("Ir");
  c.data_reads = get("Dr");
  c.data_writes = get("Dw");
  c.l1d_read_misses = get("D1mr");
  c.l1d_write_misses = get("D1mw");
  c.ll_read_misses = get("DLmr");
  c.ll_write_misses = get("DLmw");
  c.branches = get("Bc");
  c.mispredicts = get("Bcm");
  c.indirect_branches = get("Bi");
  c.indirect_mispredicts = get("Bim");
  // "callgrind-3.19.0" -> "callgrind 3.19.0"
  if (const std::size_t dash = creator.find('-'); dash != std::string::npos) creator[dash] = ' ';
  c.tool = creator.empty() ? "callgrind" : creator;
  return c;
}

std::string counts_text(const Counts& c, const std::optional<Work>& work) {
  std::string out = std::to_string(c.instructions) + " instructions";
  if (work && work->n > 0) {
    std::string unit = work->unit;  // plural: "symbols" gives "per symbol"
    if (unit.size() > 1 && unit.back() == 's') unit.pop_back();
    char buf[64];
    std::snprintf(buf, sizeof buf, " (%.4g per %s)", static_cast<double>(c.instructions) / work->n,
                  unit.c_str());
    out += buf;
  }
  const std::uint64_t l1d = c.l1d_read_misses + c.l1d_write_misses;
  const std::uint64_t ll = c.ll_read_misses + c.ll_write_misses;
  out += ", " + std::to_string(c.data_reads) + " reads, " + std::to_string(c.data_writes) +
         " writes; per 1000 instructions: L1d misses " + per_thousand(l1d, c.instructions) +
         ", LL misses " + per_thousand(ll, c.instructions) + ", mispredicts " +
         per_thousand(c.mispredicts + c.indirect_mispredicts, c.instructions) + " (of " +
         std::to_string(c.branches) + " branches, " + std::to_string(c.indirect_branches) +
         " indirect)";
  return out;
}

}  // namespace kernels::runner
