#include "report.h"

#include <cmath>
#include <cstdio>

#include "context.h"
#include "digest.h"

namespace kernels::runner {

std::string hex_digest(std::uint64_t digest) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(digest));
  return buf;
}

Json report_object(const Report& r) {
  Json j;
  j["kernel"] = r.kernel;
  j["args"] = r.args;
  j["runs"] = r.seconds.each.size();
  j["seconds"] = {{"min", r.seconds.min},   {"median", r.seconds.median},
                  {"mean", r.seconds.mean}, {"stddev", r.seconds.stddev},
                  {"max", r.seconds.max},   {"each", r.seconds.each}};
  j["storage"] = {{"records", r.records}, {"bytes", r.bytes}};
  j["calls"] = r.calls;
  j["summary"] = r.summary;
  j["digest"] = r.digest ? Json(hex_digest(*r.digest)) : Json(nullptr);
  j["context"] = run_context();
  return j;
}

std::string report_json(const Report& r) {
  return report_object(r).dump();
}

namespace {

// A duration with a unit that keeps three or four significant digits.
std::string duration(double seconds) {
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

// "key value, key value" for a flat JSON object; nested values are shown as JSON.
std::string pairs(const Json& object) {
  std::string out;
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (!out.empty()) out += ", ";
    out += it.key();
    out += ' ';
    out += it.value().is_string() ? it.value().get<std::string>() : it.value().dump();
  }
  return out.empty() ? "-" : out;
}

}  // namespace

std::string report_text(const Report& r) {
  std::string args;
  for (const auto& a : r.args) args += (args.empty() ? "" : " ") + (a.empty() ? "''" : a);
  if (args.size() > 60) args = args.substr(0, 57) + "...";
  const TimeStats& s = r.seconds;
  std::string out = r.kernel + (args.empty() ? "" : "  [" + args + "]") + "\n";
  if (s.each.empty()) {
    out += "  time      not timed\n";
  } else {
    out += "  time      median " + duration(s.median) + "   mean " + duration(s.mean) + " ± " +
           duration(s.stddev) + "   min " + duration(s.min) + " … max " + duration(s.max) + "   " +
           std::to_string(s.each.size()) + (s.each.size() == 1 ? " run" : " runs") + "\n";
  }
  out += "  storage   " + std::to_string(r.records) + " records, " + std::to_string(r.bytes) +
         " bytes\n";
  out += "  calls     " + (r.calls.is_null() ? std::string("skipped") : pairs(r.calls)) + "\n";
  out += "  summary   " + pairs(r.summary) + "\n";
  out += "  digest    " +
         (r.digest ? hex_digest(*r.digest) : std::string("- (needs the observed run)")) + "\n";
  return out;
}

}  // namespace kernels::runner
