#include "commands/export/export.h"

#include <map>

#include "cli/cli.h"
#include "commands/export/formats.h"
#include "files/files.h"

namespace kernels::runner {

namespace {

using Reports = std::vector<SavedRun>;

// Constant-initialised, so the command table of main.cpp may read it during its own
// initialisation.
constexpr ExportFormat kFormats[] = {
    {"gbench", "Google Benchmark JSON, for its compare.py", false, true,
     [](const Reports& r, const std::string&) { return gbench_json(r); }},
    {"bmf", "Bencher Metric Format, for 'bencher run --adapter json'", false, true,
     [](const Reports& r, const std::string&) { return bmf_json(r); }},
    {"github", "github-action-benchmark's customSmallerIsBetter", false, true,
     [](const Reports& r, const std::string&) { return github_json(r); }},
    {"lnt", "an LNT report, format version 2, for 'lnt submit'", true, true, &lnt_json},
    {"csv", "RFC 4180, one row per job", false, false,
     [](const Reports& r, const std::string&) { return csv_text(r); }},
    {"markdown", "a table for a pull-request comment", false, false,
     [](const Reports& r, const std::string&) { return markdown_table(r); }},
};

const ExportFormat& format_named(const std::string& name) {
  if (const ExportFormat* f = find_export_format(name)) return *f;
  throw UsageError("export: unknown format '" + name + "' (" + export_format_names() + ")");
}

}  // namespace

std::span<const ExportFormat> export_formats() {
  return kFormats;
}

const ExportFormat* find_export_format(const std::string& name) {
  for (const ExportFormat& f : kFormats)
    if (name == f.name) return &f;
  return nullptr;
}

std::string export_format_names() {
  std::string names;
  const std::size_t n = std::size(kFormats);
  for (std::size_t i = 0; i < n; ++i)
    names += (i == 0 ? "" : i + 1 == n ? " or " : ", ") + std::string(kFormats[i].name);
  return names;
}

std::string export_document(const std::string& format, const std::vector<SavedRun>& reports,
                            const std::string& order) {
  const ExportFormat& f = format_named(format);
  std::map<std::string, const SavedRun*> seen;
  for (const SavedRun& r : reports)
    if (const auto [it, fresh] = seen.emplace(r.name(), &r); !fresh)
      throw UsageError(
          "export: job " + Json(r.name()).dump(-1, ' ', false, Json::error_handler_t::replace) +
          " appears twice (" + it->second->source + ":" + std::to_string(it->second->line) +
          " and " + r.source + ":" + std::to_string(r.line) + "); export one run of each job");
  return f.write(reports, order);
}

int export_command(const std::vector<std::string>& tokens, std::ostream& out) {
  std::string format, output, order;
  std::vector<std::string> files;
  std::string formats_help, order_formats;
  for (const ExportFormat& f : kFormats) {
    formats_help += std::string(formats_help.empty() ? "" : ", ") + f.name + " (" + f.help + ")";
    if (f.takes_order) order_formats += std::string(order_formats.empty() ? "" : ", ") + f.name;
  }
  auto app = new_app(
      "Writes the run reports of saved runs ('kernels run --json' output, sweep points included) "
      "as one document that another tool reads unchanged. Each job is named by its kernel and "
      "its args as typed, joined by spaces ('bisort --size 1048576'), as 'kernels compare' pairs "
      "them. Formats: " +
          formats_help + ".",
      "kernels export", "kernels export FORMAT FILE... [-o OUT] [--order REV]");
  app->add_option("FORMAT", format, export_format_names())->required();
  app->add_option("FILE", files, "saved runs, read in order")->required();
  app->add_option("-o,--output", output, "write the document to OUT (whole) instead of stdout")
      ->type_name("OUT");
  app->add_option("--order", order,
                  order_formats +
                      ": the run's order, a value that sorts: a commit count (git rev-list "
                      "--count HEAD), a date or a version, never a commit hash; default the date "
                      "of the earliest report")
      ->type_name("REV");
  app->footer(
      "Lines that are not run reports are skipped. Exit status: 0 on success, 2 for a usage "
      "error, a file that cannot be read, or one that holds a malformed report or none, 1 when "
      "OUT cannot be written.");
  if (const std::string help = parse_or_help(*app, "export", tokens); !help.empty()) {
    out << help;
    return 0;
  }
  const ExportFormat& f = format_named(format);
  if (!order.empty() && !f.takes_order)
    throw UsageError("export: --order is for " + order_formats + " only");
  if (!order.empty()) check_lnt_order(order);  // before any file is read
  std::vector<SavedRun> reports;
  for (const std::string& file : files) {
    std::vector<SavedRun> more = read_saved_runs(file, "export");
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
