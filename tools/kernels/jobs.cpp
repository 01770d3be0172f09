// The list of kernel jobs. A new job adds its JobInfo declaration and one line in the table.
#include "job.h"

namespace kernels::runner {

extern const JobInfo matrix_job;
extern const JobInfo arith_coder_job;
extern const JobInfo groebner_job;
extern const JobInfo bisort_job;
extern const JobInfo pyramid_job;
extern const JobInfo pyramid_transpose_job;
extern const JobInfo cipher_tests_job;
extern const JobInfo context_model_job;

namespace {
const JobInfo* const kJobs[] = {
    &matrix_job,  &arith_coder_job,       &groebner_job,     &bisort_job,
    &pyramid_job, &pyramid_transpose_job, &cipher_tests_job, &context_model_job,
};
}  // namespace

std::span<const JobInfo> jobs() {
  static const std::vector<JobInfo> all = [] {
    std::vector<JobInfo> v;
    for (const JobInfo* j : kJobs) v.push_back(*j);
    return v;
  }();
  return all;
}

const JobInfo* find_job(std::string_view name) {
  for (const JobInfo& j : jobs())
    if (name == j.name) return &j;
  return nullptr;
}

std::unique_ptr<Job> configure_job(std::string_view name, const std::vector<std::string>& tokens) {
  const JobInfo* info = find_job(name);
  if (info == nullptr) throw UsageError("unknown kernel '" + std::string(name) + "'");
  std::unique_ptr<Job> job = info->make();
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i] == "--") {
      job->take_driver_args({tokens.begin() + static_cast<long>(i) + 1, tokens.end()});
      break;
    }
    OptionCursor cursor(tokens, i);
    if (!job->take_option(cursor))
      throw UsageError("unknown option '" + tokens[i] + "' for kernel " + std::string(name));
  }
  job->validate();
  return job;
}

}  // namespace kernels::runner
