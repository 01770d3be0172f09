#include "commands/verify/verify.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "cli/cli.h"
#include "cli/output.h"
#include "commands/verify/case_input.h"
#include "files/files.h"
#include "files/scratch_dir.h"
#include "job/digest.h"
#include "run/run_job.h"
#include "run/run_plan.h"

namespace kernels::runner {
namespace {

std::string shown(const Json& v) {
  return v.is_null() ? "none" : v.is_string() ? v.get<std::string>() : v.dump();
}

void run_case(const KnownCase& c, const std::string& dir, CaseResult& result) {
  std::vector<std::string> tokens = c.args;
  if (!c.input.is_null()) {
    const std::string path = write_case_input(c.input, dir);
    const std::string name = c.input["name"].get<std::string>();
    std::replace(tokens.begin(), tokens.end(), name, path);
  }
  std::unique_ptr<Job> job = configure_job(c.kernel, tokens);
  const Report r = run_job(c.kernel, *job, RunSettings{0, 0, true});
  if (r.digest) result.actual = hex_digest(*r.digest);
  if (result.actual != c.digest)
    result.problems.push_back("expected " + c.digest + " actual " + result.actual.value_or("none"));
  for (auto it = c.summary.begin(); it != c.summary.end(); ++it) {
    const Json actual = r.summary.is_object() ? r.summary.value(it.key(), Json()) : Json();
    result.summary[it.key()] = actual;
    if (actual != it.value())
      result.problems.push_back("summary " + it.key() + ": expected " + shown(it.value()) +
                                " actual " + shown(actual));
  }
}

std::vector<KnownCase> read_table(const std::string& path) {
  if (path.empty()) return parse_known_results(builtin_known_results(), "known_results.jsonl");
  return parse_known_results(read_file("--results", path), path);
}

struct VerifyOptions {
  std::vector<std::string> names;
  bool quick = false, list = false, json = false;
  std::string results, record;
};

VerifyOptions parse_verify(const std::vector<std::string>& tokens, std::string& help) {
  VerifyOptions o;
  auto app = new_app(
      "Runs every known-results case of the named jobs (all by default) once and checks its "
      "digest and summary figures. Each case gets one run, untimed: it is the observed run, "
      "since some jobs' digests exist only through their observers. Prints PASS or FAIL per "
      "case, then 'N passed, N failed'.",
      "kernels verify",
      "kernels verify [NAME...] [--quick] [--list] [--json] [--results FILE] [--record FILE]");
  app->add_option("NAME", o.names, "jobs whose cases to run (default: every job)");
  app->add_flag("--quick", o.quick, "only the cases that take well under a second");
  app->add_flag("--list", o.list, "print the cases instead of running them");
  app->add_flag("--json", o.json,
                "one JSON object per case, then the counts (with --list: the table's lines)");
  app->add_option("--results", o.results,
                  "check against the table in FILE (default: the one built in)")
      ->type_name("FILE");
  app->add_option("--record", o.record,
                  "also write the table as this build gives it to FILE (the cases run)")
      ->type_name("FILE");
  app->footer(
      "Exit status: 0 when no case failed, 1 when one did, 2 for a usage error or a table that "
      "cannot be read.");
  help = parse_or_help(*app, "verify", tokens);
  if (!help.empty()) return o;
  for (const std::string& n : o.names)
    if (find_job(n) == nullptr) throw UsageError("unknown kernel '" + n + "' (see 'kernels list')");
  if (o.list && !o.record.empty()) throw UsageError("verify: --list runs nothing to --record");
  return o;
}

std::string list_line(const KnownCase& c) {
  std::string line = case_title(c);
  if (c.quick) line += "  [quick]";
  if (!c.input.is_null()) line += "  [input " + c.input.dump() + "]";
  return line;
}

}  // namespace

CaseResult check_case(const KnownCase& c, const std::string& dir) {
  CaseResult result;
  const auto start = std::chrono::steady_clock::now();
  try {
    run_case(c, dir, result);
  } catch (const std::exception& e) {
    result.problems.push_back(std::string("error: ") + e.what());
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

KnownCase recorded_case(const KnownCase& c, const CaseResult& result) {
  KnownCase r = c;
  r.digest = *result.actual;
  for (auto it = r.summary.begin(); it != r.summary.end(); ++it)
    it.value() = result.summary.value(it.key(), Json());
  return r;
}

int verify_command(const std::vector<std::string>& tokens, std::ostream& out) {
  std::string help;
  const VerifyOptions o = parse_verify(tokens, help);
  if (!help.empty()) {
    out << help;
    return 0;
  }
  std::vector<KnownCase> cases = read_table(o.results);
  std::erase_if(cases, [&](const KnownCase& c) {
    return (o.quick && !c.quick) || (!o.names.empty() && std::find(o.names.begin(), o.names.end(),
                                                                   c.kernel) == o.names.end());
  });
  if (o.list) {
    for (const KnownCase& c : cases)
      out << (o.json ? known_case_json(c).dump() : list_line(c)) << "\n";
    return 0;
  }
  // The record is written whole at the end: a run that fails or is interrupted leaves the old
  // file, if any, as it was.
  std::optional<WholeFile> record;
  if (!o.record.empty()) {
    try {
      record.emplace(o.record);
    } catch (const std::runtime_error& e) {
      throw UsageError(std::string("--record: ") + e.what());
    }
  }
  std::optional<ScratchDir> scratch;  // made when a case first needs an input file
  int passed = 0, failed = 0;
  for (const KnownCase& c : cases) {
    if (!c.input.is_null() && !scratch) scratch.emplace("kernels-verify");
    const CaseResult r =
        check_case(c, c.input.is_null() ? std::string() : scratch->root().string());
    (r.pass() ? passed : failed)++;
    if (record && r.actual) record->write(known_case_json(recorded_case(c, r)).dump() + "\n");
    if (o.json) {
      Json j{{"kernel", c.kernel},   {"args", c.args},
             {"expected", c.digest}, {"actual", r.actual ? Json(*r.actual) : Json()},
             {"pass", r.pass()},     {"seconds", r.seconds}};
      if (!r.pass()) j["problems"] = r.problems;
      out << j.dump() << "\n";
    } else {
      std::string line = (r.pass() ? "PASS  " : "FAIL  ") + case_title(c);
      for (std::size_t i = 0; i < r.problems.size(); ++i)
        line += (i == 0 ? "  " : "; ") + r.problems[i];
      out << line << "\n";
    }
    check_output(out);
  }
  if (record) record->commit();
  if (o.json)
    out << Json{{"passed", passed}, {"failed", failed}}.dump() << "\n";
  else
    out << passed << " passed, " << failed << " failed\n";
  return failed == 0 ? 0 : 1;
}

}  // namespace kernels::runner
