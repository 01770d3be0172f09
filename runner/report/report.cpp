#include "report/report.h"

#include <cmath>
#include <cstdio>

#include "cli/text.h"
#include "job/digest.h"
#include "report/bound.h"
#include "report/context.h"

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
  if (r.work) {
    Json counters = Json::object();
    for (const Counter& c : r.work->counters) counters[c.name] = c.value;
    j["work"] = {{"n", r.work->n}, {"unit", r.work->unit}, {"counters", counters}};
  }
  j["bound"] = bound_json(r);
  j["memory"] = memory_json(r.memory);
  if (r.counts) j["counts"] = counts_json(*r.counts);
  j["context"] = run_context();
  return j;
}

std::string report_json(const Report& r) {
  return report_object(r).dump();
}

namespace {

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
  std::string args = args_text(r.args);
  if (args.size() > 60) args = args.substr(0, 57) + "...";
  const TimeStats& s = r.seconds;
  std::string out = r.kernel + (args.empty() ? "" : "  [" + args + "]") + "\n";
  if (s.each.empty()) {
    out += "  time      not timed\n";
  } else {
    out += "  time      median " + duration_text(s.median) + "   mean " + duration_text(s.mean) +
           " ± " + duration_text(s.stddev) + "   min " + duration_text(s.min) + " … max " +
           duration_text(s.max) + "   " + std::to_string(s.each.size()) +
           (s.each.size() == 1 ? " run" : " runs") + "\n";
  }
  out += "  storage   " + std::to_string(r.records) + " records, " + std::to_string(r.bytes) +
         " bytes\n";
  out += "  calls     " + (r.calls.is_null() ? std::string("skipped") : pairs(r.calls)) + "\n";
  out += "  summary   " + pairs(r.summary) + "\n";
  out += "  digest    " +
         (r.digest ? hex_digest(*r.digest) : std::string("- (needs the observed run)")) + "\n";
  if (r.work) {
    char n[32];
    std::snprintf(n, sizeof n, "%.0f", r.work->n);
    out += "  work      " + std::string(n) + " " + r.work->unit;
    if (s.median > 0) out += ", " + throughput(r.work->n / s.median, r.work->unit);
    for (const Counter& c : r.work->counters) {
      out += "; " + c.name + " " + count_text(c.value);
      if (s.median > 0) out += " (" + count_text(c.value / s.median) + "/s)";
    }
    out += "\n";
  }
  out += "  bound     " + bound_text(r) + "\n";
  out += "  memory    " + memory_text(r.memory) + "\n";
  if (r.counts) out += "  counts    " + counts_text(*r.counts, r.work) + "\n";
  return out;
}

}  // namespace kernels::runner
