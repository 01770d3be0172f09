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

}  // namespace kernels::runner
