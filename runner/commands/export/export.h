// `kernels export FORMAT FILE... [-o OUT] [--order REV]`: saved run reports in a format that
// another tool reads unchanged (formats.h).
#ifndef KERNELS_RUNNER_COMMANDS_EXPORT_EXPORT_H_
#define KERNELS_RUNNER_COMMANDS_EXPORT_EXPORT_H_

#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "results/saved_run.h"

namespace kernels::runner {

// One export format: its name on the command line, what it is for (one line of `--help`), and
// the writer of its document (formats.h). `order` is LNT's order field (`--order`); a format
// whose `takes_order` is false ignores it, and the command refuses `--order` for it. `json` says
// the document is one JSON value.
struct ExportFormat {
  const char* name;
  const char* help;
  bool takes_order;
  bool json;
  std::string (*write)(const std::vector<SavedRun>& reports, const std::string& order);
};

// Every format, in the order `kernels export --help` lists them. A new format is a writer in
// formats.cpp and one row of this table (export.cpp): the command line, its help and its
// errors are made from the table.
std::span<const ExportFormat> export_formats();

// The format named `name`, or null.
const ExportFormat* find_export_format(const std::string& name);

// The formats' names as a list for a sentence: "gbench, bmf, ... or markdown".
std::string export_format_names();

// The document of `reports` in `format`; `order` is LNT's order field (lnt_json). Throws
// UsageError "export: ..." for an unknown format, and for a job named twice (every format keys
// its entries by the job's name).
std::string export_document(const std::string& format, const std::vector<SavedRun>& reports,
                            const std::string& order);

// `kernels export ...`, given the tokens after "export": reads every FILE (saved_run.h), in
// order, and writes the document to `out`, or with -o to the file OUT, written whole. Returns 0.
// Throws UsageError for a bad command line, a file that cannot be read, holds a malformed report
// or none, and std::runtime_error when OUT cannot be written.
int export_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_EXPORT_EXPORT_H_
