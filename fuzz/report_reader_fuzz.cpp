// Reads arbitrary bytes as a file of saved runs, as `kernels compare`, `score` and `export` read
// one, and as a table of known results, as `kernels verify --results` reads one. The only
// outcomes are a result or a one-line UsageError; anything else (another exception, a crash, a
// sanitizer's report, a slow read) is a fault.
//
// On a result: every report is what the reader promises (a kernel, a non-empty list of finite
// times >= 0 whose statistics are in order, a digest of 16 lower-case hex digits or none), the
// file compared with itself pairs every report with an agreeing digest and a ratio of 1 or none,
// scores 1 against itself with every result valid or invalid as the known results say, and
// exports in every format (the JSON ones as JSON).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "commands/compare/compare.h"
#include "commands/export/export.h"
#include "commands/score/score.h"
#include "job/job.h"
#include "results/known_results.h"
#include "results/saved_run.h"

namespace {

namespace kr = kernels::runner;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "report_reader_fuzz: %s\n", what.c_str());
  std::abort();
}

void check_refusal(const kr::UsageError& e, const std::string& prefix) {
  const std::string what = e.what();
  if (what.find('\n') != std::string::npos) fail("a refusal of more than one line: " + what);
  if (what.rfind(prefix, 0) != 0)
    fail("a refusal that does not start with '" + prefix + "': " + what);
}

void check_report(const kr::SavedRun& r) {
  if (r.kernel.empty()) fail("a report without a kernel");
  const kr::TimeStats& s = r.seconds;
  if (s.each.empty()) fail(r.name() + ": no times");
  for (const double t : s.each)
    if (!std::isfinite(t) || t < 0) fail(r.name() + ": a time that is not finite and >= 0");
  if (!(s.min <= s.median && s.median <= s.max && std::isfinite(s.mean) && s.stddev >= 0))
    fail(r.name() + ": statistics out of order");
  if (r.digest) {
    if (r.digest->size() != 16) fail(r.name() + ": a digest not 16 digits long");
    for (const char c : *r.digest)
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
        fail(r.name() + ": digest " + *r.digest);
  }
}

void check_reports(const std::vector<kr::SavedRun>& reports) {
  for (const kr::SavedRun& r : reports) check_report(r);
  for (const kr::Json& o : kr::compare_reports(reports, reports)) {
    if (o.contains("only_in")) fail("a report of the file unpaired against itself");
    if (o.contains("same_digest")) {
      if (!o["same_digest"].get<bool>()) fail("a digest that differs from itself");
      if (o["ratio"].is_number() && o["ratio"].get<double>() != 1.0) fail("a ratio other than 1");
      if (o["verdict"] != "same") fail("a verdict other than same against itself");
    }
  }
  (void)kr::compare_text(kr::compare_reports(reports, reports));
  for (const kr::ScoredJob& j : kr::score_jobs(reports, reports)) {
    if (j.ratio && *j.ratio != 1.0) fail(j.run->name() + ": a speed ratio against itself not 1");
    if (j.valid &&
        *j.valid != (j.run->digest &&
                     kr::known_digest(j.run->kernel, j.run->args).value_or(*j.run->digest) ==
                         *j.run->digest))
      fail(j.run->name() + ": valid against itself disagrees with the known results");
  }
  for (const kr::ExportFormat& format : kr::export_formats()) {
    std::string document;
    try {
      document = kr::export_document(format.name, reports, "");
    } catch (const kr::UsageError& e) {
      check_refusal(e, "export: ");  // a job named twice
      continue;
    }
    if (format.json && kr::Json::parse(document, nullptr, false).is_discarded())
      fail(std::string(format.name) + " export is not JSON");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    check_reports(kr::parse_saved_runs(text, "fuzz.jsonl", "compare"));
  } catch (const kr::UsageError& e) {
    check_refusal(e, "compare: ");
  } catch (const std::exception& e) {
    fail(std::string("reports: not a usage error: ") + e.what());
  }
  try {
    for (const kr::KnownCase& c : kr::parse_known_results(text, "fuzz.jsonl"))
      if (c.digest.size() != 16) fail("a known case whose digest is not 16 digits");
  } catch (const kr::UsageError& e) {
    check_refusal(e, "fuzz.jsonl:");
  } catch (const std::exception& e) {
    fail(std::string("known results: not a usage error: ") + e.what());
  }
  return 0;
}
