// `kernels export FORMAT FILE... [-o OUT] [--order REV]`: saved run reports in a format that
// another tool reads unchanged (formats.h).
#ifndef KERNELS_RUNNER_COMMANDS_EXPORT_EXPORT_H_
#define KERNELS_RUNNER_COMMANDS_EXPORT_EXPORT_H_

#include <ostream>
#include <string>
#include <vector>

#include "results/saved_run.h"

namespace kernels::runner {

// The formats, as named on the command line.
inline constexpr const char* kExportFormats[] = {"gbench", "bmf", "github",
                                                 "lnt",    "csv", "markdown"};

// The document of `reports` in `format` (one of kExportFormats); `order` is LNT's order field
// (lnt_json). Throws UsageError "export: ..." for an unknown format, and for a job named twice
// (every format keys its entries by the job's name).
std::string export_document(const std::string& format, const std::vector<SavedRun>& reports,
                            const std::string& order);

// `kernels export ...`, given the tokens after "export": reads every FILE (run_reports.h), in
// order, and writes the document to `out`, or with -o to the file OUT, written whole. Returns 0.
// Throws UsageError for a bad command line, a file that cannot be read, holds a malformed report
// or none, and std::runtime_error when OUT cannot be written.
int export_command(const std::vector<std::string>& tokens, std::ostream& out);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_EXPORT_EXPORT_H_
