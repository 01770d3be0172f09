#include "commands/export/export.h"

#include <map>

#include "cli/cli.h"
#include "commands/export/formats.h"
#include "files/files.h"

namespace kernels::runner {

std::string export_document(const std::string& format, const std::vector<SavedRun>& reports,
                            const std::string& order) {
  std::map<std::string, const SavedRun*> seen;
  for (const SavedRun& r : reports)
    if (const auto [it, fresh] = seen.emplace(r.name(), &r); !fresh)
      throw UsageError(
          "export: job " + Json(r.name()).dump(-1, ' ', false, Json::error_handler_t::replace) +
          " appears twice (" + it->second->source + ":" + std::to_string(it->second->line) +
          " and " + r.source + ":" + std::to_string(r.line) + "); export one run of each job");
  if (format == "gbench") return gbench_json(reports);
  if (format == "bmf") return bmf_json(reports);
  if (format == "github") return github_json(reports);
  if (format == "lnt") return lnt_json(reports, order);
  if (format == "csv") return csv_text(reports);
  if (format == "markdown") return markdown_table(reports);
  throw UsageError("export: unknown format '" + format +
                   "' (gbench, bmf, github, lnt, csv, markdown)");
}

int export_command(const std::vector<std::string>& tokens, std::ostream& out) {
  std::string format, output, order;
  std::vector<std::string> files;
  auto app = new_app(
      "Writes the run reports of saved runs ('kernels run --json' output, sweep points included) "
      "as one document that another tool reads unchanged. Each job is named by its kernel and "
      "its args as typed, joined by spaces ('bisort --size 1048576'), as 'kernels compare' pairs "
      "them. Formats: gbench (Google Benchmark JSON, for its compare.py), bmf (Bencher Metric "
      "Format, for 'bencher run --adapter json'), github (github-action-benchmark's "
      "customSmallerIsBetter), lnt (an LNT report, format version 2, for 'lnt submit'), csv "
      "(RFC 4180, one row per job) and markdown (a table for a pull-request comment).",
      "kernels export", "kernels export FORMAT FILE... [-o OUT] [--order REV]");
  app->add_option("FORMAT", format, "gbench, bmf, github, lnt, csv or markdown")->required();
  app->add_option("FILE", files, "saved runs, read in order")->required();
  app->add_option("-o,--output", output, "write the document to OUT (whole) instead of stdout")
      ->type_name("OUT");
  app->add_option("--order", order,
                  "lnt: the run's order, a value that sorts: a commit count (git rev-list "
                  "--count HEAD), a date or a version, never a commit hash; default the date of "
                  "the earliest report")
      ->type_name("REV");
  app->footer(
      "Lines that are not run reports are skipped. Exit status: 0 on success, 2 for a usage "
      "error, a file that cannot be read, or one that holds a malformed report or none, 1 when "
      "OUT cannot be written.");
  if (const std::string help = parse_or_help(*app, "export", tokens); !help.empty()) {
    out << help;
    return 0;
  }
  bool known = false;
  for (const char* f : kExportFormats) known = known || format == f;
  if (!known)
    throw UsageError("export: unknown format '" + format +
                     "' (gbench, bmf, github, lnt, csv, markdown)");
  if (!order.empty() && format != "lnt") throw UsageError("export: --order is for lnt only");
  if (!order.empty()) check_lnt_order(order);  // before any file is read
  std::vector<SavedRun> reports;
  for (const std::string& f : files) {
    std::vector<SavedRun> more = read_saved_runs(f, "export");
    reports.insert(reports.end(), std::make_move_iterator(more.begin()),
                   std::make_move_iterator(more.end()));
  }
  const std::string document = export_document(format, reports, order);
  if (output.empty())
    out << document;
  else
    write_file_whole(output, document);
  return 0;
}

}  // namespace kernels::runner
