#include "machine/ceilings.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace kernels::runner {
namespace {

using Json = nlohmann::ordered_json;

bool positive(const Json& j, const char* key) {
  return j.contains(key) && j[key].is_number() && std::isfinite(j[key].get<double>()) &&
         j[key].get<double>() > 0;
}

std::optional<std::string> first_line(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  return line;
}

// "48K", "2048K", "32M" or a plain number of bytes; nothing for anything else.
std::optional<double> size_of(const std::string& text) {
  std::size_t end = 0;
  double value = 0;
  try {
    value = std::stod(text, &end);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const std::string rest = text.substr(end);
  if (rest.empty()) return value;
  if (rest == "K") return value * 1024;
  if (rest == "M") return value * 1024 * 1024;
  if (rest == "G") return value * 1024 * 1024 * 1024;
  return std::nullopt;
}

}  // namespace

double Ceilings::latency_at(double bytes) const {
  if (latency.empty()) return 0;
  if (bytes <= latency.front().bytes) return latency.front().seconds;
  if (bytes >= latency.back().bytes) return latency.back().seconds;
  for (std::size_t i = 1; i < latency.size(); ++i) {
    const LatencyPoint& a = latency[i - 1];
    const LatencyPoint& b = latency[i];
    if (bytes > b.bytes) continue;
    const double t = std::log(bytes / a.bytes) / std::log(b.bytes / a.bytes);
    return a.seconds + t * (b.seconds - a.seconds);
  }
  return latency.back().seconds;
}

double Ceilings::copy_at(double bytes) const {
  for (const BandwidthPoint& p : copy_in_cache)
    if (bytes <= p.bytes) return p.bytes_per_second;
  return copy;
}

double Ceilings::cache_size(int level) const {
  for (const Cache& c : caches)
    if (c.level == level && c.type != "Instruction") return c.size;
  return 0;
}

int Ceilings::last_level() const {
  int last = 0;
  for (const Cache& c : caches)
    if (c.type != "Instruction") last = std::max(last, c.level);
  return last;
}

Json caches_json(const std::vector<Cache>& caches) {
  Json out = Json::array();
  for (const Cache& c : caches)
    out.push_back({{"level", c.level}, {"type", c.type}, {"size", c.size}, {"line", c.line}});
  return out;
}

Json ceilings_json(const Ceilings& c) {
  Json j;
  j["cpu"] = c.cpu;
  j["version"] = c.version;
  Json in_cache = Json::array();
  for (const BandwidthPoint& p : c.copy_in_cache)
    in_cache.push_back({{"bytes", p.bytes}, {"bytes_per_second", p.bytes_per_second}});
  j["bandwidth"] = {{"copy", c.copy}, {"triad", c.triad}, {"copy_in_cache", in_cache}};
  Json latency = Json::array();
  for (const LatencyPoint& p : c.latency)
    latency.push_back({{"bytes", p.bytes}, {"seconds", p.seconds}});
  j["latency"] = latency;
  j["multiply_latency"] = c.multiply_latency;
  j["add_latency"] = c.add_latency;
  j["flops"] = c.flops;
  j["flops_scalar"] = c.flops_scalar;
  j["call"] = c.call;
  j["caches"] = caches_json(c.caches);
  if (!c.caches_missing.empty()) j["caches_missing"] = c.caches_missing;
  j["probe_seconds"] = c.probe_seconds;
  return j;
}

std::optional<Ceilings> ceilings_from_json(const Json& j) {
  if (!j.is_object() || !j.contains("bandwidth") || !j["bandwidth"].is_object()) return {};
  const Json& bw = j["bandwidth"];
  for (const char* key : {"multiply_latency", "add_latency", "flops", "flops_scalar", "call"})
    if (!positive(j, key)) return {};
  if (!positive(bw, "copy") || !positive(bw, "triad")) return {};
  if (!j.contains("latency") || !j["latency"].is_array() || !j.contains("caches") ||
      !j["caches"].is_array() || !j.contains("cpu") || !j["cpu"].is_string() ||
      !j.contains("version") || !j["version"].is_string())
    return {};
  Ceilings c;
  c.cpu = j["cpu"].get<std::string>();
  c.version = j["version"].get<std::string>();
  c.copy = bw["copy"].get<double>();
  c.triad = bw["triad"].get<double>();
  if (bw.contains("copy_in_cache")) {
    if (!bw["copy_in_cache"].is_array()) return {};
    for (const Json& p : bw["copy_in_cache"]) {
      if (!positive(p, "bytes") || !positive(p, "bytes_per_second")) return {};
      c.copy_in_cache.push_back({p["bytes"].get<double>(), p["bytes_per_second"].get<double>()});
    }
  }
  for (const Json& p : j["latency"]) {
    if (!positive(p, "bytes") || !positive(p, "seconds")) return {};
    c.latency.push_back({p["bytes"].get<double>(), p["seconds"].get<double>()});
  }
  c.multiply_latency = j["multiply_latency"].get<double>();
  c.add_latency = j["add_latency"].get<double>();
  c.flops = j["flops"].get<double>();
  c.flops_scalar = j["flops_scalar"].get<double>();
  c.call = j["call"].get<double>();
  for (const Json& e : j["caches"]) {
    if (!e.is_object() || !e.contains("level") || !e["level"].is_number_integer() ||
        !e.contains("type") || !e["type"].is_string() || !positive(e, "size"))
      return {};
    c.caches.push_back({e["level"].get<int>(), e["type"].get<std::string>(),
                        e["size"].get<double>(),
                        positive(e, "line") ? e["line"].get<double>() : 0});
  }
  if (j.contains("caches_missing") && j["caches_missing"].is_string())
    c.caches_missing = j["caches_missing"].get<std::string>();
  if (j.contains("probe_seconds") && j["probe_seconds"].is_number())
    c.probe_seconds = j["probe_seconds"].get<double>();
  return c;
}

CacheScan read_caches(const std::string& folder) {
  namespace fs = std::filesystem;
  CacheScan scan;
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    scan.missing = "no folder " + folder;
    return scan;
  }
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    if (it->path().filename().string().rfind("index", 0) == 0) entries.push_back(it->path());
  if (error) {
    scan.missing = "cannot read " + folder + ": " + error.message();
    return scan;
  }
  for (const fs::path& entry : entries) {
    const auto level = first_line(entry / "level");
    const auto size = first_line(entry / "size");
    const auto type = first_line(entry / "type");
    const auto line = first_line(entry / "coherency_line_size");
    const double bytes = size ? size_of(*size).value_or(0) : 0;
    int level_number = 0;
    try {
      level_number = level ? std::stoi(*level) : 0;
    } catch (const std::exception&) {
      level_number = 0;
    }
    if (level_number <= 0 || bytes <= 0) {
      scan.missing = "cannot read the level and size in " + entry.string();
      continue;
    }
    Cache c;
    c.level = level_number;
    c.type = type.value_or("Unified");
    c.size = bytes;
    c.line = line ? size_of(*line).value_or(0) : 0;
    scan.caches.push_back(c);
  }
  if (scan.caches.empty() && scan.missing.empty()) scan.missing = "no caches listed in " + folder;
  std::sort(scan.caches.begin(), scan.caches.end(), [](const Cache& a, const Cache& b) {
    return a.level != b.level ? a.level < b.level : a.type < b.type;
  });
  return scan;
}

}  // namespace kernels::runner
