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

std::string list_json() {
  std::string out;
  for (const JobInfo& info : jobs()) {
    std::unique_ptr<Job> job = info.make();
    auto app = job_app(info, *job);
    Json options = Json::array();
    for (const CLI::Option* opt : app->get_options()) {
      if (opt == app->get_help_ptr()) continue;
      options.push_back({{"name", opt->get_name()},
                         {"help", opt->get_description()},
                         {"default", opt->get_default_str()}});
    }
    Json report = Json::array();
    for (const ReportStep& step : info.report_steps)
      report.push_back({{"file", step.file},
                        {"label", step.label},
                        {"command", step.sweeps() ? "sweep" : "run"},
                        {"args", step.tokens()},
                        {"quick", step.quick}});
    const Json line = {{"name", info.name},
                       {"description", info.description},
                       {"driver_args", info.driver_args ? Json(info.driver_args) : Json(nullptr)},
                       {"options", options},
                       {"report", report}};
    out += line.dump() + "\n";
  }
  return out;
}

int list_command(const std::vector<std::string>& tokens, std::ostream& out) {
  bool json = false;
  auto app =
      new_app("Every job, what it does, and its options.", "kernels list", "kernels list [--json]");
  app->add_flag("--json", json,
                "one JSON object per job: name, description, driver_args, options (name, help, "
                "default) and report, the job's steps in tools/report's page");
  const std::string help = parse_or_help(*app, "list", tokens);
  out << (!help.empty() ? help : json ? list_json() : list_text());
  return 0;
}

}  // namespace kernels::runner
