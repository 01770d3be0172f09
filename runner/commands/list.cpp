#include "commands/list.h"

#include <cstdio>

#include "cli/cli.h"
#include "run/run_plan.h"

namespace kernels::runner {

std::string list_text() {
  std::string out;
  for (const JobInfo& info : jobs()) {
    std::unique_ptr<Job> job = info.make();
    auto app = job_app(info, *job);
    char head[256];
    std::snprintf(head, sizeof head, "%-14s %s\n", info.name, info.description);
    out += head;
    std::string options = option_lines(*app, std::string(17, ' '));
    if (info.driver_args != nullptr)
      options += std::string(17, ' ') + "-- ARGS...      " + info.driver_args + "\n";
    out += options.empty() ? std::string(17, ' ') + "(no options)\n" : options;
  }
  return out;
}

int list_command(const std::vector<std::string>& tokens, std::ostream& out) {
  auto app = new_app("Every job, what it does, and its options.", "kernels list");
  const std::string help = parse_or_help(*app, "list", tokens);
  out << (help.empty() ? list_text() : help);
  return 0;
}

}  // namespace kernels::runner
