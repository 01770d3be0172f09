// The registry of jobs, filled by the jobs' JobRegistration objects before main runs.
#include <algorithm>
#include <sstream>
#include <vector>

#include "job/job.h"

namespace kernels::runner {
namespace {

// A function-local table: registrations in other files may run before this file's statics.
std::vector<JobInfo>& table() {
  static std::vector<JobInfo> all;
  return all;
}

}  // namespace

std::vector<std::string> ReportStep::tokens() const {
  std::vector<std::string> out;
  std::istringstream in(args);
  for (std::string token; in >> token;) out.push_back(token);
  return out;
}

bool ReportStep::sweeps() const {
  for (const std::string& t : tokens())
    if (t == "--over" || t.starts_with("--over=")) return true;
  return false;
}

JobRegistration::JobRegistration(JobInfo info) {
  auto& all = table();
  all.insert(std::upper_bound(all.begin(), all.end(), info,
                              [](const JobInfo& a, const JobInfo& b) { return a.rank < b.rank; }),
             info);
}

std::span<const JobInfo> jobs() {
  return table();
}

const JobInfo* find_job(std::string_view name) {
  for (const JobInfo& j : table())
    if (name == j.name) return &j;
  return nullptr;
}

}  // namespace kernels::runner
