// Job "transpose": the in-place transpose of an R x C matrix whose element at index m is m.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/text.h"
#include "job/digest.h"
#include "job/job.h"
#include "jobs/transpose_steps.h"
#include "kernels/pyramid/pyramid.h"
#include "kernels/shell/shell.h"
#include "report/bound.h"

namespace kernels::runner {
namespace {

// Largest matrix the job accepts, in values (256 MiB).
constexpr long long kMaxValues = 1LL << 26;

class TransposeJob : public Job {
 public:
  void declare(CLI::App& app) override {
    add_number(app, "--rows", rows_, 1, kMaxValues, "R", "matrix rows");
    add_number(app, "--cols", cols_, 1, kMaxValues, "C", "matrix columns; R x C at most 2^26");
  }

  void validate() override {
    if (static_cast<long long>(rows_) * cols_ > kMaxValues)
      throw UsageError("transpose " + std::to_string(rows_) + " x " + std::to_string(cols_) +
                       ": at most " + std::to_string(kMaxValues) + " values");
  }

  // The kernel's leader tests replayed untimed, for the counters.
  void load() override { steps_ = transpose_steps(rows_, cols_); }

  std::vector<std::string> args() const override {
    return {"--rows", std::to_string(rows_), "--cols", std::to_string(cols_)};
  }

  void prepare() override {
    matrix_ = shell::arena_new<int>(values());
    for (std::size_t m = 0; m < values(); ++m) matrix_[m] = static_cast<int>(m);
  }

  void run() override { pyramid::internal_int_transpose(matrix_, rows_, cols_); }

  Json summary() const override { return Json{{"rows", rows_}, {"cols", cols_}}; }

  std::optional<std::uint64_t> digest() const override {
    Fnv1a h;
    for (std::size_t m = 0; m < values(); ++m) h.i32(matrix_[m]);
    return h.value();
  }

  std::optional<Work> work() const override {
    return Work{static_cast<double>(values()),
                "elements",
                {{"elements", static_cast<double>(values())},
                 {"chain_steps", static_cast<double>(steps_.chain_steps)},
                 {"exchanges", static_cast<double>(steps_.exchanges)},
                 {"matrix_bytes", static_cast<double>(values() * sizeof(int))}}};
  }

  // Each chain step is j * C reduced modulo R x C - 1 by a multiplication with a precomputed
  // reciprocal: two multiplies, and each step needs the last. The chains of different leader
  // tests are independent, so where their ends are predicted the core overlaps them: the only
  // bound that always holds is the multiplier's, one multiply a cycle (a dependent add's time).
  // Where the ends are not predicted the chains run one after another, at two multiplies'
  // latency a step (docs/performance.md).
  std::optional<Bound> bound(const Work& w, const Ceilings& c) const override {
    if (w.count("chain_steps") <= 0) return std::nullopt;
    return Bound{w.count("chain_steps") * 2 * c.add_latency, "multiplier throughput",
                 count_text(w.count("chain_steps")) + " chain steps of two multiplies"};
  }

 private:
  std::size_t values() const {
    return static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_);
  }

  int rows_ = 1024;
  int cols_ = 768;
  int* matrix_ = nullptr;
  TransposeSteps steps_;
};

const JobRegistration kTranspose{
    {60,
     "transpose",
     "transpose in place a 1024 x 768 matrix whose element at index m is m",
     nullptr,
     &make_job<TransposeJob>,
     {{"transpose-cols-1024", "transpose: R x 1024 for R = 16 to 16384",
       "--cols 1024 --over rows=16..16384x4", false},
      {"transpose-cols-1021", "transpose: R x 1021 (prime columns) for R = 16 to 4096",
       "--cols 1021 --over rows=16..4096x4", false},
      {"transpose", "transpose: R x 61 for R = 16 to 256", "--cols 61 --over rows=16..256x4",
       true}}}};

}  // namespace
}  // namespace kernels::runner
