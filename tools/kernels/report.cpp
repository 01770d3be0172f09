// The run loop and the two report formats.
#include "report.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "kernels/shell/shell.h"

namespace kernels::runner {

TimeStats time_stats(std::vector<double> seconds) {
  TimeStats s;
  s.each = seconds;
  std::sort(seconds.begin(), seconds.end());
  const std::size_t n = seconds.size();
  s.min = seconds.front();
  s.max = seconds.back();
  s.median = n % 2 == 1 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
  s.mean = std::accumulate(seconds.begin(), seconds.end(), 0.0) / static_cast<double>(n);
  double squares = 0;
  for (double x : seconds) squares += (x - s.mean) * (x - s.mean);
  s.stddev = n > 1 ? std::sqrt(squares / static_cast<double>(n - 1)) : 0.0;
  return s;
}

Report run_job(const std::string& name, Job& job, int repeat) {
  using Clock = std::chrono::steady_clock;
  Report r;
  r.kernel = name;
  r.args = job.args();

  shell::arena_reset();
  job.prepare();
  job.run();  // warm-up

  std::vector<double> seconds;
  for (int i = 0; i < repeat; ++i) {
    shell::arena_reset();
    job.prepare();
    const shell::ArenaStats before = shell::arena_stats();
    const auto start = Clock::now();
    job.run();
    const auto stop = Clock::now();
    const shell::ArenaStats after = shell::arena_stats();
    seconds.push_back(std::chrono::duration<double>(stop - start).count());
    r.records = after.records - before.records;
    r.bytes = after.bytes - before.bytes;
  }
  r.seconds = time_stats(std::move(seconds));

  shell::arena_reset();
  job.prepare();
  r.calls = job.run_observed();
  r.summary = job.summary();
  r.digest = job.digest();
  shell::arena_reset();
  return r;
}

std::string hex_digest(std::uint64_t digest) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(digest));
  return buf;
}

std::string report_json(const Report& r) {
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
  j["digest"] = hex_digest(r.digest);
  return j.dump();
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
  out += "  time      median " + duration(s.median) + "   mean " + duration(s.mean) + " ± " +
         duration(s.stddev) + "   min " + duration(s.min) + " … max " + duration(s.max) + "   " +
         std::to_string(s.each.size()) + (s.each.size() == 1 ? " run" : " runs") + "\n";
  out += "  storage   " + std::to_string(r.records) + " records, " + std::to_string(r.bytes) +
         " bytes\n";
  out += "  calls     " + pairs(r.calls) + "\n";
  out += "  summary   " + pairs(r.summary) + "\n";
  out += "  digest    " + hex_digest(r.digest) + "\n";
  return out;
}

}  // namespace kernels::runner
